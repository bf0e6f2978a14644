#include "app/ui/NumberField.h"

#include "brand/Brand.h"
#include "platform/system/StringPrintf.h"
#include "platform/ui/IUserInterface.h"

#include <QLineEdit>
#include <QRegularExpressionValidator>

#include <limits>

namespace app::ui {

std::string NumberRangePrompt(long long minimum, long long maximum) {
    return platform::system::StringPrintf("Please enter an integer between %lld and %lld.", minimum, maximum);
}

bool ReadNumberField(QLineEdit& field, long long minimum, long long maximum, long long* value) {
    bool ok = false;
    long long number = field.text().trimmed().toLongLong(&ok);
    if (ok && number >= minimum && number <= maximum) {
        *value = number;
        return true;
    }
    namespace ui = platform::ui;
    // The framework's prompts carry the program's name as their caption.
    ui::UI().MessageBox(NumberRangePrompt(minimum, maximum), ProductName3218, ui::MB_OK | ui::MB_ICONEXCLAMATION);
    field.setFocus(Qt::OtherFocusReason);
    field.selectAll();
    return false;
}

void MakeUnsignedField(QLineEdit& field) {
    // Ten digits hold every value; what they cannot (99999999999 > 2^32-1) is refused on reading.
    field.setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,10}")), &field));
}

void PushUnsignedField(QLineEdit& field, unsigned value) {
    field.setText(QString::number(value));
}

bool ReadUnsignedField(QLineEdit& field, unsigned& value) {
    long long number = 0;
    if (!ReadNumberField(field, 0, std::numeric_limits<unsigned>::max(), &number)) {
        return false;
    }
    value = static_cast<unsigned>(number);
    return true;
}

} // namespace app::ui

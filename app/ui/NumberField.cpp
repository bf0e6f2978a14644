#include "app/ui/NumberField.h"

#include "brand/Brand.h"
#include "platform/ui/IUserInterface.h"

#include <QLineEdit>
#include <QRegularExpressionValidator>

#include <limits>

namespace app::ui {

void MakeUnsignedField(QLineEdit& field) {
    // Ten digits hold every value; what they cannot (99999999999 > 2^32-1) is refused on reading.
    field.setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,10}")), &field));
}

void PushUnsignedField(QLineEdit& field, unsigned value) {
    field.setText(QString::number(value));
}

bool ReadUnsignedField(QLineEdit& field, unsigned& value) {
    bool parsed = false;
    qulonglong number = field.text().trimmed().toULongLong(&parsed);
    if (parsed && number <= std::numeric_limits<unsigned>::max()) {
        value = static_cast<unsigned>(number);
        return true;
    }
    platform::ui::UI().MessageBox(kUnsignedFieldPrompt, ProductName3218,
                                  platform::ui::MB_OK | platform::ui::MB_ICONEXCLAMATION);
    field.setFocus(Qt::OtherFocusReason);
    field.selectAll();
    return false;
}

} // namespace app::ui

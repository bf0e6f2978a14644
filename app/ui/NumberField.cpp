#include "app/ui/NumberField.h"

#include "brand/Brand.h"
#include "platform/system/StringPrintf.h"
#include "platform/ui/IUserInterface.h"

#include <QLineEdit>

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
    field.setFocus();
    field.selectAll();
    return false;
}

} // namespace app::ui

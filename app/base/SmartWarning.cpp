#include "app/base/SmartWarning.h"

#include "app/base/Settings.h"
#include "platform/ui/IUserInterface.h"

namespace app {

int SmartWarning::DoModal() {
    if (GetProfileIntEx(settings::kWarningSection, m_key, 0) == 1) {
        return 0;
    }
    bool dontShowAgain = false;
    int result = platform::ui::UI().ShowSmartWarning(m_text, &dontShowAgain);
    WriteProfileInt(settings::kWarningSection, m_key, dontShowAgain ? 1 : 0);
    return result;
}

} // namespace app

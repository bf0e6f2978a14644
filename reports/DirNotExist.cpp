#include "reports/DirNotExist.h"

#include "app/base/Settings.h"
#include "platform/ui/IUserInterface.h"

namespace reports {

bool ConfirmScanOfMissingDirectory(const std::string& path) {
    if (app::GetSetting(app::settings::DontAskNonExistantDir) == 1) {
        return true;
    }
    bool dontAskAgain = false;
    bool scan = platform::ui::UI().ConfirmMissingDirectory(path, &dontAskAgain);
    app::SetSetting(app::settings::DontAskNonExistantDir, dontAskAgain ? 1 : 0);
    return scan;
}

} // namespace reports

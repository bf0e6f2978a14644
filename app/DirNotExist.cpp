#include "app/DirNotExist.h"

#include "app/Settings.h"
#include "platform/ui/IUserInterface.h"

namespace app {

bool ConfirmScanOfMissingDirectory(const std::string& path) {
    if (GetSetting(settings::DontAskNonExistantDir) == 1) {
        return true;
    }
    bool dontAskAgain = false;
    bool scan = platform::ui::UI().ConfirmMissingDirectory(path, &dontAskAgain);
    SetSetting(settings::DontAskNonExistantDir, dontAskAgain ? 1 : 0);
    return scan;
}

} // namespace app

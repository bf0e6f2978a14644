#include "app/UpdateState.h"

#include "app/base/Settings.h"
#include "platform/system/SystemInfo.h"

namespace app {

int UpdateStateOf(int latestMajor, int latestMinor, int latestBuild, int ownMajor, int ownMinor, int ownBuild) {
    if (latestMajor == 0 && latestMinor == 0 && latestBuild == 0) {
        return kUpdateUnknown;
    }
    if (latestMajor > ownMajor || (latestMajor == ownMajor && latestMinor > ownMinor)) {
        return kNewerVersion;
    }
    if (latestMajor != ownMajor || latestMinor != ownMinor) {
        return kNoUpdate;
    }
    return latestBuild > ownBuild ? kMinorUpdate : kNoUpdate;
}

int GetUpdateState() {
    platform::system::ProgramVersion own = platform::system::GetProgramVersion();
    return UpdateStateOf(GetSetting(settings::LatestMajor), GetSetting(settings::LatestMinor),
                         GetSetting(settings::LatestBuild), own.major, own.minor, own.build);
}

} // namespace app

#include "app/UpdateStatus.h"

#include "app/base/Settings.h"
#include "brand/Brand.h"
#include "platform/system/BuildConfig.h"
#include "platform/system/StringPrintf.h"

#include <cstdint>

namespace app {

using platform::system::StringPrintf;

ProgramVersion OwnProgramVersion() {
    return {platform::system::kVersionMajor, platform::system::kVersionMinor,
            platform::system::kVersionBuild};
}

int UpdateStateOf(const ProgramVersion& latest, const ProgramVersion& own) {
    auto word = [](int value) { return static_cast<std::uint16_t>(value); };
    const std::uint16_t latestMajor = word(latest.major), ownMajor = word(own.major);
    const std::uint16_t latestMinor = word(latest.minor), ownMinor = word(own.minor);
    const std::uint16_t latestBuild = word(latest.build), ownBuild = word(own.build);
    if (latestMajor == 0 && latestMinor == 0 && latestBuild == 0) {
        return kUpdateStateUnknown;
    }
    if (latestMajor > ownMajor || (latestMajor == ownMajor && latestMinor > ownMinor)) {
        return kUpdateStateNewerVersion;
    }
    if (latestMajor != ownMajor || latestMinor != ownMinor) {
        return kUpdateStateNone;
    }
    return latestBuild > ownBuild ? kUpdateStateMinorUpdate : kUpdateStateNone;
}

int GetUpdateState(const ProgramVersion& own) {
    ProgramVersion latest{GetSetting(settings::LatestMajor), GetSetting(settings::LatestMinor),
                          GetSetting(settings::LatestBuild)};
    return UpdateStateOf(latest, own);
}

std::string UpdateTitleSuffix(int state) {
    if (state == kUpdateStateNewerVersion) {
        return " - [ Update Available ]";
    }
    if (state == kUpdateStateMinorUpdate) {
        return " - [ Minor Update Available ]";
    }
    return {};
}

std::string UpdateStatusText(int state) {
    switch (state) {
    case kUpdateStateNone:
        return "There are currently no updates available.";
    case kUpdateStateNewerVersion:
        return StringPrintf("There is currently a newer version of %s available.", ProductName3218);
    case kUpdateStateMinorUpdate:
        return "There is a minor update (minor bug fixes) available.";
    default:
        // The download library named here is this platform's; see docs/adapted-texts.md.
        return StringPrintf("%s is unable to determine if there are updates available.  This might be "
                            "caused by not having a libcurl library on your system.  This is installed "
                            "on newer Linux distributions that come with curl, or with any application "
                            "that is Internet aware (including curl).  If you can find libcurl4 in your "
                            "distribution's packages, that will install this missing library.",
                            ProductName3218);
    }
}

} // namespace app

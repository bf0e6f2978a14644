#include "app/base/SettingKeys.h"

#include "brand/Brand.h"
#include "platform/system/BuildConfig.h"
#include "platform/system/Paths.h"

#include <unistd.h>

namespace app::settings {

// Strings whose default is a literal; paths follow this platform's conventions.
const StringSetting PrintFilePath{"PrintFilePath", "DIRSIZE.TXT", nullptr, kMachine};
const StringSetting DataDirectoryMDB3{"DataDirectoryMDB3", "APPDIR", nullptr, kMachine};
const StringSetting ExportPath{"ExportPath", "/tmp", nullptr, kMachine};

// Strings whose default comes from the brand library.
const StringSetting HomePage{"HomePage", nullptr, &HomePageURL, kMachine};
const StringSetting EMailAddr{"EMailAddr", nullptr, &SupportEmailAddr, kMachine};
const StringSetting MDACPage{"MDACPage", nullptr, &DefaultMDACPage, kMachine};
const StringSetting ErrorReportServer{"ErrorReportServer", nullptr, &CompanyWebServer, kMachine};
const StringSetting PageName3{"PageName3", nullptr, &SettingsPageFileName, kUser};
const StringSetting MySQLName{"MySQLName", nullptr, &DefaultDatabaseName, kMachineRoot};
const StringSetting MySQLDSNName{"MySQLDSNName", nullptr, &DefaultMySQLDSNName, kMachineRoot};

namespace {
std::string defaultConnectionString() {
    return std::string("DSN=") + DefaultDSNName;
}

// A directory no other user can write: a log written there by root from cron cannot be
// turned against the system.
std::string defaultLogDirectory() {
    return ::geteuid() == 0 ? std::string("/var/log/tallyvol") : platform::system::TallyvolHome();
}

// The included store file in the program's home (the program directory's written half).
std::string defaultStoreFile() {
    return platform::system::TallyvolHome() + "/" + AccessDBFile;
}
} // namespace

const StringSetting LogDir{"LogDir", nullptr, nullptr, kMachine, defaultLogDirectory};

const IntSetting LatestMajor{"LatestMajor", platform::system::kVersionMajor, kMachine};
const IntSetting LatestMinor{"LatestMinor", platform::system::kVersionMinor, kMachine};
const IntSetting LatestBuild{"LatestBuild", platform::system::kVersionBuild, kMachine};

// Database connection values.
const StringSetting ConnectionString{"ConnectionString", nullptr, nullptr, kMachineRoot,
                                     &defaultConnectionString};
const StringSetting ConnectionStringSpec{"ConnectionStringSpec", "", nullptr, kMachineRoot};
const StringSetting DSNName{"DSNName", nullptr, &DefaultDSNName, kMachineRoot};
const StringSetting MDBPath{"MDBPath", nullptr, nullptr, kMachineRoot, &defaultStoreFile};
const StringSetting MSSQLServer{"MSSQLServer", "", nullptr, kMachineRoot};
const StringSetting MSSQLDatabase{"MSSQLDatabase", "", nullptr, kMachineRoot};
const StringSetting MySQLServer{"MySQLServer", "", nullptr, kMachineRoot};
const StringSetting MySQLBinPath{"MySQLBinPath", "/usr/bin", nullptr, kMachineRoot};

} // namespace app::settings

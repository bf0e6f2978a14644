#include "dbconfig/AccessDatabase.h"

#include "app/base/Settings.h"
#include "dbconfig/WizardConnectionStrings.h"
#include "platform/system/StringPrintf.h"
#include "scan/SqlRules.h"

namespace dbconfig {

using platform::system::StringPrintf;

std::string AccessPageFilePath() {
    std::string path = app::GetSetting(app::settings::MDBPath);
    if (path.empty()) {
        // An empty value is as good as none: the page would offer no file at all.
        path = app::DefaultOf(app::settings::MDBPath);
        app::SetSetting(app::settings::MDBPath, path);
    }
    return path;
}

std::string AccessPageDsnName() {
    return app::GetSetting(app::settings::DSNName);
}

std::string AccessDirectConnectionString(const std::string& path) {
    return StringPrintf("Provider=SQLite;Data Source=%s", path.c_str());
}

std::string AccessOdbcConnectionString(const std::string& dsnName) {
    return StringPrintf("DSN=%s", dsnName.c_str());
}

std::string AccessConnectionStringSpec(const std::string& path) {
    return StringPrintf("%d:%s", scan::kAccessDatabase, path.c_str());
}

std::string SqlServerCredentialsSuffix(bool currentUser, const std::string& user,
                                       const std::string& password, const std::string& additional) {
    std::string suffix;
    if (!currentUser && !user.empty()) {
        suffix += ";USER ID=" + ConnectionStringValue(user);
        if (!password.empty()) {
            suffix += ";PWD=" + ConnectionStringValue(password);
        }
    }
    if (!additional.empty()) {
        if (additional[0] != ';') {
            suffix += ";";
        }
        suffix += additional;
    }
    return suffix;
}

} // namespace dbconfig

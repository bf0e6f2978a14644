/*
 * What Finish of the database configuration wizard does with the values its pages collected:
 * prepare the chosen database, prove that a connection opens, create (or drop and re-create)
 * the tables, copy the old store's data when asked, and write the three connection settings
 * (ConnectionString, DBSource, ConnectionStringSpec) that every later start reads. Questions
 * and failures reach the person through platform::ui (message boxes, error reports).
 *
 * The wizard's window and the command line's --configure-database both run this. Main thread.
 */
#ifndef TALLYVOL_DBCONFIG_WIZARDFINISH_H
#define TALLYVOL_DBCONFIG_WIZARDFINISH_H

#include "dbconfig/WizardConnectionStrings.h"

#include <functional>
#include <memory>
#include <string>

namespace scan {
class CScanInfo;
}

namespace dbconfig {

class ICopyProgress;

// The included store's page.
struct AccessPageValues {
    std::string path;
    std::string dsnName;
};

// The MySQL/MariaDB page. User and password go into the data source, never into settings.
struct MySqlPageValues {
    std::string binDirectory;
    std::string database;
    std::string dsnName;
    std::string server;
    int port = 3306;
    std::string user;
    std::string password;
    bool tablesExist = false; // "The tables already exist"
};

struct WizardFinishValues {
    int kind = 0;          // 1, 2, 3, or 0 for an advanced string without a dialect
    bool advanced = false; // the kind is the Advanced page's dialect: no page values exist
    std::string newConnectionString;
    std::string newSpecification;
    std::string oldConnectionString; // the stored ConnectionString
    bool copyData = false;           // the copy page's box
    AccessPageValues access;
    SqlServerPageValues sqlServer;
    MySqlPageValues mySql;
};

enum class FinishResult {
    kStayOnPage,      // preparation or test connection failed, or the drop was declined
    kClosedUnchanged, // the wizard closes; the connection settings were not written
    kSaved,           // the three settings are written and the kind is current
};
enum class CopyResult { kNotCopied, kCompleted, kStopped };

struct FinishOutcome {
    FinishResult result = FinishResult::kStayOnPage;
    CopyResult copy = CopyResult::kNotCopied; // kStopped: failed or cancelled, partly copied
};

// Makes the copy's progress window when the copy starts; it lives until the copy ends.
using CopyProgressFactory = std::function<std::unique_ptr<ICopyProgress>()>;

// The steps of Finish. `scanInfo`, when given, has its connection cache emptied once the new
// settings are written, so the next database access opens the new store.
FinishOutcome FinishDatabaseWizard(const WizardFinishValues& values,
                                   const CopyProgressFactory& makeProgress,
                                   scan::CScanInfo* scanInfo);

} // namespace dbconfig

#endif

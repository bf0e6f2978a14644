#include "scan/StoreConflicts.h"

#include "platform/ado/ErrorCodes.h"
#include "scan/SqlRules.h"

namespace scan {

bool IsServerStore(int kind) {
    return kind == kSqlServerDatabase || kind == kMySqlDatabase;
}

bool IsDuplicateKey(const platform::ado::ComError& error) {
    return error.Error() == platform::ado::DB_E_INTEGRITYVIOLATION;
}

bool IsWriteConflict(const platform::ado::ComError& error) {
    return error.Error() == platform::ado::XACT_E_ABORTED ||
           error.Error() == platform::ado::DB_E_ABORTLIMITREACHED;
}

} // namespace scan

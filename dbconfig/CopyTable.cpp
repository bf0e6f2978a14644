#include "dbconfig/CopyTable.h"

#include "app/base/DiagnosticLog.h"
#include "app/base/ErrorReport.h"
#include "app/base/Settings.h"
#include "dbconfig/CopyTransaction.h"
#include "dbconfig/CopyValueFormat.h"
#include "dbconfig/ICopyProgress.h"
#include "dbconfig/InsertBatch.h"
#include "platform/ado/Connection.h"
#include "platform/system/StringPrintf.h"
#include "platform/ui/IUserInterface.h"
#include "scan/CopyStatements.h"
#include "scan/SqlRules.h"

#include <strings.h>

#include <vector>

namespace dbconfig {

using platform::ado::ComError;
using platform::ado::Connection;
using platform::system::StringPrintf;

namespace {

constexpr int kRowsBetweenMessages = 20;

void showRowCount(Connection& oldConnection, const std::string& table, ICopyProgress& progress) {
    constexpr const char* kActivity = "Getting a row count before copying the database";
    try {
        auto count = oldConnection.OpenRecordset(scan::CopyRowCountQuery(table));
        if (!count->IsEOF()) {
            progress.SetRange(count->Fields(0).AsInt64());
        }
    } catch (const ComError& error) {
        TV_DEBUG_LOG("** Exception in CopyTable counting %s", table.c_str());
        app::ReportComError(error, kActivity);
    } catch (...) {
        TV_DEBUG_LOG("** Exception in CopyTable counting %s", table.c_str());
        app::ReportError(0, kActivity);
    }
}

void execute(Connection& newConnection, const std::string& text) {
    TV_DEBUG_LOG("%s", text.c_str());
    newConnection.Execute(text, platform::ado::adCmdText | platform::ado::adExecuteNoRecords);
}

} // namespace

bool CopyTable(Connection& oldConnection, Connection& newConnection, const std::string& table,
               const std::string& progressText, ICopyProgress& progress, int targetKind,
               bool identityInsert) {
    progress.ShowText(progressText);
    showRowCount(oldConnection, table, progress);

    const char* step = kStepGettingData;
    try {
        oldConnection.SetCommandTimeout(app::GetSetting(app::settings::DB_TIMEOUT_SECONDS));
        std::unique_ptr<platform::ado::Recordset> source =
            oldConnection.OpenRecordset(scan::CopyReadQuery(table));

        step = kStepMapping;
        // SizeData's own row key is left for the new database to generate.
        bool leaveOutEntryID = table == "SizeData";
        std::vector<int> copied;
        std::vector<std::string> names;
        for (int i = 0; i < source->FieldCount(); ++i) {
            const std::string& name = source->Column(i).Name();
            if (leaveOutEntryID && ::strcasecmp(name.c_str(), "EntryID") == 0) {
                continue;
            }
            copied.push_back(i);
            names.push_back(name);
        }
        InsertBatch batch(targetKind, table, names, identityInsert);
        CopyTransaction transaction(newConnection, targetKind != scan::kSqlServerDatabase);

        long rows = 0;
        while (!source->IsEOF()) {
            step = kStepIterating;
            if (progress.CancelRequested()) {
                // Rows collected for the batch are not written; the transaction keeps the rest.
                batch.Clear();
                return false;
            }
            progress.StepIt();
            if (++rows % kRowsBetweenMessages == 0) {
                progress.ProcessMessages();
            }

            step = kStepBuilding;
            std::string& text = batch.BeginRow();
            for (std::size_t i = 0; i < copied.size(); ++i) {
                if (i > 0) {
                    text += ',';
                }
                AppendCopyValue(text, source->Fields(copied[i]), targetKind);
            }
            if (batch.EndRow()) {
                step = kStepExecuting;
                execute(newConnection, batch.Take());
                transaction.CommitIfDue();
            }

            step = kStepMoving;
            source->MoveNext();
        }
        step = kStepExecuting;
        if (!batch.Empty()) {
            execute(newConnection, batch.Take());
        }
        transaction.Commit();
        return true;
    } catch (const ComError& error) {
        TV_DEBUG_LOG("** Exception in CopyTable %s at %s", table.c_str(), step);
        app::ReportComError(error, StringPrintf("Exception in CopyTable while performing step %s.", step));
    } catch (...) {
        TV_DEBUG_LOG("** Exception in CopyTable %s at %s", table.c_str(), step);
        app::ReportError(0, StringPrintf("Unknown exception in CopyTable while performing step: %s", step));
    }
    return false;
}

bool CopyDatabase(Connection& oldConnection, Connection& newConnection, int targetKind,
                  ICopyProgress& progress) {
    for (const CopyTableStep& step : kCopyTableSteps) {
        if (!CopyTable(oldConnection, newConnection, step.table, step.progressText, progress,
                       targetKind, step.identityInsert)) {
            return false;
        }
    }
    platform::ui::UI().MessageBox("Database copying completed.", "Done",
                                  platform::ui::MB_OK | platform::ui::MB_ICONINFORMATION);
    return true;
}

} // namespace dbconfig

// "Create Alert and Set Run Schedule": a new alert through the warning, the task and the
// schedule loop; an edited alert keeping its task; every failure closing the editor the way the
// user must see it. The crontab is a stand-in; the schedule step is the test's.
#include "alerts/AlertTaskSave.h"
#include "platform/system/Paths.h"
#include "tests/support/FakeCrontab.h"
#include "tests/support/IsolatedEnvironment.h"
#include "tests/support/ScriptedUserInterface.h"

#include <gtest/gtest.h>

using namespace alerts;
using namespace testsupport;
namespace ts = platform::taskscheduler;

namespace {

struct SaveFixture : ::testing::Test {
    IsolatedEnvironment env;
    FakeCrontab crontab;
    ScriptedUserInterface ui;
    ts::TaskScheduler scheduler;
    std::vector<std::string> scheduleCalls;
    // What the schedule step does on each call (the last one repeats): add a trigger or not,
    // and what it returns.
    std::vector<std::pair<bool, ts::HRESULT>> scheduleSteps = {{true, ts::S_OK}};

    EditAlertScheduleFunction schedule() {
        return [this](const std::string& name) {
            std::size_t call = scheduleCalls.size();
            scheduleCalls.push_back(name);
            auto [addTrigger, result] = scheduleSteps[std::min(call, scheduleSteps.size() - 1)];
            if (addTrigger) {
                EXPECT_EQ(scheduler.WriteAlertTriggers(name, {*ts::CronTrigger::Daily(3, 0)}),
                          ts::S_OK);
            }
            return result;
        };
    }

    static AlertDefinition growth() {
        AlertDefinition alert;
        alert.type = kAlertGrowthSize;
        alert.directory = "/srv/data";
        alert.value = "500";
        alert.profiles = {2};
        return alert;
    }

    std::vector<ts::AlertTask> tasks() {
        std::vector<ts::AlertTask> result;
        EXPECT_EQ(scheduler.ListAlertTasks("Tallyvol", &result), ts::S_OK);
        return result;
    }
};

} // namespace

TEST_F(SaveFixture, ANewAlertWarnsOnceCreatesItsTaskAndTakesItsSchedule) {
    ui.smartWarningDontShow = {true};
    AlertTaskSaveResult first = SaveAlertTask(growth(), "", scheduler, schedule());
    EXPECT_EQ(first.outcome, AlertEditorOutcome::Confirmed);
    EXPECT_EQ(first.taskName, "Space usage change greater than 500 K in _srv_data..job");
    EXPECT_EQ(ui.smartWarnings, std::vector<std::string>{kAlertRunAsWarning});
    EXPECT_EQ(scheduleCalls, std::vector<std::string>{first.taskName});

    std::vector<ts::AlertTask> created = tasks();
    ASSERT_EQ(created.size(), 1u);
    EXPECT_EQ(created[0].comment, "Space usage change greater than 500 K in /srv/data.");
    EXPECT_EQ(created[0].parameters,
              "/DIR=\"/srv/data\" /ALERTSIZE=500  /SAVE /PID=2 /DOSYMLINKCHECK");
    EXPECT_EQ(created[0].application, platform::system::ProgramPath());
    EXPECT_TRUE(created[0].Scheduled());

    // The same alert again: a numbered task, and the silenced warning stays silent.
    AlertTaskSaveResult second = SaveAlertTask(growth(), "", scheduler, schedule());
    EXPECT_EQ(second.taskName, "Space usage change greater than 500 K in _srv_data. [2].job");
    EXPECT_EQ(ui.smartWarnings.size(), 1u);
    EXPECT_TRUE(ui.errorReports.empty());
    EXPECT_TRUE(ui.messageBoxes.empty());
}

TEST_F(SaveFixture, WithoutATriggerTheUserIsAskedUntilTheyScheduleOrLeaveIt) {
    scheduleSteps = {{false, ts::S_OK}, {false, ts::S_OK}, {true, ts::S_OK}};
    ui.messageBoxAnswers = {platform::ui::IDOK, platform::ui::IDOK};
    AlertTaskSaveResult scheduled = SaveAlertTask(growth(), "", scheduler, schedule());
    EXPECT_EQ(scheduled.outcome, AlertEditorOutcome::Confirmed);
    EXPECT_EQ(scheduleCalls.size(), 3u);
    ASSERT_EQ(ui.messageBoxes.size(), 2u);
    EXPECT_EQ(ui.messageBoxes[0].caption, "No Schedule Set");
    EXPECT_EQ(ui.messageBoxes[0].text, kNoScheduleSetText);
    EXPECT_EQ(ui.messageBoxes[0].flags, platform::ui::MB_OKCANCEL);

    scheduleSteps = {{false, ts::S_OK}};
    scheduleCalls.clear();
    ui.messageBoxAnswers = {platform::ui::IDCANCEL};
    AlertTaskSaveResult unscheduled = SaveAlertTask(growth(), "", scheduler, schedule());
    EXPECT_EQ(unscheduled.outcome, AlertEditorOutcome::Confirmed);
    EXPECT_EQ(scheduleCalls.size(), 1u);
    EXPECT_FALSE(tasks()[1].Scheduled()) << "left unscheduled, as the user chose";
}

TEST_F(SaveFixture, AnEditedAlertKeepsItsTaskNameAndItsSchedule) {
    AlertTaskSaveResult created = SaveAlertTask(growth(), "", scheduler, schedule());
    AlertDefinition changed = growth();
    changed.type = kAlertFreePercent;
    changed.value = "9";
    changed.symlinkCheck = false;
    scheduleSteps = {{false, ts::S_OK}};
    AlertTaskSaveResult edited = SaveAlertTask(changed, created.taskName, scheduler, schedule());
    EXPECT_EQ(edited.outcome, AlertEditorOutcome::Confirmed) << "it has its trigger already";
    EXPECT_EQ(edited.taskName, created.taskName);
    EXPECT_EQ(ui.smartWarnings.size(), 1u) << "only new alerts warn";
    std::vector<ts::AlertTask> all = tasks();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].name, created.taskName);
    EXPECT_EQ(all[0].comment, "Free space less than 9% in /srv/data");
    EXPECT_EQ(all[0].parameters, "/DIR=\"/srv/data\" /FREEPERCENT=9 /PID=2");
    EXPECT_TRUE(all[0].Scheduled());
}

TEST_F(SaveFixture, FailuresAreReportedAndCloseTheEditorAsCancelled) {
    crontab.FailWith("crontab: installing new crontab failed");
    AlertTaskSaveResult failed = SaveAlertTask(growth(), "", scheduler, schedule());
    EXPECT_EQ(failed.outcome, AlertEditorOutcome::Cancelled);
    ASSERT_EQ(ui.errorReports.size(), 1u);
    EXPECT_NE(ui.errorReports[0].find(
                  "Creating the new alert.  The operating system reports: crontab: installing "
                  "new crontab failed.  HR=80004005"),
              std::string::npos)
        << ui.errorReports[0];

    crontab.StopFailing();
    EXPECT_EQ(SaveAlertTask(growth(), "gone.job", scheduler, schedule()).outcome,
              AlertEditorOutcome::Cancelled);
    EXPECT_NE(ui.errorReports[1].find(
                  "The operating system reports: There is no task named gone.job.  HR=80070002"),
              std::string::npos)
        << ui.errorReports[1];

    scheduleSteps = {{false, ts::E_ACCESSDENIED}};
    AlertTaskSaveResult noSchedule = SaveAlertTask(growth(), "", scheduler, schedule());
    EXPECT_EQ(noSchedule.outcome, AlertEditorOutcome::Cancelled);
    ASSERT_EQ(ui.errorReports.size(), 3u);
    EXPECT_NE(ui.errorReports[2].find(
                  "Displaying the scheduling component to set the run times.  You can manage the "
                  "alerts via the crontab command.  HR=80070005"),
              std::string::npos);
    EXPECT_EQ(tasks().size(), 1u) << "the task stays, unscheduled";
}

TEST_F(SaveFixture, ADirectoryTheRunWouldNotGetIsRefusedAndTheEditorStaysOpen) {
    AlertDefinition broken = growth();
    broken.directory = "/srv/two\nlines";
    AlertTaskSaveResult result = SaveAlertTask(broken, "", scheduler, schedule());
    EXPECT_EQ(result.outcome, AlertEditorOutcome::KeepOpen);
    ASSERT_EQ(ui.messageBoxes.size(), 1u);
    EXPECT_EQ(ui.messageBoxes[0].text,
              "The directory holds a line break, which a crontab line cannot hold.");
    EXPECT_TRUE(ui.smartWarnings.empty());
    EXPECT_FALSE(crontab.Table().has_value()) << "nothing written";
    EXPECT_TRUE(scheduleCalls.empty());
}

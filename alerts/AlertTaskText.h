/*
 * The texts of an alert task, built from what the "Create New Alert" dialog holds: the
 * automated-run parameters, the comment (the alert's description, shown in the alert list) and
 * the task's name, for the six alert types; and the way back, from a task's parameters to the
 * dialog's fields when an alert is edited. Also the line the alert list shows for a task, and
 * the dialogs' texts about the scheduler. Pure functions; any thread.
 */
#ifndef TALLYVOL_ALERTS_ALERTTASKTEXT_H
#define TALLYVOL_ALERTS_ALERTTASKTEXT_H

#include <string>
#include <vector>

namespace alerts {

// The alert types, in the order of the dialog's radio buttons.
enum AlertType {
    kAlertGrowthPercent = 0, // "Size changed in %"
    kAlertGrowthSize = 1,    // "Absolute change in size"
    kAlertFreeSpace = 2,     // "Free space on disk in KB"
    kAlertFreePercent = 3,   // "Free space in % of disk"
    kAlertMaxSize = 4,       // "Absolute size "
    kAlertCustom = 5,        // "Custom Command Line"
};

struct AlertDefinition {
    int type = kAlertGrowthPercent;
    std::string directory; // as entered
    std::string value;     // the value as entered; the command line for kAlertCustom
    bool saveAllSubdirectories =
        false; // "Save size data and file extension data for all subdirectories scanned.  "
    bool symlinkCheck = true;  // "This directory structure may contain symbolic links"
    std::vector<int> profiles; // identifiers of the ticked profiles, in list order
};

// The value as a decimal integer: its leading digits (saturating at the largest int), 0 when it
// does not start with a digit.
int AlertValue(const std::string& text);

// "/DIR=\"D\" /ALERTPERCENT=V S /SAVE /PID=1,3 /DOSYMLINKCHECK" and the forms of the other types.
std::string AlertParameters(const AlertDefinition& alert);
// "Space usage change greater than V% in D.  Save all scanned data." and the others, with "<"
// and ">" written as "less than" and "greater than".
std::string AlertComment(const AlertDefinition& alert);
// The comment with | " : * \ / ? replaced ("!", "''", ";", "+", "_", "_", "_"), then ".job".
std::string AlertTaskName(const std::string& comment);

// Empty when the alert's texts can be scheduled as they are; otherwise the reason they cannot:
// a line break in the directory or custom command line, or double quotes in the directory
// that would change it on the way to the scheduled run.
std::string AlertDefinitionProblem(const AlertDefinition& alert);

// The dialog's fields for an existing task's parameters, read as the alert editor reads them:
// the text is upper-cased first, so the directory and a custom command line come back in upper
// case. Options are recognised at the start of a token. Starts from type 0, no box ticked.
AlertDefinition ParseAlertParameters(const std::string& parameters);

// The first thing the alert editor must ask for before it creates or updates the alert: the
// message and its caption ("Missing information", "No Profiles Selected"), in the editor's order
// (directory, value, type, profiles); empty texts when nothing is missing. `type` is -1 when no
// type button is chosen.
struct MissingAlertInput {
    std::string text;
    std::string caption;
};
MissingAlertInput FindMissingAlertInput(const AlertDefinition& alert);

// The alert list's line for a task: its comment, prefixed "** Not Scheduled **  " when the task
// has no trigger.
std::string AlertListText(const std::string& comment, bool scheduled);

// ---- Texts of the alert dialogs about the scheduler (formats take the HRESULT) ----
extern const char* const kAlertRunAsWarning; // shown once per new alert, key kAlertRunAsWarningKey
extern const char* const kAlertRunAsWarningKey;    // "ALERTRUNAS"
extern const char* const kCreateAlertFailedFormat; // %s the system's message, %0X
extern const char* const kEditScheduleFailedFormat;
extern const char* const kNoScheduleSetCaption;
extern const char* const kNoScheduleSetText;
extern const char* const kListAlertsFailedFormat;
extern const char* const kDeleteAlertFailedFormat;

} // namespace alerts

#endif

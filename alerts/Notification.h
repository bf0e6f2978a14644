/*
 * A notification profile: how an alert reaches a person (message box, a program, e-mail, the
 * system log, a page). Profiles are small values, copied freely. They are kept in PROFILES.INI
 * in the program's home ($TALLYVOL_HOME): section "Settings" holds "LastID", the highest
 * identifier handed out so far, and each profile has a section "PID-<identifier>" with the keys
 * "Description", "Type", "Str1" and "Str2". A file that cannot be read gives defaults; a write
 * that fails is lost silently. Main thread (the file itself is safe across processes).
 */
#ifndef TALLYVOL_ALERTS_NOTIFICATION_H
#define TALLYVOL_ALERTS_NOTIFICATION_H

#include <optional>
#include <string>
#include <vector>

namespace platform::ini {
class IniDocument;
}

namespace alerts {

enum NotificationType {
    kMessageBox = 1,
    kRunProgram = 2,
    kEMail = 3,
    kEventLog = 4,
    kPage = 5,
};

class Notification {
public:
    // A new profile with the defaults. It takes the next identifier at once and records it as
    // "LastID", whether or not it is ever saved.
    Notification();
    // The profile with this identifier as stored; a missing section gives the defaults (a
    // message box described as "No Description").
    explicit Notification(int pid);
    virtual ~Notification() = default;
    Notification(const Notification&) = default;
    Notification& operator=(const Notification&) = default;

    // Writes the four keys into the profile's section, creating it.
    void Save() const;
    // Removes the profile's section; "LastID" stays.
    static void DeleteProfile(int pid);
    // Appends every stored profile, in file order.
    static void LoadAllProfiles(std::vector<Notification>& profiles);

    std::string Description = "No Description";
    int Type = kMessageBox;
    std::string Str1; // program: command line; e-mail: recipient[|sender]; page: pager ID
    std::string Str2; // e-mail: SMTP server; page: paging server
    int PID = 0;

private:
    Notification(const platform::ini::IniDocument& document, int pid);
    void load(const platform::ini::IniDocument& document);
};

// $TALLYVOL_HOME/PROFILES.INI; empty when the program has no home (then no profile operation
// touches any file).
std::string ProfilesFilePath();

// "PID-%d": the identifier a profile section's name carries, if it carries one.
std::optional<int> ProfileIDFromSectionName(const std::string& name);
std::string ProfileSectionName(int pid);

} // namespace alerts

#endif

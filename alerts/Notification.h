/*
 * A notification profile: how an alert reaches a person (message box, a program, e-mail, the
 * system log, a page). Profiles are small values, copied freely.
 */
#ifndef TALLYVOL_ALERTS_NOTIFICATION_H
#define TALLYVOL_ALERTS_NOTIFICATION_H

#include <string>

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
    Notification() = default;
    virtual ~Notification() = default;
    Notification(const Notification&) = default;
    Notification& operator=(const Notification&) = default;

    std::string Description = "No Description";
    int Type = kMessageBox;
    std::string Str1;
    std::string Str2;
    int PID = 0;
};

} // namespace alerts

#endif

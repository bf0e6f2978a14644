/*
 * The notification profile editor (template 165): a profile's description and how it
 * delivers (message box, a program, e-mail, the system log, a page) with the texts each means
 * needs. Choosing a means proposes its description unless the user wrote one of their own.
 * OK and "Send Test Notification" store the profile in PROFILES.INI; the test delivers a sample
 * alert through it, fallbacks included. A new profile takes its identifier when the editor
 * opens, so cancelling still uses one up. GUI thread.
 */
#ifndef TALLYVOL_ALERTS_UI_WINDOWS_NOTIFICATIONTYPE_H
#define TALLYVOL_ALERTS_UI_WINDOWS_NOTIFICATIONTYPE_H

#include "alerts/Notification.h"
#include "app/ui/TemplateDialog.h"

#include <cstdint>
#include <string>

namespace alerts::ui {

class NotificationType : public app::ui::TemplateDialog {
    Q_OBJECT
public:
    static constexpr int kTemplate = 165;
    enum ControlId : int {
        kDescription = 1083, kCommandLine = 1099, kCommandNote = 1100, kTo = 1125, kServer = 1126,
        kFrom = 1150, kPagerID = 1129, kPagingServer = 1130, kMessageBoxButton = 1097,
        kRunButton = 1098, kEMailButton = 1124, kEventLogButton = 1123, kPagerButton = 1128,
        kSendTest = 1131,
    };

    // The directory, message and size of the test alert.
    static constexpr const char* kTestDirectory = "/test/notification/directory";
    static constexpr const char* kTestMessage =
        "This is a test of the '%s' notification profile.  If this was a real alert, you would "
        "be notified of the problem directory and the associated size.";
    static constexpr std::int64_t kTestSize = 102400;

    // A new profile.
    explicit NotificationType(QWidget* parent);
    // The stored profile with this identifier.
    NotificationType(int pid, QWidget* parent);

    void readControls() override;
    void pushControls() override;

    Notification m_profile;
    std::string m_description;
    std::string m_commandLine;
    std::string m_to;
    std::string m_server;
    std::string m_from;
    std::string m_pagerID;
    std::string m_pagingServer;

public slots:
    void OnMessageBox();
    void OnRun();
    void OnEMail();
    void OnEventLog();
    void OnPager();
    void OnSendTest();

protected slots:
    void OnOK() override;

private:
    void OnInitDialog(bool newProfile);
    void selectType(int type);
    // The controls into the profile, then the profile into PROFILES.INI.
    void store();
};

} // namespace alerts::ui

#endif

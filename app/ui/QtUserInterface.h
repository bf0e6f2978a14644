/*
 * The user interface of interactive runs: message boxes, the progress window, the silenceable
 * warning, the missing-directory question, the wait cursor and the event dispatch that keeps
 * the windows alive while the core works on the GUI thread. The program's entry point
 * installs one for the life of the main window. GUI thread only.
 */
#ifndef TALLYVOL_APP_UI_QTUSERINTERFACE_H
#define TALLYVOL_APP_UI_QTUSERINTERFACE_H

#include "app/ui/ProgressWindow.h"
#include "platform/ui/IUserInterface.h"

#include <QPointer>
#include <QWidget>

namespace app::ui {

class QtUserInterface : public platform::ui::IUserInterface {
public:
    QtUserInterface();
    ~QtUserInterface() override;
    QtUserInterface(const QtUserInterface&) = delete;
    QtUserInterface& operator=(const QtUserInterface&) = delete;

    // The window that owns boxes when no other window is active.
    void SetMainWindow(QWidget* window) { m_mainWindow = window; }

    int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
    void ShowErrorReport(const std::string& errorText, const std::string& systemInfo) override;
    int ShowSmartWarning(const std::string& text, bool* dontShowAgain) override;
    bool ConfirmMissingDirectory(const std::string& path, bool* dontAskAgain) override;
    bool RunDatabaseWizard() override;
    void ShowSplash() override;
    void SetWaitCursor(bool on) override;
    void DispatchPendingMessages() override;

    bool ProgressOpen(int captionStringId) override;
    void ProgressSetRange(int low, int high) override;
    void ProgressSetPosition(int position) override;
    void ProgressShowCounts(const std::string& directories, const std::string& files, const std::string& text,
                            const std::string& currentDirectory) override;
    void ProgressShowCurrentDirectory(const std::string& path) override;
    void ProgressShowText(const std::string& text) override;
    bool ProgressCancelRequested() override;
    void ProgressClose() override;

    // The progress window on screen, or null.
    ProgressWindow* Progress() const { return m_progress; }
    // Stops the scan in progress without asking (the main window is being closed).
    void CancelProgressWithoutAsking();

    // The implementation installed, or null when another one is.
    static QtUserInterface* Installed();

private:
    QWidget* ownerWindow() const;

    QPointer<QWidget> m_mainWindow;
    QPointer<ProgressWindow> m_progress;
    QPointer<QWidget> m_disabledOwner;
    bool m_cancelWithoutAsking = false;
    int m_waitDepth = 0;
    platform::ui::IUserInterface* m_previous = nullptr;
};

} // namespace app::ui

#endif

/*
 * The one way core code talks to a person. Core code never includes Qt: it calls this
 * interface, and the program installs the implementation that fits the run: the Qt windows
 * for an interactive run, the unattended implementation for automated runs (never blocks,
 * answers with the default button), and a scripted one in tests. Message-box flags and results
 * keep their Windows values so the program's logic reads as designed.
 *
 * Everything here is called on the program's main thread.
 */
#ifndef TALLYVOL_PLATFORM_UI_IUSERINTERFACE_H
#define TALLYVOL_PLATFORM_UI_IUSERINTERFACE_H

#include <string>

namespace platform::ui {

// ---- Message-box flags (combine with |) ----
inline constexpr unsigned MB_OK = 0x00000000;
inline constexpr unsigned MB_OKCANCEL = 0x00000001;
inline constexpr unsigned MB_YESNOCANCEL = 0x00000003;
inline constexpr unsigned MB_YESNO = 0x00000004;
inline constexpr unsigned MB_ICONERROR = 0x00000010;
inline constexpr unsigned MB_ICONQUESTION = 0x00000020;
inline constexpr unsigned MB_ICONEXCLAMATION = 0x00000030;
inline constexpr unsigned MB_ICONINFORMATION = 0x00000040;
inline constexpr unsigned MB_DEFBUTTON1 = 0x00000000;
inline constexpr unsigned MB_DEFBUTTON2 = 0x00000100;
inline constexpr unsigned MB_DEFBUTTON3 = 0x00000200;
inline constexpr unsigned MB_SETFOREGROUND = 0x00010000;
inline constexpr unsigned MB_SERVICE_NOTIFICATION = 0x00200000;

inline constexpr unsigned MB_TYPEMASK = 0x0000000F;
inline constexpr unsigned MB_ICONMASK = 0x000000F0;
inline constexpr unsigned MB_DEFMASK = 0x00000F00;

// ---- Results ----
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

// The result of pressing the default button of a box with these flags.
int DefaultButtonResult(unsigned flags);

class IUserInterface {
public:
    virtual ~IUserInterface() = default;

    // A modal message box; returns the button pressed (IDOK, IDCANCEL, IDYES, IDNO).
    virtual int MessageBox(const std::string& text, const std::string& caption, unsigned flags) = 0;

    // The problem-report window: the error text and the system information block.
    virtual void ShowErrorReport(const std::string& errorText, const std::string& systemInfo) = 0;

    // A warning with a "Don't show this message again" box. Returns IDOK or IDCANCEL and sets
    // *dontShowAgain to the box's state when the window closed.
    virtual int ShowSmartWarning(const std::string& text, bool* dontShowAgain) = 0;

    // The question asked before scanning a directory that does not exist ("Scan" or "Don't
    // Scan", with a "Don't ask again" box whose state goes to *dontAskAgain); true scans.
    virtual bool ConfirmMissingDirectory(const std::string& path, bool* dontAskAgain) = 0;

    // The database configuration wizard; true when it ended with Finish.
    virtual bool RunDatabaseWizard() = 0;

    virtual void ShowSplash() = 0;
    virtual void SetWaitCursor(bool on) = 0;
    // Handles every window event waiting on the main thread (the program's message pump).
    virtual void DispatchPendingMessages() = 0;

    // ---- The scan progress window (one at a time). Throttling is the caller's. ----
    // Opens the window with the caption of the string resource; false when it cannot be shown.
    virtual bool ProgressOpen(int captionStringId) = 0;
    virtual void ProgressSetRange(int low, int high) = 0;
    virtual void ProgressSetPosition(int position) = 0;
    // Counter texts (directories, files), the status text and the current directory.
    virtual void ProgressShowCounts(const std::string& directories, const std::string& files,
                                    const std::string& text, const std::string& currentDirectory) = 0;
    virtual void ProgressShowCurrentDirectory(const std::string& path) = 0;
    virtual void ProgressShowText(const std::string& text) = 0;
    // True once the user confirmed Stop.
    virtual bool ProgressCancelRequested() = 0;
    virtual void ProgressClose() = 0;
};

// The implementation in use; the unattended one until the program installs another.
IUserInterface& UI();
// Installs `ui` (not owned; nullptr restores the unattended default). Returns the previous one.
IUserInterface* SetUI(IUserInterface* ui);

// The wait cursor for the life of the object, restored on every path.
class WaitCursor {
public:
    WaitCursor() { UI().SetWaitCursor(true); }
    ~WaitCursor() { UI().SetWaitCursor(false); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace platform::ui

#endif

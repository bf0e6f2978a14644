/*
 * What the update check asks of the window that owns it: everything visible. The check itself
 * never touches a window; the main window implements this (the about box too, for its forced
 * check). Calls come on the thread that runs the check: the update check's worker thread, or
 * the GUI thread for the about box's request and the problem report's follow-up. An
 * implementation carries each call over to the GUI thread and returns when it is done there
 * (ShowMessage returns when the box has closed).
 */
#ifndef TALLYVOL_APP_IUPDATECHECKOWNER_H
#define TALLYVOL_APP_IUPDATECHECKOWNER_H

#include <string>

namespace app {

class IUpdateCheckOwner {
public:
    virtual ~IUpdateCheckOwner() = default;

    // Creates and shows the checking bar (template 178) with its first text line; the second
    // line and the check box's meaning are UpdateCheck's (kCheckingBarSecondLine,
    // DontShowCheckingBarAgain).
    virtual void ShowCheckingBar(const std::string& firstLine) = 0;
    // Destroys the checking bar; called once for every ShowCheckingBar.
    virtual void CloseCheckingBar() = 0;
    // A message box with the given flags (platform/ui values); returns the button pressed.
    virtual int ShowMessage(const std::string& text, const std::string& caption, unsigned flags) = 0;
};

} // namespace app

#endif

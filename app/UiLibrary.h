/*
 * The window library, libtallyvol-ui.so: every Qt window of the program. Only an interactive
 * start loads it (dlopen), so automated runs, cron jobs and --help never need Qt or a display,
 * and a server installed without the desktop package runs every automated job.
 *
 * The library exports one C entry point. It receives the application object and the main
 * dialog object that start-up made, installs its own user interface for the duration of the
 * call (platform::ui::SetUI), shows the splash screen and the main window modally, restores
 * the previous interface and returns the process's exit status. Main thread only.
 */
#ifndef TALLYVOL_APP_UILIBRARY_H
#define TALLYVOL_APP_UILIBRARY_H

#include <string>

namespace app {

class CTallyvol32App;
class CTallyvol32Dlg;

// The entry point's name and signature. `programName` is argv[0], for the toolkit.
inline constexpr const char* kUiEntryPoint = "TallyvolUiRun";
using UiEntryFunction = int (*)(CTallyvol32App* application, CTallyvol32Dlg* dialog, const char* programName);

class UiLibrary {
public:
    UiLibrary() = default;
    ~UiLibrary();
    UiLibrary(const UiLibrary&) = delete;
    UiLibrary& operator=(const UiLibrary&) = delete;

    // Loads the library: $TALLYVOL_UI_LIBRARY when set, else the installed or build-tree
    // location relative to the program. False with a reason when it is missing or broken.
    bool Load(std::string* error);
    // Runs the window; Load must have succeeded.
    int Run(CTallyvol32App& application, CTallyvol32Dlg& dialog, const char* programName);

    // Where the library is looked for, first match wins.
    static std::string CandidatePaths();

private:
    void* m_handle = nullptr;
    UiEntryFunction m_entry = nullptr;
};

} // namespace app

#endif

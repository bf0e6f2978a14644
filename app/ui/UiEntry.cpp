// The window library's entry point: the program calls it (after dlopen) for an interactive run.
#include "alerts/ui/windows/AlertWindows.h"
#include "app/CTallyvol32App.h"
#include "app/CTallyvol32Dlg.h"
#include "app/UiLibrary.h"
#include "app/base/DiagnosticLog.h"
#include "app/base/RunState.h"
#include "app/ui/BrandResources.h"
#include "app/ui/CSplashWnd.h"
#include "app/ui/MainWindow.h"
#include "app/ui/PreferencesWindows.h"
#include "app/ui/QtUserInterface.h"
#include "brand/Brand.h"
#include "dbconfig/ui/DatabaseWindows.h"
#include "reports/ui/ReportWindows.h"

#include <QApplication>

#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

bool isSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

bool displayAvailable() {
    return isSet("DISPLAY") || isSet("WAYLAND_DISPLAY") || isSet("QT_QPA_PLATFORM");
}

// Whether the X server named by DISPLAY answers. The toolkit ends the process when it cannot
// connect to its display, so an unreachable one is found out first. True when the X client
// library is missing or the toolkit will not use X: the toolkit decides then.
bool xServerAnswers() {
    if (!isSet("DISPLAY") || isSet("WAYLAND_DISPLAY") ||
        (isSet("QT_QPA_PLATFORM") && std::strncmp(std::getenv("QT_QPA_PLATFORM"), "xcb", 3) != 0)) {
        return true;
    }
    void* library = ::dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        return true;
    }
    using Connect = void* (*)(const char*, int*);
    using HasError = int (*)(void*);
    using Disconnect = void (*)(void*);
    auto connect = reinterpret_cast<Connect>(::dlsym(library, "xcb_connect"));
    auto hasError = reinterpret_cast<HasError>(::dlsym(library, "xcb_connection_has_error"));
    auto disconnect = reinterpret_cast<Disconnect>(::dlsym(library, "xcb_disconnect"));
    bool answers = true;
    if (connect != nullptr && hasError != nullptr && disconnect != nullptr) {
        void* connection = connect(nullptr, nullptr); // never null: an error state at worst
        answers = hasError(connection) == 0;
        disconnect(connection);
    }
    ::dlclose(library);
    return answers;
}

int runWindow(app::CTallyvol32Dlg& dialog, const char* programName) {
    // The toolkit keeps argc and argv for the life of the application object.
    static int argc = 1;
    static std::string name = programName != nullptr ? programName : "tallyvol";
    static char* argv[] = {name.data(), nullptr};
    std::unique_ptr<QApplication> application;
    if (QApplication::instance() == nullptr) {
        application = std::make_unique<QApplication>(argc, argv);
    }
    QApplication::setApplicationName(QString::fromUtf8(ProductName3218));
    QPixmap icon = app::ui::BrandPixmap(BRAND_RT_GROUP_ICON, app::ui::kMainIcon);
    if (!icon.isNull()) {
        QApplication::setWindowIcon(QIcon(icon));
    }

    app::ui::QtUserInterface userInterface;
    app::ui::InstallPreferencesWindows();
    reports::ui::InstallReportWindows();
    app::ui::CSplashWnd::EnableSplashScreen(true);
    {
        app::ui::MainWindow window(dialog);
        userInterface.SetMainWindow(&window);
        if (!app::ProgramEndRequested()) { // the user declined to go on while the store opened
            window.exec();
        }
    }
    app::ui::CSplashWnd::EnableSplashScreen(false);
    return 0;
}

} // namespace

extern "C" __attribute__((visibility("default"))) int TallyvolUiRun(app::CTallyvol32App* application,
                                                                   app::CTallyvol32Dlg* dialog, const char* programName) {
    static_assert(std::is_same_v<decltype(&TallyvolUiRun), app::UiEntryFunction>);
    if (application == nullptr || dialog == nullptr) {
        return 1;
    }
    if (!displayAvailable()) {
        std::fputs("The Tallyvol window needs a graphical display (DISPLAY or WAYLAND_DISPLAY is not set).\n", stderr);
        return 1;
    }
    if (!xServerAnswers()) {
        std::fprintf(stderr, "The Tallyvol window needs a graphical display: the display %s does not answer.\n",
                     std::getenv("DISPLAY"));
        return 1;
    }
    try {
        alerts::ui::InstallAlertWindows();
        dbconfig::ui::InstallDatabaseWindows();
        return runWindow(*dialog, programName);
    } catch (...) {
        TV_DEBUG_LOG("** Exception in dlg->DoModal()");
        return 1;
    }
}

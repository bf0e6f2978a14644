#include "alerts/EventLog.h"

#include "app/base/DiagnosticLog.h"
#include "logsink/LogSink.h"
#include "platform/system/BuildConfig.h"
#include "platform/system/Paths.h"

#include <dlfcn.h>

#include <cstdlib>
#include <vector>

namespace alerts {

namespace {

using LogErrorFunction = bool (*)(const char*);

struct LoadedLibrary {
    bool attempted = false;
    void* handle = nullptr;
    LogErrorFunction logError = nullptr;
};

LoadedLibrary& library() {
    static LoadedLibrary instance;
    return instance;
}

std::vector<std::string> candidatePaths() {
    std::vector<std::string> paths;
    if (const char* configured = std::getenv("TALLYVOL_LOGSINK_LIBRARY"); configured != nullptr && *configured) {
        paths.emplace_back(configured);
        return paths; // an explicit choice is not second-guessed
    }
    std::string programDirectory = platform::system::ProgramDirectory();
    if (!programDirectory.empty()) {
        std::string prefix = programDirectory.substr(0, programDirectory.rfind('/'));
        paths.push_back(prefix + "/lib/" + LOGSINK_LIBRARY_FILE);
        paths.push_back(prefix + "/" + platform::system::kInstalledLibraryDirectory + "/" + LOGSINK_LIBRARY_FILE);
    }
    paths.emplace_back(LOGSINK_LIBRARY_FILE);
    return paths;
}

void load(LoadedLibrary& loaded) {
    loaded.attempted = true;
    std::string lastError;
    for (const std::string& path : candidatePaths()) {
        void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) {
            const char* error = ::dlerror();
            lastError = error != nullptr ? error : path;
            continue;
        }
        auto function = reinterpret_cast<LogErrorFunction>(::dlsym(handle, LOGSINK_LOG_ERROR_SYMBOL));
        if (function == nullptr) {
            lastError = path + ": no " + LOGSINK_LOG_ERROR_SYMBOL;
            ::dlclose(handle);
            continue;
        }
        loaded.handle = handle;
        loaded.logError = function;
        return;
    }
    TV_DEBUG_LOG("The logsink library could not be loaded (%s)", lastError.c_str());
}

} // namespace

bool WriteEventLogError(const std::string& text) {
    LoadedLibrary& loaded = library();
    if (!loaded.attempted) {
        load(loaded);
    }
    return loaded.logError != nullptr && loaded.logError(text.c_str());
}

void ResetEventLogForTesting() {
    LoadedLibrary& loaded = library();
    if (loaded.handle != nullptr) {
        ::dlclose(loaded.handle);
    }
    loaded = LoadedLibrary{};
}

} // namespace alerts

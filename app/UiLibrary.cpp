#include "app/UiLibrary.h"

#include "app/base/DiagnosticLog.h"
#include "platform/system/BuildConfig.h"
#include "platform/system/Paths.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace app {

namespace {

std::vector<std::string> candidates() {
    if (const char* configured = std::getenv("TALLYVOL_UI_LIBRARY"); configured != nullptr && *configured != '\0') {
        return {configured};
    }
    std::string programDirectory = platform::system::ProgramDirectory();
    // Installed: <prefix>/bin/tallyvol beside <prefix>/<libdir>/tallyvol/; build tree: bin/ beside lib/.
    std::vector<std::string> paths{programDirectory + "/../" + platform::system::kInstalledLibraryDirectory +
                                   "/libtallyvol-ui.so"};
    if (std::string buildTree = programDirectory + "/../lib/libtallyvol-ui.so"; buildTree != paths.front()) {
        paths.push_back(buildTree);
    }
    return paths;
}

} // namespace

UiLibrary::~UiLibrary() {
    // Qt registers handlers and threads that may outlive a dlclose; the library stays mapped
    // until the process ends, as every toolkit expects.
    m_handle = nullptr;
}

std::string UiLibrary::CandidatePaths() {
    std::string text;
    for (const std::string& path : candidates()) {
        text += (text.empty() ? "" : ", ") + path;
    }
    return text;
}

bool UiLibrary::Load(std::string* error) {
    std::string reasons;
    for (const std::string& path : candidates()) {
        if (::access(path.c_str(), F_OK) != 0) {
            continue;
        }
        void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) {
            const char* why = ::dlerror();
            reasons += path + ": " + (why != nullptr ? why : "cannot be loaded") + "\n";
            continue;
        }
        auto entry = reinterpret_cast<UiEntryFunction>(::dlsym(handle, kUiEntryPoint));
        if (entry == nullptr) {
            reasons += path + ": not a Tallyvol window library (no " + kUiEntryPoint + ")\n";
            ::dlclose(handle);
            continue;
        }
        TV_DEBUG_LOG("Window library %s loaded", path.c_str());
        m_handle = handle;
        m_entry = entry;
        return true;
    }
    if (error != nullptr) {
        *error = reasons.empty() ? "not found (looked for " + CandidatePaths() + ")" : reasons;
    }
    return false;
}

int UiLibrary::Run(CTallyvol32App& application, CTallyvol32Dlg& dialog, const char* programName) {
    return m_entry != nullptr ? m_entry(&application, &dialog, programName) : 1;
}

} // namespace app

#include "app/base/RunState.h"

namespace app {

bool AutomatedScanInProgress = false;

namespace {
int g_dbSource = 0;
bool g_useSystemTimeFormat = true;
bool g_programEndRequested = false;
} // namespace

int CurrentDBSource() {
    return g_dbSource;
}

void SetCurrentDBSource(int kind) {
    g_dbSource = kind;
}

void RequestProgramEnd() {
    g_programEndRequested = true;
}

bool ProgramEndRequested() {
    return g_programEndRequested;
}

void ResetProgramEndRequestForTesting() {
    g_programEndRequested = false;
}

bool UseSystemTimeFormatFlag() {
    return g_useSystemTimeFormat;
}

void SetUseSystemTimeFormatFlag(bool on) {
    g_useSystemTimeFormat = on;
}

} // namespace app

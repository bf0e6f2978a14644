#include "app/base/RunState.h"

namespace app {

bool AutomatedScanInProgress = false;

namespace {
int g_dbSource = 0;
bool g_useSystemTimeFormat = true;
} // namespace

int CurrentDBSource() {
    return g_dbSource;
}

void SetCurrentDBSource(int kind) {
    g_dbSource = kind;
}

bool UseSystemTimeFormatFlag() {
    return g_useSystemTimeFormat;
}

void SetUseSystemTimeFormatFlag(bool on) {
    g_useSystemTimeFormat = on;
}

} // namespace app

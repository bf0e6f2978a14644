#include "app/ui/WindowHooks.h"

namespace app::ui {

WindowHooks& WindowHooks::Instance() {
    static WindowHooks hooks;
    return hooks;
}

} // namespace app::ui

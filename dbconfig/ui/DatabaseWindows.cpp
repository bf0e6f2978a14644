#include "dbconfig/ui/DatabaseWindows.h"

#include "app/ui/WindowHooks.h"
#include "dbconfig/ui/ConfigureDBSheet.h"

namespace dbconfig::ui {

void InstallDatabaseWindows() {
    app::ui::WindowHooks::Instance().databaseWizard = [] { return RunDatabaseWizard(); };
}

} // namespace dbconfig::ui

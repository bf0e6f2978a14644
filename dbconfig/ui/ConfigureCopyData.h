/*
 * The wizard's last page, "Copy Existing Data" (template 187): the old and the new connection
 * string, whether the old store's data can be copied into the new one, and the choice. Finish
 * here runs the wizard's Finish. GUI thread.
 */
#ifndef TALLYVOL_DBCONFIG_UI_CONFIGURECOPYDATA_H
#define TALLYVOL_DBCONFIG_UI_CONFIGURECOPYDATA_H

#include "dbconfig/ui/TemplateWizardPage.h"

#include <string>

class QLineEdit;

namespace dbconfig::ui {

// Shows a connection string from its beginning, its passwords hidden (a wizard is often
// looked at by more than one person); the whole string is the field's tip.
void ShowConnectionString(QLineEdit& field, const std::string& connectionString);

class ConfigureCopyData : public TemplateWizardPage {
    Q_OBJECT
public:
    static constexpr int kTemplate = 187;
    static constexpr int kOldConnectionString = 1351;
    static constexpr int kNewConnectionString = 1353;
    static constexpr int kExplanation = 1354;
    static constexpr int kCopyData = 1355;

    explicit ConfigureCopyData(ConfigureDBSheet& sheet);

    void OnSetActive() override;
    // Finish.
    bool OnWizardNext() override;
};

} // namespace dbconfig::ui

#endif

/*
 * The window of a warning the user can silence (template 164): the message and a "Don't show
 * this message again" box. Whether it is shown at all, and where the box's state is kept, is
 * the core's SmartWarning; this is only its face. GUI thread.
 */
#ifndef TALLYVOL_APP_UI_SMARTWARNINGDLG_H
#define TALLYVOL_APP_UI_SMARTWARNINGDLG_H

#include "app/ui/TemplateDialog.h"

#include <string>

namespace app::ui {

class SmartWarningDlg : public TemplateDialog {
    Q_OBJECT
public:
    static constexpr int kTemplate = 164;
    static constexpr int kMessage = 1119;
    static constexpr int kDontShowAgain = 1118;

    SmartWarningDlg(const std::string& text, QWidget* parent);

    void readControls() override;
    void pushControls() override;

    std::string m_text;
    bool m_dontShowAgain = false;

protected slots:
    void OnOK() override;
    void OnCancel() override;
};

} // namespace app::ui

#endif

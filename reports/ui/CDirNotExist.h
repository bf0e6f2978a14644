/*
 * The question asked before a scan of a root directory that does not exist (template 162):
 * "&Scan" or "&Don't Scan", with a "Don't ask again" box. The core decides whether to ask and
 * keeps the box's state in DontAskNonExistantDir; this is the window. GUI thread.
 */
#ifndef TALLYVOL_REPORTS_UI_CDIRNOTEXIST_H
#define TALLYVOL_REPORTS_UI_CDIRNOTEXIST_H

#include "app/ui/TemplateDialog.h"

namespace reports::ui {

class CDirNotExist : public app::ui::TemplateDialog {
    Q_OBJECT
public:
    static constexpr int kTemplate = 162;
    static constexpr int kQuestion = 1208;
    static constexpr int kDontAskAgain = 1207;

    explicit CDirNotExist(QWidget* parent);

    void readControls() override;

    bool m_dontAskAgain = false;

protected slots:
    void OnOK() override;
    void OnCancel() override;
};

} // namespace reports::ui

#endif

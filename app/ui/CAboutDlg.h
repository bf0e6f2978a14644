/*
 * The about box (template 100): the splash picture, "<product> Version <major>.<minor> (Build
 * <build>)", the support address and the home page as a link. Its update button (1096) runs the
 * about box's update check when one is installed in WindowHooks. GUI thread.
 */
#ifndef TALLYVOL_APP_UI_CABOUTDLG_H
#define TALLYVOL_APP_UI_CABOUTDLG_H

#include "app/ui/TemplateDialog.h"

namespace app::ui {

class CAboutDlg : public TemplateDialog {
    Q_OBJECT
public:
    static constexpr int kTemplate = 100;
    static constexpr int kPicture = 1211;
    static constexpr int kVersion = 1089;
    static constexpr int kEmail = 1070;
    static constexpr int kHomePage = 1060;
    static constexpr int kUpdateCheck = 1096;

    explicit CAboutDlg(QWidget* parent);

    // Opens the about box modally (the main window's context menu, the preferences).
    static void Show(QWidget* parent);

private slots:
    void OnUpdateCheck();
};

} // namespace app::ui

#endif

/*
 * The bar shown while the update check asks the vendor's web site for news (template 178): a
 * borderless strip just above the bottom of the desktop's work area, on a pale yellow ground,
 * with a progress bar that steps once a second, the two lines of text and "Don't show this
 * message", which silences the bar for good and hides it at once. The update check's owner
 * creates and destroys it on the GUI thread at the check's request. GUI thread.
 */
#ifndef TALLYVOL_APP_UI_CHECKINGFORUPDATESDLG_H
#define TALLYVOL_APP_UI_CHECKINGFORUPDATESDLG_H

#include "app/ui/TemplateDialog.h"

#include <QColor>
#include <QTimer>

#include <string>

class QProgressBar;

namespace app::ui {

class CheckingForUpdatesDlg : public TemplateDialog {
    Q_OBJECT
public:
    static constexpr int kTemplate = 178;
    static constexpr int kBar = 1038;
    static constexpr int kFirstLine = 1040;
    static constexpr int kSecondLine = 1039;
    static constexpr int kDontShow = 1118;
    static constexpr int kStepMilliseconds = 1000;
    static constexpr QColor kBackground{255, 255, 220};

    // Not shown yet; Open shows it in its place.
    explicit CheckingForUpdatesDlg(const std::string& firstLine);

    void Open();
    // Where the bar goes in a work area: centred, its bottom edge one pixel above the area's.
    static QPoint PlaceIn(const QRect& workArea, const QSize& size);

private slots:
    void OnTimer();
    void OnDontShow(bool checked);

private:
    QProgressBar* m_bar;
    QTimer m_timer;
};

} // namespace app::ui

#endif

/*
 * The splash screen of an interactive start: bitmap 154 in a thin-bordered window centred on
 * the screen for two seconds, gone earlier at the first key or mouse button pressed anywhere in
 * the application. Enabled once per process; shown by the main window when it opens. It
 * deletes itself and has the main window repainted. GUI thread.
 */
#ifndef TALLYVOL_APP_UI_CSPLASHWND_H
#define TALLYVOL_APP_UI_CSPLASHWND_H

#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace app::ui {

class CSplashWnd : public QWidget {
    Q_OBJECT
public:
    static constexpr int kDisplayMilliseconds = 2000;

    static void EnableSplashScreen(bool enable);
    // Shows the splash screen when enabled and none is showing; `repaintAfter` is repainted
    // when it goes. Returns it, or null.
    static CSplashWnd* ShowSplashScreen(QWidget* repaintAfter);
    // The splash screen on screen, or null.
    static CSplashWnd* Current();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    explicit CSplashWnd(QWidget* repaintAfter);
    ~CSplashWnd() override;
    void hideSplashScreen();

    QPixmap m_bitmap;
    QTimer m_timer;
    QPointer<QWidget> m_repaintAfter;
    bool m_hiding = false;
};

} // namespace app::ui

#endif

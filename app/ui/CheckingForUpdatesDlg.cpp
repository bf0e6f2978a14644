#include "app/ui/CheckingForUpdatesDlg.h"

#include "app/UpdateCheck.h"
#include "app/base/DiagnosticLog.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>

namespace app::ui {

CheckingForUpdatesDlg::CheckingForUpdatesDlg(const std::string& firstLine)
    : TemplateDialog(kTemplate, nullptr), m_bar(Control<QProgressBar>(kBar)) {
    // Owned by the desktop: no parent, no frame, no entry in the task bar, never taking the
    // focus from the window the user works in.
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus);
    setAttribute(Qt::WA_ShowWithoutActivating);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, kBackground);
    setPalette(palette);
    setAutoFillBackground(true);

    Control<QLabel>(kFirstLine)->setText(QString::fromStdString(firstLine));
    Control<QLabel>(kSecondLine)->setText(QString::fromUtf8(UpdateCheck::kCheckingBarSecondLine));
    m_bar->setRange(0, 10);
    m_bar->setValue(0);
    m_timer.setInterval(kStepMilliseconds);
    connect(&m_timer, &QTimer::timeout, this, &CheckingForUpdatesDlg::OnTimer);
    connect(Control<QCheckBox>(kDontShow), &QCheckBox::toggled, this, &CheckingForUpdatesDlg::OnDontShow);
}

QPoint CheckingForUpdatesDlg::PlaceIn(const QRect& workArea, const QSize& size) {
    return {workArea.left() + (workArea.width() - size.width()) / 2, workArea.bottom() - size.height()};
}

void CheckingForUpdatesDlg::Open() {
    adjustSize();
    QScreen* screen = QGuiApplication::primaryScreen();
    QRect workArea = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    move(PlaceIn(workArea, size()));
    m_timer.start();
    show();
}

void CheckingForUpdatesDlg::OnTimer() {
    // A full bar starts again from the beginning, as a stepped progress control does.
    int next = m_bar->value() + 1;
    m_bar->setValue(next > m_bar->maximum() ? m_bar->minimum() : next);
}

void CheckingForUpdatesDlg::OnDontShow(bool checked) {
    if (!checked) {
        return;
    }
    try {
        UpdateCheck::DontShowCheckingBarAgain();
    } catch (...) {
        TV_DEBUG_LOG("** Exception in CheckingForUpdatesDlg::OnDontShow\n");
    }
    m_timer.stop();
    hide();
}

} // namespace app::ui

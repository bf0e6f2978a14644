#include "app/ui/CSplashWnd.h"

#include "app/ui/BrandResources.h"
#include "brand/Brand.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QScreen>

namespace app::ui {

namespace {
bool g_enabled = false;
CSplashWnd* g_current = nullptr;
constexpr int kBorder = 1;
} // namespace

void CSplashWnd::EnableSplashScreen(bool enable) {
    g_enabled = enable;
}

CSplashWnd* CSplashWnd::Current() {
    return g_current;
}

CSplashWnd* CSplashWnd::ShowSplashScreen(QWidget* repaintAfter) {
    if (!g_enabled || g_current != nullptr) {
        return g_current;
    }
    auto* splash = new CSplashWnd(repaintAfter);
    if (splash->m_bitmap.isNull()) {
        delete splash;
        return nullptr;
    }
    splash->show();
    splash->raise();
    return splash;
}

CSplashWnd::CSplashWnd(QWidget* repaintAfter)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_bitmap(BrandPixmap(BRAND_RT_BITMAP, kSplashBitmap)), m_repaintAfter(repaintAfter) {
    g_current = this;
    setObjectName(QStringLiteral("CSplashWnd"));
    setAttribute(Qt::WA_DeleteOnClose);
    setCursor(Qt::ArrowCursor);
    QSize size = m_bitmap.size() / m_bitmap.devicePixelRatio() + QSize(2 * kBorder, 2 * kBorder);
    setFixedSize(size);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect area = screen->geometry();
        move(area.center() - QPoint(size.width() / 2, size.height() / 2));
    }
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &CSplashWnd::hideSplashScreen);
    m_timer.start(kDisplayMilliseconds);
    qApp->installEventFilter(this);
}

CSplashWnd::~CSplashWnd() {
    qApp->removeEventFilter(this);
    if (g_current == this) {
        g_current = nullptr;
    }
}

bool CSplashWnd::eventFilter(QObject*, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseButtonPress:
        hideSplashScreen();
        break;
    default:
        break;
    }
    return false;
}

void CSplashWnd::hideSplashScreen() {
    if (m_hiding) {
        return;
    }
    m_hiding = true;
    m_timer.stop();
    qApp->removeEventFilter(this);
    g_current = nullptr;
    hide();
    if (m_repaintAfter) {
        m_repaintAfter->update();
    }
    deleteLater();
}

void CSplashWnd::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(kBorder, kBorder, m_bitmap);
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(0, 0, width() - 1, height() - 1);
}

} // namespace app::ui

#include "app/ui/CStaticLink.h"

#include "app/base/DiagnosticLog.h"
#include "platform/shell/PendingOpen.h"
#include "platform/ui/IUserInterface.h"

#include <QMouseEvent>
#include <QPainter>

namespace app::ui {

namespace {
constexpr int kOpenerPollMilliseconds = 20;
}

CStaticLink::CStaticLink(QWidget* parent) : QLabel(parent) {
    setCursor(Qt::PointingHandCursor);
    setTextFormat(Qt::PlainText);
    m_openerPoll.setInterval(kOpenerPollMilliseconds);
    connect(&m_openerPoll, &QTimer::timeout, this, &CStaticLink::pollOpener);
}

CStaticLink::~CStaticLink() = default;

void CStaticLink::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        open();
    }
    QLabel::mouseReleaseEvent(event);
}

void CStaticLink::open() {
    if (!m_openAsAddress) {
        platform::ui::UI().MessageBox(Link().toStdString(), "Information",
                                      platform::ui::MB_OK | platform::ui::MB_ICONINFORMATION);
        return;
    }
    // The browser may take a while to come up: the window goes on painting meanwhile, and the
    // outcome always arrives from the event loop, never inside the click.
    m_opener = std::make_unique<platform::shell::PendingOpen>(Link().toStdString());
    m_openerPoll.start();
}

void CStaticLink::pollOpener() {
    std::optional<platform::shell::OpenResult> result = m_opener ? m_opener->Poll() : std::nullopt;
    if (!result) {
        return;
    }
    m_openerPoll.stop();
    m_opener.reset();
    bool opened = result->status == platform::shell::OpenStatus::kOpened;
    if (!opened) {
        TV_DEBUG_LOG("Opening %s failed: %s (%d)", Link().toUtf8().constData(), result->detail.c_str(), result->code);
    } else {
        m_color = kVisitedColor;
        update();
    }
    emit OpenFinished(opened);
}

void CStaticLink::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QFont underlined = font();
    underlined.setUnderline(true);
    painter.setFont(underlined);
    painter.setPen(m_color);
    painter.drawText(contentsRect(), static_cast<int>(alignment()) | Qt::TextSingleLine, text());
}

} // namespace app::ui

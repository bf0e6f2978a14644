#include "app/ui/CStaticLink.h"

#include "app/ui/ShellOpen.h"
#include "platform/ui/IUserInterface.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

namespace app::ui {

CStaticLink::CStaticLink(QWidget* parent) : QLabel(parent) {
    setCursor(Qt::PointingHandCursor);
    setTextFormat(Qt::PlainText);
}

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
    QPointer<CStaticLink> self(this);
    ShellOpen(Link(), [self](bool opened) {
        if (!self) {
            return;
        }
        if (opened) {
            self->m_color = kVisitedColor;
            self->update();
        }
        emit self->OpenFinished(opened);
    });
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

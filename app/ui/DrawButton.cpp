#include "app/ui/DrawButton.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include <algorithm>
#include <cmath>

namespace app::ui {

namespace {

constexpr double kStartAngle = 1.57075;
constexpr double kEndAngle = 3.1415;
constexpr int kShadeAmount = 80;
constexpr QColor kPressedFrame{140, 140, 140};
constexpr QColor kFrame{160, 160, 160};
constexpr QColor kCaption{0, 0, 128};

// The system colour behind a mode, lowered so that the shading never runs past white.
QColor shadeable(const QColor& color) {
    int highest = std::max({color.red(), color.green(), color.blue()});
    int lower = std::max(0, highest + kShadeAmount - 255);
    return QColor(std::max(0, color.red() - lower), std::max(0, color.green() - lower), std::max(0, color.blue() - lower));
}

} // namespace

DrawButton::DrawButton(QWidget* parent) : QPushButton(parent) {}

void DrawButton::SetColorMode(int mode) {
    if (mode < 0 || mode >= kModeCount || mode == m_colorMode) {
        return;
    }
    m_colorMode = mode;
    update();
}

QColor DrawButton::BaseColor(int mode) {
    QPalette palette = QApplication::palette();
    switch (mode) {
    case 1:
        return shadeable(palette.color(QPalette::Dark));
    case 2:
        return shadeable(palette.color(QPalette::Highlight).lighter(150));
    case 3:
        return shadeable(palette.color(QPalette::Highlight));
    default:
        return shadeable(palette.color(QPalette::Button));
    }
}

QColor DrawButton::FaceLineColor(const QColor& base, int line, int faceHeight) {
    double step = std::max(kStartAngle / std::max(faceHeight, 1), 0.0001);
    int add = static_cast<int>(std::sin(kStartAngle + step * line) * kShadeAmount);
    return QColor(std::clamp(base.red() + add, 0, 255), std::clamp(base.green() + add, 0, 255),
                  std::clamp(base.blue() + add, 0, 255));
}

void DrawButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int width = this->width();
    const int height = this->height();
    const bool pressed = isDown();

    // The face, one line per step of the angle from a quarter to a half turn.
    QColor base = BaseColor(m_colorMode);
    int faceHeight = height - 2;
    double step = std::max(kStartAngle / std::max(faceHeight, 1), 0.0001);
    int line = 0;
    for (double angle = kStartAngle; angle < kEndAngle && line < faceHeight; angle += step, ++line) {
        int y = (pressed ? 3 : 1) + line;
        if (y > height - 2) {
            break;
        }
        painter.setPen(FaceLineColor(base, line, faceHeight));
        painter.drawLine(1, y, width - 2, y);
    }

    if (pressed) {
        painter.setPen(kPressedFrame);
        painter.drawRect(0, 0, width - 1, height - 1);
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawLine(1, 1, width - 2, 1);
        painter.drawLine(1, 2, width - 2, 2);
        painter.drawLine(1, 1, 1, height - 2);
        painter.drawLine(2, 1, 2, height - 2);
    } else {
        painter.setPen(kFrame);
        painter.drawRect(0, 0, width - 1, height - 1);
    }

    QFont bold = font();
    bold.setBold(true);
    painter.setFont(bold);
    int flags = Qt::AlignCenter | Qt::TextShowMnemonic;
    flags |= text().contains(QLatin1Char('\n')) ? Qt::TextWordWrap : Qt::TextSingleLine;
    QRect textArea = rect();
    painter.setPen(Qt::white);
    painter.drawText(textArea.translated(1, 1), flags, text());
    painter.setPen(isEnabled() ? kCaption : palette().color(QPalette::Disabled, QPalette::ButtonText));
    painter.drawText(textArea, flags, text());

    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect().adjusted(4, 4, -4, -4);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

} // namespace app::ui

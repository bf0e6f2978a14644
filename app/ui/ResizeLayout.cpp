#include "app/ui/ResizeLayout.h"

#include <cmath>

namespace app::ui {

namespace {

int scaled(int edge, int initialSize, int newSize) {
    if (initialSize <= 0) {
        return edge;
    }
    return static_cast<int>(std::lround(static_cast<double>(edge) * newSize / initialSize));
}

} // namespace

void ResizeLayout::Add(QWidget* control, int horizontal, int vertical) {
    if (control != nullptr) {
        m_entries.push_back({control, control->geometry(), horizontal, vertical});
    }
}

std::pair<int, int> ResizeLayout::Edges(int nearEdge, int farEdge, int initialSize, int newSize, int flags) {
    int delta = newSize - initialSize;
    int nearResult = nearEdge;
    if ((flags & kKeepNear) == 0) {
        bool followsEdge = (flags & kKeepSize) != 0 && (flags & kMoveFar) != 0;
        nearResult = followsEdge ? nearEdge + delta : scaled(nearEdge, initialSize, newSize);
    }
    int farResult;
    if ((flags & kMoveFar) != 0) {
        farResult = farEdge + delta;
    } else if ((flags & kKeepSize) != 0) {
        farResult = nearResult + (farEdge - nearEdge);
    } else {
        farResult = scaled(farEdge, initialSize, newSize);
    }
    return {nearResult, std::max(nearResult, farResult)};
}

void ResizeLayout::Apply(QSize windowSize) const {
    for (const Entry& entry : m_entries) {
        if (!entry.control) {
            continue;
        }
        const QRect& r = entry.initial;
        auto [left, right] = Edges(r.left(), r.left() + r.width(), m_initial.width(), windowSize.width(), entry.horizontal);
        auto [top, bottom] = Edges(r.top(), r.top() + r.height(), m_initial.height(), windowSize.height(), entry.vertical);
        entry.control->setGeometry(left, top, right - left, bottom - top);
    }
}

} // namespace app::ui

/*
 * Moves and sizes a window's controls when the window is resized, by rules registered per
 * control and axis. Each rule combines three flags: kKeepNear keeps the left or top edge where
 * it was; kMoveFar moves the right or bottom edge with the window's; kKeepSize keeps the width
 * or height. Without kKeepNear the near edge moves with the window's edge when kKeepSize and
 * kMoveFar are both set, and is scaled by new size / initial size otherwise; without kMoveFar
 * and kKeepSize the far edge is scaled. Positions are relative to the initial layout, so
 * resizing back restores it exactly. GUI thread.
 */
#ifndef TALLYVOL_APP_UI_RESIZELAYOUT_H
#define TALLYVOL_APP_UI_RESIZELAYOUT_H

#include <QPointer>
#include <QRect>
#include <QSize>
#include <QWidget>

#include <utility>
#include <vector>

namespace app::ui {

class ResizeLayout {
public:
    enum Flag { kKeepSize = 1, kKeepNear = 2, kMoveFar = 4 };

    // The window's size the registered geometries belong to.
    void SetInitialSize(QSize size) { m_initial = size; }
    QSize InitialSize() const { return m_initial; }
    // Registers the control at its current geometry.
    void Add(QWidget* control, int horizontal, int vertical);
    void Apply(QSize windowSize) const;

    // One axis: the near and far edges (far exclusive) for a window of `newSize`.
    static std::pair<int, int> Edges(int nearEdge, int farEdge, int initialSize, int newSize, int flags);

private:
    struct Entry {
        QPointer<QWidget> control;
        QRect initial;
        int horizontal;
        int vertical;
    };
    QSize m_initial;
    std::vector<Entry> m_entries;
};

} // namespace app::ui

#endif

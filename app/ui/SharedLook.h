/*
 * The look every dialog of the program shares: a client area of solid light grey (red, green
 * and blue 235) on which static texts, check boxes and buttons draw without a background of
 * their own, while edit fields and lists keep the toolkit's colours. GUI thread.
 */
#ifndef TALLYVOL_APP_UI_SHAREDLOOK_H
#define TALLYVOL_APP_UI_SHAREDLOOK_H

#include <QColor>

class QWidget;

namespace app::ui {

inline constexpr QColor kDialogBackground{235, 235, 235};

void ApplySharedLook(QWidget& dialog);

} // namespace app::ui

#endif

/*
 * The window font stored in the settings as a 92-byte Windows font record, and applying it to
 * the main window: the font goes to the window and every control in it, and a bold italic copy
 * is kept for the process (the grid's headers take a bold one of their own). Fonts of Windows
 * that this desktop lacks ("MS Sans Serif") become the desktop's sans-serif font. GUI thread.
 */
#ifndef TALLYVOL_APP_UI_WINDOWFONT_H
#define TALLYVOL_APP_UI_WINDOWFONT_H

#include <QFont>

#include <cstdint>
#include <vector>

class QWidget;

namespace app::ui {

// A record of another size gives the application's default font.
QFont FontFromRecord(const std::vector<std::uint8_t>& record);
std::vector<std::uint8_t> RecordFromFont(const QFont& font);

// Applies the stored font to the main window and its descendants and re-runs its layout.
void ApplyFont(QWidget& mainWindow);
void ApplyFont(QWidget& mainWindow, const QFont& font);

// The process-wide pair made by the last ApplyFont.
QFont CurrentWindowFont();
QFont CurrentBoldItalicFont();

} // namespace app::ui

#endif

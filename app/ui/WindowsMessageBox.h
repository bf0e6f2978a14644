/*
 * A message box that behaves as the program's logic expects of one: the buttons, icon and
 * default button come from the Windows flags (MB_OKCANCEL, MB_ICONQUESTION, MB_DEFBUTTON2...)
 * and the result is the Windows identifier of the button pressed (IDOK, IDNO...). Escape and
 * the window's close button answer IDCANCEL where the box has Cancel, IDOK for a lone OK, and
 * do nothing for Yes/No. GUI thread.
 */
#ifndef TALLYVOL_APP_UI_WINDOWSMESSAGEBOX_H
#define TALLYVOL_APP_UI_WINDOWSMESSAGEBOX_H

#include <QMessageBox>

#include <string>

namespace app::ui {

class WindowsMessageBox : public QMessageBox {
    Q_OBJECT
public:
    WindowsMessageBox(const std::string& text, const std::string& caption, unsigned flags, QWidget* parent);

    // Runs the box modally (through RunModal) and returns the Windows result.
    int Run();

    // The Windows result of one of the box's buttons.
    static int ResultOf(QMessageBox::StandardButton button);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    bool m_canEscape = true;
};

} // namespace app::ui

#endif

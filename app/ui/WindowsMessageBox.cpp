#include "app/ui/WindowsMessageBox.h"

#include "app/ui/ModalRunner.h"
#include "platform/ui/IUserInterface.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QList>
#include <QPushButton>

namespace app::ui {

namespace ui = platform::ui;

WindowsMessageBox::WindowsMessageBox(const std::string& text, const std::string& caption, unsigned flags,
                                     QWidget* parent)
    : QMessageBox(parent) {
    setWindowTitle(QString::fromStdString(caption));
    setText(QString::fromStdString(text));
    setTextFormat(Qt::PlainText);
    switch (flags & ui::MB_ICONMASK) {
    case ui::MB_ICONERROR: setIcon(QMessageBox::Critical); break;
    case ui::MB_ICONQUESTION: setIcon(QMessageBox::Question); break;
    case ui::MB_ICONEXCLAMATION: setIcon(QMessageBox::Warning); break;
    case ui::MB_ICONINFORMATION: setIcon(QMessageBox::Information); break;
    default: setIcon(QMessageBox::NoIcon); break;
    }

    QList<StandardButton> buttons;
    StandardButton escape = NoButton;
    switch (flags & ui::MB_TYPEMASK) {
    case ui::MB_OKCANCEL: buttons = {Ok, Cancel}; escape = Cancel; break;
    case ui::MB_YESNOCANCEL: buttons = {Yes, No, Cancel}; escape = Cancel; break;
    case ui::MB_YESNO: buttons = {Yes, No}; break;
    default: buttons = {Ok}; escape = Ok; break;
    }
    for (StandardButton button : buttons) {
        addButton(button);
    }
    auto defaultIndex = static_cast<qsizetype>((flags & ui::MB_DEFMASK) >> 8);
    setDefaultButton(buttons.value(defaultIndex < buttons.size() ? defaultIndex : 0));
    m_canEscape = escape != NoButton;
    if (m_canEscape) {
        setEscapeButton(escape);
    }
    if ((flags & (ui::MB_SETFOREGROUND | ui::MB_SERVICE_NOTIFICATION)) != 0) {
        setWindowFlag(Qt::WindowStaysOnTopHint);
    }
}

int WindowsMessageBox::ResultOf(QMessageBox::StandardButton button) {
    switch (button) {
    case Yes: return ui::IDYES;
    case No: return ui::IDNO;
    case Cancel: return ui::IDCANCEL;
    default: return ui::IDOK;
    }
}

int WindowsMessageBox::Run() {
    RunModal(*this);
    QAbstractButton* pressed = clickedButton();
    if (pressed == nullptr) {
        // Closed without a button (only possible where escaping is allowed).
        pressed = escapeButton() != nullptr ? escapeButton() : static_cast<QAbstractButton*>(defaultButton());
    }
    return ResultOf(standardButton(pressed));
}

void WindowsMessageBox::keyPressEvent(QKeyEvent* event) {
    if (!m_canEscape && event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QMessageBox::keyPressEvent(event);
}

void WindowsMessageBox::closeEvent(QCloseEvent* event) {
    if (!m_canEscape && clickedButton() == nullptr) {
        event->ignore();
        return;
    }
    QMessageBox::closeEvent(event);
}

} // namespace app::ui

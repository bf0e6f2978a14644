/*
 * Every modal window of the program runs through RunModal, so that one observer can see each
 * of them once it is on screen. Tests install an observer that reads the window and answers
 * it by pressing its buttons; the program installs none. GUI thread.
 */
#ifndef TALLYVOL_APP_UI_MODALRUNNER_H
#define TALLYVOL_APP_UI_MODALRUNNER_H

#include <functional>

class QDialog;

namespace app::ui {

using ModalObserver = std::function<void(QDialog&)>;

// Installs the observer (an empty one removes it); returns the previous one.
ModalObserver SetModalObserver(ModalObserver observer);

// exec() of the dialog; the observer, if any, is called once the dialog's event loop runs.
int RunModal(QDialog& dialog);

} // namespace app::ui

#endif

/*
 * What the window tests share: an isolated program home with the brand library as resource
 * source and the Qt user interface installed (UiTestEnvironment), a script that answers the
 * modal windows the code under test opens (DialogScript), and small helpers to find controls
 * by their template identifier and to build directory trees. GUI thread.
 */
#ifndef TALLYVOL_TESTS_UI_SUPPORT_UITESTSUPPORT_H
#define TALLYVOL_TESTS_UI_SUPPORT_UITESTSUPPORT_H

#include "app/ui/ModalRunner.h"
#include "app/ui/QtUserInterface.h"
#include "tests/support/IsolatedEnvironment.h"
#include "tests/support/TempDirectory.h"

#include <QByteArray>
#include <QDialog>
#include <QMessageBox>
#include <QString>
#include <QWidget>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace uitest {

// A control of a window by its template identifier ("id<number>"), or null.
template <typename T> T* ControlOf(const QWidget& window, int id) {
    return window.findChild<T*>(QStringLiteral("id%1").arg(id));
}

class UiTestEnvironment {
public:
    UiTestEnvironment();
    ~UiTestEnvironment();

    testsupport::IsolatedEnvironment& Env() { return *m_env; }
    app::ui::QtUserInterface& UI() { return *m_ui; }
    // The store file the first window start sets up.
    std::string StoreFile() const;

private:
    std::unique_ptr<testsupport::IsolatedEnvironment> m_env;
    std::unique_ptr<app::ui::QtUserInterface> m_ui;
};

// One modal window as the script saw it.
struct SeenDialog {
    QString objectName; // "dlg164", or "QMessageBox"
    QString title;
    QString text;       // a message box's text, else the text of the dialog's labels joined by "\n"
};

// Answers modal windows in the order they open; each answer gets the live window. A window
// opened with no answer left is closed as Cancel, and recorded as unexpected.
class DialogScript {
public:
    using Answer = std::function<void(QDialog&)>;

    DialogScript();
    ~DialogScript();

    DialogScript& Then(Answer answer);
    // Presses the message box's button.
    DialogScript& ThenPress(QMessageBox::StandardButton button);
    // Sets the check box `checkId`, then clicks button `buttonId` of a template dialog.
    DialogScript& ThenCheckAndClick(int checkId, bool checked, int buttonId);
    DialogScript& ThenClick(int buttonId);

    const std::vector<SeenDialog>& Seen() const { return m_seen; }
    int Unexpected() const { return m_unexpected; }
    bool Done() const { return m_answers.empty(); }

private:
    void onShown(QDialog& dialog);

    std::deque<Answer> m_answers;
    std::vector<SeenDialog> m_seen;
    int m_unexpected = 0;
    app::ui::ModalObserver m_previous;
};

// Processes events until the condition holds or the time is over; returns the condition.
bool WaitFor(const std::function<bool()>& condition, int milliseconds = 5000);

// Puts an xdg-open of the test's own first on PATH for the life of the object: it writes its
// argument to OpenedFile() and exits with `status`.
class FakeOpener {
public:
    explicit FakeOpener(int status = 0);
    ~FakeOpener();
    std::string OpenedFile() const;
    std::string Opened() const; // the argument, or empty when nothing was opened yet

private:
    std::unique_ptr<testsupport::TempDirectory> m_directory;
    QByteArray m_savedPath;
};

// A directory tree for scans: `directories` subdirectories of `root`, each holding `files`
// files of `bytes` bytes (sparse).
void MakeTree(const std::string& root, int directories, int files, std::uint64_t bytes);

} // namespace uitest

#endif

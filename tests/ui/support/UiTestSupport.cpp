#include "app/CTallyvol32App.h"
#include "tests/ui/support/UiTestSupport.h"

#include "app/base/DiagnosticLog.h"
#include "brand/Brand.h"
#include "platform/system/Resources.h"
#include "tests/support/TempDirectory.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QThread>

#include <sys/stat.h>

namespace uitest {

UiTestEnvironment::UiTestEnvironment() : m_env(std::make_unique<testsupport::IsolatedEnvironment>()) {
    platform::system::SetResourceModule(BrandResources, BrandResourceCount);
    app::InstallStartupServices();
    m_ui = std::make_unique<app::ui::QtUserInterface>();
}

UiTestEnvironment::~UiTestEnvironment() {
    m_ui.reset();
    m_env.reset();
}

std::string UiTestEnvironment::StoreFile() const {
    return m_env->Home() + "/" + AccessDBFile;
}

DialogScript::DialogScript() {
    m_previous = app::ui::SetModalObserver([this](QDialog& dialog) { onShown(dialog); });
}

DialogScript::~DialogScript() {
    app::ui::SetModalObserver(std::move(m_previous));
}

DialogScript& DialogScript::Then(Answer answer) {
    m_answers.push_back(std::move(answer));
    return *this;
}

DialogScript& DialogScript::ThenPress(QMessageBox::StandardButton button) {
    return Then([button](QDialog& dialog) {
        auto* box = qobject_cast<QMessageBox*>(&dialog);
        if (box != nullptr && box->button(button) != nullptr) {
            box->button(button)->click();
        } else {
            dialog.reject();
        }
    });
}

DialogScript& DialogScript::ThenCheckAndClick(int checkId, bool checked, int buttonId) {
    return Then([checkId, checked, buttonId](QDialog& dialog) {
        if (auto* check = ControlOf<QCheckBox>(dialog, checkId)) {
            check->setChecked(checked);
        }
        if (auto* button = ControlOf<QAbstractButton>(dialog, buttonId)) {
            button->click();
        } else {
            dialog.reject();
        }
    });
}

DialogScript& DialogScript::ThenClick(int buttonId) {
    return Then([buttonId](QDialog& dialog) {
        if (auto* button = ControlOf<QAbstractButton>(dialog, buttonId)) {
            button->click();
        } else {
            dialog.reject();
        }
    });
}

void DialogScript::onShown(QDialog& dialog) {
    SeenDialog seen;
    seen.objectName = qobject_cast<QMessageBox*>(&dialog) != nullptr ? QStringLiteral("QMessageBox") : dialog.objectName();
    seen.title = dialog.windowTitle();
    if (auto* box = qobject_cast<QMessageBox*>(&dialog)) {
        seen.text = box->text();
    } else {
        QStringList texts;
        for (QLabel* label : dialog.findChildren<QLabel*>()) {
            if (!label->text().isEmpty()) {
                texts.append(label->text());
            }
        }
        seen.text = texts.join(QLatin1Char('\n'));
    }
    m_seen.push_back(seen);
    if (m_answers.empty()) {
        ++m_unexpected;
        dialog.reject();
        return;
    }
    Answer answer = std::move(m_answers.front());
    m_answers.pop_front();
    answer(dialog);
}

bool WaitFor(const std::function<bool()>& condition, int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > milliseconds) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        // Tests run outside an event loop, where deleteLater() would wait for ever.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QThread::msleep(5);
    }
    return true;
}

FakeOpener::FakeOpener(int status) : m_directory(std::make_unique<testsupport::TempDirectory>()) {
    std::string script = *m_directory / "bin/xdg-open";
    testsupport::WriteFile(script, "#!/bin/sh\nprintf '%s' \"$1\" > \"" + OpenedFile() + "\"\nexit " +
                                       std::to_string(status) + "\n");
    ::chmod(script.c_str(), 0755);
    m_savedPath = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString(*m_directory / "bin") + ":" + m_savedPath);
}

FakeOpener::~FakeOpener() {
    qputenv("PATH", m_savedPath);
}

std::string FakeOpener::OpenedFile() const {
    return *m_directory / "opened";
}

std::string FakeOpener::Opened() const {
    return testsupport::FileExists(OpenedFile()) ? testsupport::ReadFile(OpenedFile()) : std::string();
}

void MakeTree(const std::string& root, int directories, int files, std::uint64_t bytes) {
    testsupport::MakeDirectories(root);
    for (int d = 0; d < directories; ++d) {
        std::string directory = root + "/dir" + std::to_string(d);
        testsupport::MakeDirectories(directory);
        for (int f = 0; f < files; ++f) {
            testsupport::WriteSizedFile(directory + "/file" + std::to_string(f) + ".dat", bytes);
        }
    }
}

} // namespace uitest

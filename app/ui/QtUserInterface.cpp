#include "app/ui/QtUserInterface.h"

#include "app/base/DiagnosticLog.h"
#include "app/ui/CSplashWnd.h"
#include "app/ui/ProgressWindow.h"
#include "app/ui/SmartWarningDlg.h"
#include "app/ui/WindowHooks.h"
#include "app/ui/WindowsMessageBox.h"
#include "brand/Brand.h"
#include "reports/ui/CDirNotExist.h"

#include <QApplication>
#include <QCoreApplication>

namespace app::ui {

namespace ui = platform::ui;

namespace {
QtUserInterface* g_installed = nullptr;
} // namespace

QtUserInterface::QtUserInterface() {
    m_previous = ui::SetUI(this);
    g_installed = this;
}

QtUserInterface::~QtUserInterface() {
    ProgressClose();
    while (m_waitDepth > 0) {
        SetWaitCursor(false);
    }
    if (g_installed == this) {
        g_installed = nullptr;
    }
    ui::SetUI(m_previous);
}

QtUserInterface* QtUserInterface::Installed() {
    return g_installed;
}

QWidget* QtUserInterface::ownerWindow() const {
    if (QWidget* modal = QApplication::activeModalWidget()) {
        return modal;
    }
    if (QWidget* active = QApplication::activeWindow()) {
        return active;
    }
    return m_mainWindow;
}

int QtUserInterface::MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
    WindowsMessageBox box(text, caption, flags, ownerWindow());
    return box.Run();
}

void QtUserInterface::ShowErrorReport(const std::string& errorText, const std::string& systemInfo) {
    WriteLogLine(errorText);
    if (WindowHooks::Instance().errorReport) {
        WindowHooks::Instance().errorReport(errorText, systemInfo);
        return;
    }
    WindowsMessageBox box(errorText, ProductName3218, ui::MB_OK | ui::MB_ICONERROR, ownerWindow());
    box.setDetailedText(QString::fromStdString(systemInfo));
    box.Run();
}

int QtUserInterface::ShowSmartWarning(const std::string& text, bool* dontShowAgain) {
    SmartWarningDlg warning(text, ownerWindow());
    int result = warning.Exec();
    if (dontShowAgain != nullptr) {
        *dontShowAgain = warning.m_dontShowAgain;
    }
    return result;
}

bool QtUserInterface::ConfirmMissingDirectory(const std::string&, bool* dontAskAgain) {
    reports::ui::CDirNotExist question(ownerWindow());
    bool scan = question.Exec() == ui::IDOK;
    if (dontAskAgain != nullptr) {
        *dontAskAgain = question.m_dontAskAgain;
    }
    return scan;
}

bool QtUserInterface::RunDatabaseWizard() {
    if (WindowHooks::Instance().databaseWizard) {
        return WindowHooks::Instance().databaseWizard();
    }
    TV_DEBUG_LOG("The database configuration wizard is not part of this window library");
    return false;
}

void QtUserInterface::ShowSplash() {
    CSplashWnd::ShowSplashScreen(m_mainWindow);
}

void QtUserInterface::SetWaitCursor(bool on) {
    if (on) {
        if (m_waitDepth++ == 0) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
        }
    } else if (m_waitDepth > 0 && --m_waitDepth == 0) {
        QApplication::restoreOverrideCursor();
    }
}

void QtUserInterface::DispatchPendingMessages() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool QtUserInterface::ProgressOpen(int captionStringId) {
    ProgressClose();
    m_cancelWithoutAsking = false;
    QWidget* owner = ownerWindow();
    QWidget* topLevel = owner != nullptr ? owner->window() : nullptr;
    if (topLevel != nullptr && topLevel->isEnabled()) {
        topLevel->setEnabled(false);
        m_disabledOwner = topLevel;
    }
    try {
        m_progress = new ProgressWindow(captionStringId, topLevel);
    } catch (...) {
        TV_DEBUG_LOG("** Exception in CProgressDlg::Create\n");
        if (m_disabledOwner) {
            m_disabledOwner->setEnabled(true);
        }
        m_disabledOwner = nullptr;
        return false;
    }
    // A window is not disabled with its owner once enabled on its own.
    m_progress->setEnabled(true);
    m_progress->show();
    m_progress->raise();
    return true;
}

void QtUserInterface::ProgressSetRange(int low, int high) {
    if (m_progress) {
        m_progress->SetRange(low, high);
    }
}

void QtUserInterface::ProgressSetPosition(int position) {
    if (m_progress) {
        m_progress->SetPosition(position);
    }
}

void QtUserInterface::ProgressShowCounts(const std::string& directories, const std::string& files,
                                         const std::string& text, const std::string& currentDirectory) {
    if (m_progress) {
        m_progress->ShowCounts(QString::fromStdString(directories), QString::fromStdString(files),
                               QString::fromStdString(text), QString::fromStdString(currentDirectory));
    }
}

void QtUserInterface::ProgressShowCurrentDirectory(const std::string& path) {
    if (m_progress) {
        m_progress->ShowCurrentDirectory(QString::fromStdString(path));
    }
}

void QtUserInterface::ProgressShowText(const std::string& text) {
    if (m_progress) {
        m_progress->ShowText(QString::fromStdString(text));
    }
}

bool QtUserInterface::ProgressCancelRequested() {
    return m_cancelWithoutAsking || (m_progress && m_progress->CancelRequested());
}

void QtUserInterface::CancelProgressWithoutAsking() {
    m_cancelWithoutAsking = true;
    if (m_progress) {
        m_progress->RequestCancel();
    }
}

void QtUserInterface::ProgressClose() {
    if (m_disabledOwner) {
        m_disabledOwner->setEnabled(true);
    }
    m_disabledOwner = nullptr;
    delete m_progress.data();
    m_progress = nullptr;
}

} // namespace app::ui

#include "app/ui/ErrorDlg.h"

#include "app/base/DiagnosticLog.h"
#include "app/ui/BackgroundCall.h"
#include "app/ui/UpdateCheckController.h"
#include "platform/ui/IUserInterface.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace app::ui {

namespace ui = platform::ui;

ErrorDlg::ErrorDlg(std::string errorText, std::string systemInfo, QWidget* parent)
    : TemplateDialog(kTemplate, parent), m_errorText(std::move(errorText)), m_systemInfo(std::move(systemInfo)) {
    pushControls();
    Control<QLineEdit>(kEmail)->setFocus();
}

void ErrorDlg::Show(const std::string& errorText, const std::string& systemInfo) {
    QWidget* parent = QApplication::activeModalWidget();
    if (parent == nullptr) {
        parent = QApplication::activeWindow();
    }
    ErrorDlg dialog(errorText, systemInfo, parent);
    dialog.Exec();
}

void ErrorDlg::readControls() {
    m_email = Control<QLineEdit>(kEmail)->text().toStdString();
}

void ErrorDlg::pushControls() {
    // The texts use CR LF line ends; the boxes show plain lines.
    auto lines = [](const std::string& text) {
        return QString::fromStdString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    };
    Control<QPlainTextEdit>(kErrorText)->setPlainText(lines(m_errorText));
    Control<QPlainTextEdit>(kSystemInfo)->setPlainText(lines(m_systemInfo));
    Control<QLineEdit>(kEmail)->setText(QString::fromStdString(m_email));
}

void ErrorDlg::OnOK() {
    if (m_sending) {
        return;
    }
    try {
        readControls();
        auto* send = Control<QAbstractButton>(1);
        send->setEnabled(false);
        m_sending = true;
        ProblemReportOutcome outcome;
        RunWhileResponsive([this, &outcome] { outcome = m_sender.Send(m_errorText, m_systemInfo, m_email); });
        m_sending = false;
        send->setEnabled(true);
        if (m_closing) {
            return; // cancelled while sending
        }
        if (!outcome.failure.empty()) {
            TV_DEBUG_LOG("The problem report was not sent: %s", outcome.failure.c_str());
        }
        bool yes = ui::UI().MessageBox(outcome.question, outcome.caption, outcome.flags) == ui::IDYES;
        if (yes) {
            UpdateCheckController* mainWindow = UpdateCheckController::OfMainWindow();
            if (outcome.kind == ProblemReportOutcome::kSentWithAnswer || mainWindow == nullptr) {
                ProblemReportSender::FollowUp(outcome, true, nullptr);
            } else {
                mainWindow->DownloadSettings();
            }
        }
        if (outcome.closesWindow) {
            TemplateDialog::OnOK();
        }
    } catch (...) {
        m_sending = false;
        TV_DEBUG_LOG("** Exception in ErrorDlg::OnOK\n");
    }
}

void ErrorDlg::OnCancel() {
    if (m_closing) {
        return;
    }
    try {
        int answer = ui::UI().MessageBox(ProblemReportSender::kConfirmCancelText,
                                         ProblemReportSender::kConfirmCancelCaption, ui::MB_YESNO | ui::MB_ICONQUESTION);
        if (answer == ui::IDNO) {
            return;
        }
    } catch (...) {
        TV_DEBUG_LOG("** Exception in ErrorDlg::OnCancel\n");
    }
    m_closing = true;
    if (m_sending) {
        m_sender.Cancel();
    }
    TemplateDialog::OnCancel();
}

} // namespace app::ui

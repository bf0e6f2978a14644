/*
 * The problem report window (template 191): what the program was doing and the error's
 * details, a block of system information and the user's optional e-mail address. Send posts
 * the report to the vendor's web server through ProblemReportSender on a helper thread, so the
 * window stays responsive and a server that never answers ends, within the sender's time-out,
 * in the "Error" question; the answer's address is only ever shown as text in the "Success"
 * question and opened after Yes. Cancel, Escape and the close button ask "Confirm Cancel";
 * only No keeps the window. GUI thread.
 */
#ifndef TALLYVOL_APP_UI_ERRORDLG_H
#define TALLYVOL_APP_UI_ERRORDLG_H

#include "app/ProblemReportSender.h"
#include "app/ui/TemplateDialog.h"

#include <string>

namespace app::ui {

class ErrorDlg : public TemplateDialog {
    Q_OBJECT
public:
    static constexpr int kTemplate = 191;
    static constexpr int kErrorText = 1243;
    static constexpr int kSystemInfo = 1204;
    static constexpr int kEmail = 1241;

    ErrorDlg(std::string errorText, std::string systemInfo, QWidget* parent);

    void readControls() override;
    void pushControls() override;

    // Shows the window modally over the active window (the problem report of interactive runs).
    static void Show(const std::string& errorText, const std::string& systemInfo);

    bool Sending() const { return m_sending; }

    std::string m_errorText;
    std::string m_systemInfo;
    std::string m_email;

protected slots:
    void OnOK() override;
    void OnCancel() override;

private:
    ProblemReportSender m_sender;
    bool m_sending = false;
    bool m_closing = false;
};

} // namespace app::ui

#endif

/*
 * The progress window of the database copy, "Database Copy Progress" (template 188): the table
 * being copied, a bar over its rows and Cancel. It exists while the copy runs, shown beside the
 * wizard and blocking it (window-modal, yet the copy goes on: it is never exec'd). The copy
 * drives it through ICopyProgress and lets it handle its events every 20 rows; Cancel (also
 * Escape and the close button) asks first, and a confirmed Cancel is seen by the copy before its
 * next row. The store's path upgrade shows the same layout titled "Upgrade Progress", with
 * Cancel disabled. GUI thread.
 */
#ifndef TALLYVOL_DBCONFIG_UI_COPYDATABASEDLG_H
#define TALLYVOL_DBCONFIG_UI_COPYDATABASEDLG_H

#include "app/ui/TemplateDialog.h"
#include "dbconfig/ICopyProgress.h"

#include <cstdint>

class QLabel;
class QProgressBar;

namespace dbconfig::ui {

class CopyDatabaseDlg : public app::ui::TemplateDialog, public ICopyProgress {
    Q_OBJECT
public:
    static constexpr int kTemplate = 188;
    static constexpr int kText = 1360;
    static constexpr int kBar = 1361;
    static constexpr int kCancel = 2;

    // Shows the window over `owner` at once.
    explicit CopyDatabaseDlg(QWidget* owner);

    void ShowText(const std::string& text) override;
    void SetRange(std::int64_t rows) override;
    void StepIt() override;
    void ProcessMessages() override;
    bool CancelRequested() override { return m_cancel; }

    // The path upgrade's use: another title, and nothing to cancel.
    void SetUpgradeMode();
    // Shows the text and leaves the bar as it is.
    void ShowStatus(const std::string& text);

protected slots:
    void OnCancel() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void showPosition();

    QLabel* m_text;
    QProgressBar* m_bar;
    std::int64_t m_rows = 0;
    std::int64_t m_position = 0;
    std::int64_t m_rowsPerUnit = 1; // the bar's range is an int; huge tables are scaled
    bool m_cancel = false;
    bool m_asking = false;
    bool m_cancelAllowed = true;
};

} // namespace dbconfig::ui

#endif

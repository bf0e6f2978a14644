/*
 * The scan progress window (template 103, modeless): the bar, the directory and file counters,
 * a status text and the directory being scanned, and Stop. The core's CProgressDlg drives it
 * through the user interface and decides how often it is updated. Stop (also Escape and the
 * window's close button) asks "Are you sure you want to stop the scan?" through the core's
 * silenceable warning "CancelScan"; a confirmed or silenced warning sets the cancel flag, and
 * the window stays until the scanner closes it. GUI thread.
 */
#ifndef TALLYVOL_APP_UI_PROGRESSWINDOW_H
#define TALLYVOL_APP_UI_PROGRESSWINDOW_H

#include "app/ui/TemplateDialog.h"

#include <QString>

class QLabel;
class QProgressBar;

namespace app::ui {

class ProgressWindow : public TemplateDialog {
    Q_OBJECT
public:
    static constexpr int kTemplate = 103;
    static constexpr int kBar = 1003;
    static constexpr int kDirectories = 1005;
    static constexpr int kFiles = 1038;
    static constexpr int kText = 1154;
    static constexpr int kCurrentDirectory = 1155;

    ProgressWindow(int captionStringId, QWidget* parent);

    void SetRange(int low, int high);
    void SetPosition(int position);
    void ShowCounts(const QString& directories, const QString& files, const QString& text,
                    const QString& currentDirectory);
    void ShowCurrentDirectory(const QString& path);
    void ShowText(const QString& text);

    bool CancelRequested() const { return m_cancel; }
    // Sets the cancel flag without asking (the main window is being closed).
    void RequestCancel() { m_cancel = true; }

protected slots:
    void OnCancel() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Shows the text, shortened in the middle to the label's width; the whole text is its tip.
    static void setElidedText(QLabel& label, const QString& text);

    QProgressBar* m_bar;
    QLabel* m_directories;
    QLabel* m_files;
    QLabel* m_text;
    QLabel* m_currentDirectory;
    bool m_cancel = false;
    bool m_asking = false;
};

} // namespace app::ui

#endif

#include "app/ui/ProgressWindow.h"

#include "app/base/SmartWarning.h"
#include "app/ui/BrandResources.h"
#include "platform/ui/IUserInterface.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>

#include <algorithm>

namespace app::ui {

ProgressWindow::ProgressWindow(int captionStringId, QWidget* parent)
    : TemplateDialog(kTemplate, parent), m_bar(Control<QProgressBar>(kBar)), m_directories(Control<QLabel>(kDirectories)),
      m_files(Control<QLabel>(kFiles)), m_text(Control<QLabel>(kText)),
      m_currentDirectory(Control<QLabel>(kCurrentDirectory)) {
    setWindowTitle(BrandString(captionStringId));
    setModal(false);
    // Long paths must not widen the window: they are shortened in the middle instead.
    for (QLabel* label : {m_text, m_currentDirectory}) {
        label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    }
    QString scanning = BrandString(kScanningString);
    if (!scanning.isEmpty()) {
        m_text->setText(scanning);
    }
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
}

void ProgressWindow::SetRange(int low, int high) {
    m_bar->setRange(low, std::max(low, high));
}

void ProgressWindow::SetPosition(int position) {
    // The bar stops at its end: a tree can gain directories after it was counted.
    m_bar->setValue(std::clamp(position, m_bar->minimum(), m_bar->maximum()));
}

void ProgressWindow::ShowCounts(const QString& directories, const QString& files, const QString& text,
                                const QString& currentDirectory) {
    m_directories->setText(directories);
    m_files->setText(files);
    setElidedText(*m_text, text);
    setElidedText(*m_currentDirectory, currentDirectory);
}

void ProgressWindow::ShowCurrentDirectory(const QString& path) {
    setElidedText(*m_currentDirectory, path);
}

void ProgressWindow::ShowText(const QString& text) {
    setElidedText(*m_text, text);
}

void ProgressWindow::setElidedText(QLabel& label, const QString& text) {
    label.setToolTip(text);
    label.setText(label.fontMetrics().elidedText(text, Qt::ElideMiddle, std::max(label.width(), 100)));
}

void ProgressWindow::OnCancel() {
    if (m_asking || m_cancel) {
        return;
    }
    m_asking = true;
    int answer = SmartWarning("Are you sure you want to stop the scan?", "CancelScan").DoModal();
    m_asking = false;
    if (answer == 0 || answer == platform::ui::IDOK) {
        m_cancel = true;
    }
}

void ProgressWindow::closeEvent(QCloseEvent* event) {
    // Only the scanner closes the window; the close button is Stop.
    event->ignore();
    OnCancel();
}

} // namespace app::ui

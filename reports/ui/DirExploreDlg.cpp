#include "reports/ui/DirExploreDlg.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QTreeView>

namespace reports::ui {

DirExploreDlg::DirExploreDlg(QWidget* parent)
    : TemplateDialog(kTemplate, parent), m_folders(new QFileSystemModel(this)), m_entries(new QFileSystemModel(this)),
      m_pathLabel(Control<QLabel>(kPath)), m_folderView(Control<QTreeView>(kFolders)),
      m_entryView(Control<QTreeView>(kEntries)) {
    setModal(false);
    setWindowFlag(Qt::WindowStaysOnTopHint);
    // Read-only views: nothing here renames, moves or deletes a file.
    m_folders->setReadOnly(true);
    m_entries->setReadOnly(true);
    m_folders->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Hidden);
    m_entries->setFilter(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    m_folderView->setModel(m_folders);
    for (int column = 1; column < m_folders->columnCount(); ++column) {
        m_folderView->hideColumn(column);
    }
    m_folderView->setHeaderHidden(true);
    m_entryView->setModel(m_entries);
    m_entryView->setRootIsDecorated(false);
    m_entryView->setItemsExpandable(false);
    m_entryView->setSortingEnabled(true);
    m_entryView->sortByColumn(0, Qt::AscendingOrder);
    m_entryView->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_entryView->header()->setStretchLastSection(false);
    connect(m_folderView, &QTreeView::clicked, this,
            [this](const QModelIndex& index) { showFolder(m_folders->filePath(index)); });
    connect(m_entryView, &QTreeView::doubleClicked, this, [this](const QModelIndex& index) {
        if (m_entries->isDir(index)) {
            showFolder(m_entries->filePath(index));
        }
    });
}

QRect DirExploreDlg::PlacementIn(const QRect& workArea) {
    int width = workArea.width() / 3;
    return QRect(workArea.left() + 2 * width + 1, workArea.top(), width, workArea.height());
}

void DirExploreDlg::Open(const QRect& workArea) {
    QRect placement = PlacementIn(workArea);
    show();
    // The frame belongs to the placement: the client area is what is left of it.
    QSize frame = frameGeometry().size() - size();
    move(placement.topLeft());
    resize(std::max(1, placement.width() - frame.width()), std::max(1, placement.height() - frame.height()));
    raise();
}

void DirExploreDlg::Navigate(const QString& path) {
    m_path = path;
    QFileInfo info(path);
    if (path.isEmpty() || !info.isDir()) {
        m_pathLabel->setText(QStringLiteral("%1 cannot be shown: it is not a directory that exists.").arg(path));
        m_folderView->hide();
        m_entryView->hide();
        return;
    }
    m_folderView->show();
    m_entryView->show();
    m_folderView->setRootIndex(m_folders->setRootPath(path));
    showFolder(path);
}

void DirExploreDlg::showFolder(const QString& folder) {
    m_pathLabel->setText(folder);
    m_entryView->setRootIndex(m_entries->setRootPath(folder));
}

} // namespace reports::ui

/*
 * The directory explorer (template 180): a modeless window beside the main window that lists
 * the contents of the directory being examined, a folder tree above and the selected folder's
 * entries with sizes and dates below. The main window opens it while "View Files" is ticked
 * and navigates it on every directory it loads. It keeps no state of its own. GUI thread.
 */
#ifndef TALLYVOL_REPORTS_UI_DIREXPLOREDLG_H
#define TALLYVOL_REPORTS_UI_DIREXPLOREDLG_H

#include "app/ui/TemplateDialog.h"

#include <QRect>

class QFileSystemModel;
class QLabel;
class QTreeView;

namespace reports::ui {

class DirExploreDlg : public app::ui::TemplateDialog {
    Q_OBJECT
public:
    static constexpr int kTemplate = 180;
    static constexpr int kPath = 1212;
    static constexpr int kFolders = 1213;
    static constexpr int kEntries = 1214;

    explicit DirExploreDlg(QWidget* parent = nullptr);

    // Places the window on the right third of the work area, on top, and shows it.
    void Open(const QRect& workArea);
    // Shows the path (a local directory); one that cannot be listed shows why instead.
    void Navigate(const QString& path);

    QString CurrentPath() const { return m_path; }
    // The right third of a work area: x = 2 * (width / 3) + 1, full height.
    static QRect PlacementIn(const QRect& workArea);

private:
    void showFolder(const QString& folder);

    QFileSystemModel* m_folders;
    QFileSystemModel* m_entries;
    QLabel* m_pathLabel;
    QTreeView* m_folderView;
    QTreeView* m_entryView;
    QString m_path;
};

} // namespace reports::ui

#endif

/*
 * The results grid of the main window: one row per shown subdirectory or extension, one
 * column per loaded scan after the name column. Its top-left cell is the "Back ..." button;
 * headers are bold and centred, data cells read-only and right-aligned, names left-aligned.
 * A double-click on a row, a click on Back and a right click on a scan's header go to the
 * owner (the main window); a failure there is reported here. The tooltip explains the two
 * mouse actions. GUI thread.
 */
#ifndef TALLYVOL_GRID_CGRID_H
#define TALLYVOL_GRID_CGRID_H

#include "grid/GridModel.h"

#include <QTableView>

class QPushButton;

namespace grid {

// What the grid asks of the window that owns it.
class IGridOwner {
public:
    virtual ~IGridOwner() = default;
    virtual void OnBack() = 0;
    virtual void OnDlgClickGrid(const QString& rowName) = 0;
    virtual void OnDeleteColumn(int column) = 0;
};

class CGrid : public QTableView {
    Q_OBJECT
public:
    static constexpr int kScanColumnWidth = 130;
    static constexpr int kHeaderPadding = 16;
    static constexpr const char* kToolTip =
        "* Right click a column header to delete the column\n* Double click a directory name to see that "
        "directory's data";
    static constexpr int kToolTipMilliseconds = 10000;

    explicit CGrid(QWidget* parent = nullptr);

    void SetOwner(IGridOwner* owner) { m_owner = owner; }
    GridModel& Model() { return *m_model; }
    QPushButton& BackButton() { return *m_back; }

    // Refills the table (FillGrid); the name column keeps its width, scan columns get theirs.
    void SetContent(const scan::DisplayData& data, const app::GridOptions& options);
    void SetNameColumnWidth(int width);
    int NameColumnWidth() const;

    // The mouse actions, as the view's events call them (tests call them directly too).
    void ClickBackButton();
    void DoubleClickRow(int row);
    void RightClickHeader(int column);
    // Selects every cell of a scan column (1 the newest) and scrolls to it; the current row stays.
    void SelectScanColumn(int column);

protected:
    void changeEvent(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void updateGeometries() override;

private:
    void applyFonts();
    void placeBackButton();

    GridModel* m_model;
    QPushButton* m_back = nullptr;
    IGridOwner* m_owner = nullptr;
    int m_nameColumnWidth = 170;
};

} // namespace grid

#endif

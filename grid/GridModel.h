/*
 * The grid's table: rows and columns of the loaded scans as the grid rules (app/view/
 * GridContent) plan them, each cell's text made only when the view asks for it, so that a
 * directory of a hundred thousand subdirectories scrolls without building a string per cell.
 * Refilled completely by SetContent (the window's FillGrid); scrolling and repainting never
 * refill it. The scans it shows stay owned by the main dialog object. GUI thread.
 */
#ifndef TALLYVOL_GRID_GRIDMODEL_H
#define TALLYVOL_GRID_GRIDMODEL_H

#include "app/view/GridContent.h"
#include "scan/DisplayData.h"

#include <QAbstractTableModel>
#include <QFont>

namespace grid {

class GridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit GridModel(QObject* parent = nullptr);

    // Plans the grid of `data` (kept by reference until the next call) with the options.
    void SetContent(const scan::DisplayData& data, const app::GridOptions& options);
    void Clear();
    void SetFonts(const QFont& cellFont, const QFont& headerFont);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The text of a cell (rows from 0 under the header, column 0 the name).
    QString CellText(int row, int column) const;
    // The scan identifier kept with a scan column's header; 0 for the name column.
    std::uint32_t ScanIDOfColumn(int column) const;
    QString ColumnHeader(int column) const;
    const app::GridPlan& Plan() const { return m_plan; }
    // How often the table was refilled (each FillGrid once).
    int ResetCount() const { return m_resets; }

private:
    const scan::DisplayData* m_data = nullptr;
    app::GridPlan m_plan;
    QFont m_cellFont;
    QFont m_headerFont;
    int m_resets = 0;
};

} // namespace grid

#endif

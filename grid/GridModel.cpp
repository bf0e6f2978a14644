#include "grid/GridModel.h"

namespace grid {

GridModel::GridModel(QObject* parent) : QAbstractTableModel(parent) {}

void GridModel::SetContent(const scan::DisplayData& data, const app::GridOptions& options) {
    beginResetModel();
    m_data = &data;
    m_plan = app::PlanGrid(data, options);
    ++m_resets;
    endResetModel();
}

void GridModel::Clear() {
    beginResetModel();
    m_data = nullptr;
    m_plan = {};
    ++m_resets;
    endResetModel();
}

void GridModel::SetFonts(const QFont& cellFont, const QFont& headerFont) {
    m_cellFont = cellFont;
    m_headerFont = headerFont;
    if (rowCount() > 0) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {Qt::FontRole});
    }
    emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

int GridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || m_data == nullptr ? 0 : static_cast<int>(m_plan.RowCount());
}

int GridModel::columnCount(const QModelIndex& parent) const {
    // The name column stays when nothing is loaded: the Back button sits on its header.
    return parent.isValid() ? 0 : std::max(1, static_cast<int>(m_plan.ColumnCount()));
}

QString GridModel::CellText(int row, int column) const {
    if (m_data == nullptr || row < 0 || column < 0) {
        return {};
    }
    return QString::fromStdString(
        app::GridCellText(*m_data, m_plan, static_cast<std::size_t>(row), static_cast<std::size_t>(column)));
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    switch (role) {
    case Qt::DisplayRole:
        return CellText(index.row(), index.column());
    case Qt::TextAlignmentRole:
        return index.column() == 0 ? QVariant(Qt::AlignLeft | Qt::AlignVCenter) : QVariant(Qt::AlignRight | Qt::AlignVCenter);
    case Qt::FontRole:
        return m_cellFont;
    default:
        return {};
    }
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    switch (role) {
    case Qt::DisplayRole:
        return ColumnHeader(section);
    case Qt::FontRole:
        return m_headerFont;
    case Qt::TextAlignmentRole:
        return QVariant(Qt::AlignCenter);
    default:
        return {};
    }
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

std::uint32_t GridModel::ScanIDOfColumn(int column) const {
    if (column < 1 || static_cast<std::size_t>(column) > m_plan.columnScanIDs.size()) {
        return 0;
    }
    return m_plan.columnScanIDs[static_cast<std::size_t>(column) - 1];
}

QString GridModel::ColumnHeader(int column) const {
    if (column < 1 || static_cast<std::size_t>(column) > m_plan.columnHeaders.size()) {
        return {};
    }
    return QString::fromStdString(m_plan.columnHeaders[static_cast<std::size_t>(column) - 1]);
}

} // namespace grid

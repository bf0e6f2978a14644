#include "grid/CGrid.h"

#include "app/base/DiagnosticLog.h"
#include "app/base/ErrorReport.h"

#include <QEvent>
#include <QHeaderView>
#include <QHelpEvent>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QToolTip>

namespace grid {

CGrid::CGrid(QWidget* parent) : QTableView(parent), m_model(new GridModel(this)) {
    try {
        setModel(m_model);
        setEditTriggers(QAbstractItemView::NoEditTriggers);
        setSelectionMode(QAbstractItemView::SingleSelection);
        setWordWrap(false);
        setCornerButtonEnabled(false);
        verticalHeader()->hide();
        verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        QHeaderView* header = horizontalHeader();
        header->setDefaultSectionSize(kScanColumnWidth);
        header->setSectionResizeMode(QHeaderView::Interactive);
        header->setHighlightSections(false);
        header->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(header, &QHeaderView::customContextMenuRequested, this,
                [this](const QPoint& position) { RightClickHeader(horizontalHeader()->logicalIndexAt(position)); });
        connect(header, &QHeaderView::sectionResized, this, [this](int section, int, int size) {
            if (section == 0) {
                m_nameColumnWidth = size;
            }
            placeBackButton();
        });
        connect(this, &QTableView::doubleClicked, this, [this](const QModelIndex& index) { DoubleClickRow(index.row()); });

        m_back = new QPushButton(QStringLiteral("Back ..."), header);
        m_back->setObjectName(QStringLiteral("BackButton"));
        m_back->setFocusPolicy(Qt::NoFocus);
        connect(m_back, &QPushButton::clicked, this, &CGrid::ClickBackButton);

        setToolTip(QString::fromUtf8(kToolTip));
        setToolTipDuration(kToolTipMilliseconds);
        header->setToolTip(toolTip());
        header->setToolTipDuration(kToolTipMilliseconds);
        applyFonts();
        SetNameColumnWidth(m_nameColumnWidth);
    } catch (...) {
        TV_DEBUG_LOG("** Exception in OnGridInitialUpdate\n");
        app::ReportError(0, "Initially updating the grid");
    }
}

void CGrid::SetContent(const scan::DisplayData& data, const app::GridOptions& options) {
    m_model->SetContent(data, options);
    // A refill resets the header's sections to their default width. A scan column is widened
    // where the locale's date text is longer than its width holds.
    SetNameColumnWidth(m_nameColumnWidth);
    QFontMetrics metrics(horizontalHeader()->font());
    for (int column = 1; column < m_model->columnCount(); ++column) {
        int needed = metrics.horizontalAdvance(m_model->ColumnHeader(column)) + kHeaderPadding;
        if (needed > kScanColumnWidth) {
            horizontalHeader()->resizeSection(column, needed);
        }
    }
    placeBackButton();
}

void CGrid::SetNameColumnWidth(int width) {
    m_nameColumnWidth = width;
    if (m_model->columnCount() > 0) {
        horizontalHeader()->resizeSection(0, width);
    }
}

int CGrid::NameColumnWidth() const {
    return m_model->columnCount() > 0 ? horizontalHeader()->sectionSize(0) : m_nameColumnWidth;
}

void CGrid::ClickBackButton() {
    try {
        if (m_owner != nullptr) {
            m_owner->OnBack();
        }
    } catch (...) {
        TV_DEBUG_LOG("** Exception in OnClickedButtonRowCol\n");
        app::ReportError(0, "Processing the grid click");
    }
}

void CGrid::DoubleClickRow(int row) {
    try {
        if (m_owner != nullptr && row >= 0) {
            m_owner->OnDlgClickGrid(m_model->CellText(row, 0));
        }
    } catch (...) {
        TV_DEBUG_LOG("** Exception in OnLButtonDblClkRowCol\n");
        app::ReportError(0, "Processing grid double-click");
    }
}

void CGrid::RightClickHeader(int column) {
    if (m_owner != nullptr && column > 0) {
        m_owner->OnDeleteColumn(column);
    }
}

void CGrid::SelectScanColumn(int column) {
    int rows = m_model->rowCount();
    if (column < 1 || column >= m_model->columnCount() || rows == 0) {
        return;
    }
    QModelIndex current = currentIndex();
    QModelIndex target = m_model->index(current.isValid() ? current.row() : 0, column);
    if (current.isValid()) {
        selectionModel()->setCurrentIndex(target, QItemSelectionModel::NoUpdate);
    }
    selectionModel()->select(QItemSelection(m_model->index(0, column), m_model->index(rows - 1, column)),
                             QItemSelectionModel::ClearAndSelect);
    scrollTo(target);
}

void CGrid::applyFonts() {
    QFont cells = font();
    cells.setWeight(QFont::Normal);
    QFont headers = font();
    headers.setWeight(QFont::Bold);
    horizontalHeader()->setFont(headers);
    m_back->setFont(headers);
    m_model->SetFonts(cells, headers);
    verticalHeader()->setDefaultSectionSize(QFontMetrics(cells).height() + 6);
}

void CGrid::changeEvent(QEvent* event) {
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        applyFonts();
        placeBackButton();
    }
}

bool CGrid::viewportEvent(QEvent* event) {
    // The grid's own tip, shown for ten seconds wherever the mouse rests.
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        QToolTip::showText(help->globalPos(), toolTip(), viewport(), QRect(), kToolTipMilliseconds);
        return true;
    }
    return QTableView::viewportEvent(event);
}

void CGrid::updateGeometries() {
    QTableView::updateGeometries();
    placeBackButton();
}

void CGrid::placeBackButton() {
    QHeaderView* header = horizontalHeader();
    if (m_back == nullptr) {
        return;
    }
    int left = header->sectionViewportPosition(0);
    int width = header->sectionSize(0);
    m_back->setGeometry(left, 0, std::max(width, 1), header->height());
    m_back->setVisible(width > 0 && left + width > 0);
}

} // namespace grid

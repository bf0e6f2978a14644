#include "app/ui/GrowthChartPanel.h"

#include "app/base/DiagnosticLog.h"
#include "app/base/FormatBytes.h"
#include "reports/ScanDateLabel.h"

#include <QChart>
#include <QChartView>
#include <QCursor>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QGraphicsLayout>
#include <QLegend>
#include <QLineSeries>
#include <QToolTip>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace app::ui {

namespace {

constexpr double kMillisecondsPerDay = 24.0 * 3600 * 1000;
// An undated scan is drawn this long after the scan before it (before the first dated one
// when it is older than all of them): it keeps its place in the order of the columns.
constexpr double kUndatedStep = 60.0 * 1000;
constexpr qreal kMarkerSize = 7;
constexpr int kSmallestHeight = 150;
constexpr int kLargestHeight = 340;
constexpr int kSmallestNeighbour = 80;
constexpr int kGap = 4;
const QColor kRowColor(31, 97, 171);
const QColor kTotalColor(214, 110, 32);

// The axis range of the values: a little room above and below, never below zero.
void setValueRange(QValueAxis& axis, const QList<QPointF>& points) {
    double low = points.front().y();
    double high = low;
    for (const QPointF& point : points) {
        low = std::min(low, point.y());
        high = std::max(high, point.y());
    }
    double span = high - low;
    double pad = span > 0 ? span * 0.08 : std::max(std::fabs(high) * 0.05, 1.0);
    low = std::max(0.0, low - pad);
    high += pad;
    axis.setRange(low, high);
    axis.applyNiceNumbers();
    axis.setLabelFormat(axis.max() - axis.min() >= 10 ? QStringLiteral("%.0f") : QStringLiteral("%.2f"));
}

// The series is drawn against the axis (and the time axis), no other value axis.
void attachTo(QLineSeries& series, QValueAxis& axis) {
    for (QAbstractAxis* attached : series.attachedAxes()) {
        if (attached->orientation() == Qt::Vertical && attached != &axis) {
            series.detachAxis(attached);
        }
    }
    if (!series.attachedAxes().contains(&axis)) {
        series.attachAxis(&axis);
    }
}

} // namespace

GrowthChartPanel::GrowthChartPanel(QWidget* parent)
    : QWidget(parent), m_chart(new QChart), m_view(new QChartView(m_chart, this)), m_rowSeries(new QLineSeries),
      m_totalSeries(new QLineSeries), m_timeAxis(new QDateTimeAxis), m_rowAxis(new QValueAxis),
      m_totalAxis(new QValueAxis) {
    setObjectName(QStringLiteral("GrowthChart"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    m_view->setRenderHint(QPainter::Antialiasing);
    m_view->setFrameShape(QFrame::StyledPanel);

    m_chart->setBackgroundRoundness(0);
    m_chart->setMargins(QMargins(2, 0, 2, 0));
    m_chart->layout()->setContentsMargins(2, 2, 2, 2);
    // The window's grey around a white plot, as the grid's cells sit in the window.
    m_chart->setBackgroundBrush(palette().window());
    m_chart->setPlotAreaBackgroundBrush(Qt::white);
    m_chart->setPlotAreaBackgroundVisible(true);
    // Digits grouped with "," as the grid's cells are.
    m_chart->setLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    m_chart->setLocalizeNumbers(true);
    m_chart->legend()->setAlignment(Qt::AlignTop);
    m_chart->legend()->setFont(font());
    m_chart->addAxis(m_timeAxis, Qt::AlignBottom);
    m_chart->addAxis(m_rowAxis, Qt::AlignLeft);
    m_chart->addAxis(m_totalAxis, Qt::AlignRight);
    struct Line {
        QLineSeries* series;
        QValueAxis* axis;
        QColor color;
        bool total;
    };
    for (const Line& line : {Line{m_rowSeries, m_rowAxis, kRowColor, false}, Line{m_totalSeries, m_totalAxis, kTotalColor, true}}) {
        QPen pen(line.color);
        pen.setWidth(2);
        line.series->setPen(pen);
        line.series->setPointsVisible(true);
        line.series->setMarkerSize(kMarkerSize);
        m_chart->addSeries(line.series);
        line.series->attachAxis(m_timeAxis);
        line.series->attachAxis(line.axis);
        line.axis->setLabelsColor(line.color);
        line.axis->setTruncateLabels(false);
        line.axis->setTitleBrush(line.color);
        bool total = line.total;
        connect(line.series, &QXYSeries::hovered, this,
                [this, total](const QPointF& position, bool entered) { hovered(position, entered, total); });
        connect(line.series, &QXYSeries::clicked, this, [this, total](const QPointF& position) {
            const std::vector<ChartPoint>& points = total ? m_totalPoints : m_rowPoints;
            if (!points.empty()) {
                ChoosePoint(nearestPoint(points, position), total);
            }
        });
    }
    m_totalSeries->setName(QStringLiteral("Directory total"));
    redraw();
}

GrowthChartPanel::~GrowthChartPanel() = default;

void GrowthChartPanel::SetContent(const scan::DisplayData& data, const app::GridPlan& plan) {
    m_data = &data;
    m_plan = plan;
    m_row = -1;
    redraw();
}

void GrowthChartPanel::Clear() {
    m_data = nullptr;
    m_plan = {};
    m_row = -1;
    redraw();
}

void GrowthChartPanel::TakeLowerPartOf(QWidget& neighbour) {
    QRect area = neighbour.geometry();
    int height = std::clamp(area.height() / 2, kSmallestHeight, kLargestHeight);
    height = std::max(0, std::min(height, area.height() - kSmallestNeighbour - kGap));
    neighbour.setGeometry(area.x(), area.y(), area.width(), area.height() - height - kGap);
    setGeometry(area.x(), area.y() + area.height() - height, area.width(), height);
}

void GrowthChartPanel::ShowRow(int gridRow) {
    if (gridRow == m_row) {
        return;
    }
    m_row = gridRow;
    redraw();
}

void GrowthChartPanel::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    m_chart->legend()->setFont(font());
}

void GrowthChartPanel::redraw() {
    try {
        collectPoints();
        chooseUnit();
        fillSeries(*m_rowSeries, m_rowPoints);
        fillSeries(*m_totalSeries, m_totalPoints);
        m_rowSeries->setName(m_rowName);
        placeAxes();
    } catch (...) {
        TV_DEBUG_LOG("** Exception in GrowthChartPanel::redraw\n");
    }
}

void GrowthChartPanel::collectPoints() {
    m_rowPoints.clear();
    m_totalPoints.clear();
    m_times.clear();
    m_rowName.clear();
    if (m_data == nullptr || m_plan.columnScanIDs.empty()) {
        return;
    }
    std::size_t count = m_plan.columnScanIDs.size();
    // The plan's columns are the data's scans, newest first: read oldest first.
    std::vector<scan::ScanDateTime> dates(count);
    for (std::size_t i = 0; i < count; ++i) {
        std::size_t column = count - 1 - i;
        if (column < m_data->scans.size() && m_data->scans[column].scanID == m_plan.columnScanIDs[column]) {
            dates[i] = m_data->scans[column].date;
        }
    }
    m_times.assign(count, std::nan(""));
    for (std::size_t i = 0; i < count; ++i) {
        if (dates[i].state == scan::ScanDateTime::State::kValid) {
            m_times[i] = static_cast<double>(dates[i].ToTimeT()) * 1000.0;
        } else if (i > 0 && !std::isnan(m_times[i - 1])) {
            m_times[i] = m_times[i - 1] + kUndatedStep;
        }
    }
    for (std::size_t i = count; i-- > 0;) {
        if (std::isnan(m_times[i])) {
            m_times[i] = i + 1 < count ? m_times[i + 1] - kUndatedStep : static_cast<double>(i) * kMillisecondsPerDay;
        }
    }

    auto pointOf = [&](std::size_t oldestIndex, std::uint64_t value) {
        return ChartPoint{static_cast<int>(count - oldestIndex), value, dates[oldestIndex]};
    };
    if (m_row >= 0 && static_cast<std::size_t>(m_row) < m_plan.RowCount() &&
        m_plan.KindOfRow(static_cast<std::size_t>(m_row)) == app::GridPlan::RowKind::kData) {
        std::size_t index = m_plan.dataRows[static_cast<std::size_t>(m_row) - (m_plan.rootRow ? 1 : 0)];
        if (index < m_data->rows.size()) {
            const scan::DisplayRow& row = m_data->rows[index];
            m_rowName = QString::fromStdString(app::RowDisplayName(row.name));
            // A scan without a value for the row leaves no point: the line joins its neighbours.
            for (std::size_t i = 0; i < count; ++i) {
                if (std::optional<std::uint64_t> value = m_data->Value(row.id, m_plan.columnScanIDs[count - 1 - i])) {
                    m_rowPoints.push_back(pointOf(i, *value));
                }
            }
        }
    }
    if (m_plan.view == 0 && m_plan.totals.size() == count) {
        for (std::size_t i = 0; i < count; ++i) {
            m_totalPoints.push_back(pointOf(i, m_plan.totals[count - 1 - i]));
        }
    }
}

void GrowthChartPanel::chooseUnit() {
    if (m_plan.view == 2) {
        m_divisor = 1;
        m_unitName = QStringLiteral("files");
        return;
    }
    int units = m_plan.units;
    if (units == app::kUnitSmart) {
        // The unit FormatBytes would choose for the largest value drawn.
        std::uint64_t largest = 0;
        for (const auto* points : {&m_rowPoints, &m_totalPoints}) {
            for (const ChartPoint& point : *points) {
                largest = std::max(largest, point.value);
            }
        }
        units = largest <= 999999ULL      ? app::kUnitBytes
                : largest <= 999999999ULL ? app::kUnitK
                : largest <= 999999999999ULL ? app::kUnitMB
                                             : app::kUnitGB;
    }
    switch (units) {
    case app::kUnitK:
        m_divisor = 1024.0;
        m_unitName = QStringLiteral("K");
        break;
    case app::kUnitMB:
        m_divisor = 1024.0 * 1024;
        m_unitName = QStringLiteral("MB");
        break;
    case app::kUnitGB:
        m_divisor = 1024.0 * 1024 * 1024;
        m_unitName = QStringLiteral("GB");
        break;
    default:
        m_divisor = 1;
        m_unitName = QStringLiteral("bytes");
        break;
    }
}

void GrowthChartPanel::fillSeries(QLineSeries& series, const std::vector<ChartPoint>& points) {
    QList<QPointF> drawn;
    drawn.reserve(static_cast<qsizetype>(points.size()));
    std::size_t count = m_times.size();
    for (const ChartPoint& point : points) {
        drawn.append(QPointF(m_times[count - static_cast<std::size_t>(point.column)],
                             static_cast<double>(point.value) / m_divisor));
    }
    series.replace(drawn);
    series.setVisible(!drawn.isEmpty());
}

void GrowthChartPanel::placeAxes() {
    bool anything = !m_rowPoints.empty() || !m_totalPoints.empty();
    m_timeAxis->setVisible(anything);
    if (!anything) {
        m_rowAxis->setVisible(false);
        m_totalAxis->setVisible(false);
        m_chart->setTitle(m_data == nullptr || m_plan.columnScanIDs.empty()
                              ? QString()
                              : QStringLiteral("Select a row of the grid to see it over every scan"));
        return;
    }
    m_chart->setTitle(QString());
    double first = *std::min_element(m_times.begin(), m_times.end());
    double last = *std::max_element(m_times.begin(), m_times.end());
    if (last - first < 60 * 1000.0) {
        first -= kMillisecondsPerDay / 2;
        last += kMillisecondsPerDay / 2;
    }
    double days = (last - first) / kMillisecondsPerDay;
    m_timeAxis->setFormat(days > 300 ? QStringLiteral("MMM yyyy") : days > 3 ? QStringLiteral("MMM d") : QStringLiteral("MMM d hh:mm"));
    m_timeAxis->setTickCount(std::clamp(static_cast<int>(m_times.size()), 2, 7));
    // A little room on both sides keeps the first and last markers whole.
    double margin = (last - first) * 0.03;
    m_timeAxis->setRange(QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(first - margin)),
                         QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(last + margin)));

    // The row on the left axis; the total on the right one, or on the left when it is alone.
    bool row = !m_rowPoints.empty();
    bool total = !m_totalPoints.empty();
    m_rowAxis->setVisible(true);
    m_totalAxis->setVisible(row && total);
    if (row) {
        attachTo(*m_totalSeries, *m_totalAxis);
        setValueRange(*m_rowAxis, m_rowSeries->points());
        m_rowAxis->setLabelsColor(kRowColor);
        m_rowAxis->setTitleBrush(kRowColor);
        if (total) {
            setValueRange(*m_totalAxis, m_totalSeries->points());
            m_totalAxis->setTitleText(m_unitName);
        }
    } else {
        attachTo(*m_totalSeries, *m_rowAxis);
        setValueRange(*m_rowAxis, m_totalSeries->points());
        m_rowAxis->setLabelsColor(kTotalColor);
        m_rowAxis->setTitleBrush(kTotalColor);
    }
    m_rowAxis->setTitleText(m_unitName);
}

std::size_t GrowthChartPanel::nearestPoint(const std::vector<ChartPoint>& points, const QPointF& position) const {
    std::size_t best = 0;
    double bestDistance = -1;
    std::size_t count = m_times.size();
    for (std::size_t i = 0; i < points.size(); ++i) {
        double distance = std::fabs(m_times[count - static_cast<std::size_t>(points[i].column)] - position.x());
        if (bestDistance < 0 || distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

QList<QPointF> GrowthChartPanel::DrawnPoints(bool total) const {
    return (total ? m_totalSeries : m_rowSeries)->points();
}

QWidget* GrowthChartPanel::Viewport() const {
    return m_view->viewport();
}

QPoint GrowthChartPanel::PointPosition(std::size_t index, bool total) const {
    QLineSeries* series = total ? m_totalSeries : m_rowSeries;
    QList<QPointF> points = series->points();
    if (index >= static_cast<std::size_t>(points.size())) {
        return {};
    }
    QPointF scene = m_chart->mapToScene(m_chart->mapToPosition(points[static_cast<qsizetype>(index)], series));
    return m_view->mapFromScene(scene);
}

QString GrowthChartPanel::PointText(std::size_t index, bool total) const {
    const std::vector<ChartPoint>& points = total ? m_totalPoints : m_rowPoints;
    if (index >= points.size()) {
        return {};
    }
    const ChartPoint& point = points[index];
    std::string date = reports::ScanDateLabel(point.date);
    std::string value = m_plan.view == 2 ? std::to_string(point.value)
                                         : app::FormatBytes(static_cast<std::int64_t>(point.value), true, m_plan.units);
    return QStringLiteral("%1\n%2\n%3")
        .arg(total ? m_totalSeries->name() : m_rowName,
             date.empty() ? QStringLiteral("an undated scan") : QString::fromStdString(date),
             QString::fromStdString(value));
}

void GrowthChartPanel::ChoosePoint(std::size_t index, bool total) {
    const std::vector<ChartPoint>& points = total ? m_totalPoints : m_rowPoints;
    if (index < points.size()) {
        emit ScanChosen(points[index].column);
    }
}

void GrowthChartPanel::hovered(const QPointF& position, bool entered, bool total) {
    const std::vector<ChartPoint>& points = total ? m_totalPoints : m_rowPoints;
    if (!entered || points.empty()) {
        QToolTip::hideText();
        return;
    }
    QToolTip::showText(QCursor::pos(), PointText(nearestPoint(points, position), total), m_view);
}

} // namespace app::ui

/*
 * The growth chart under the main window's grid: the value of the grid's current row in every
 * loaded scan, oldest on the left, and in the directory view the directory's total (the grid's
 * totals row) as a second line on an axis of its own. Values are shown in the window's units;
 * the extension count view draws counts. Hovering a point tells its scan's date and value, a
 * click on a point asks for that scan's column (ScanChosen).
 *
 * It draws from the loaded scans and the grid's plan of them only; it never reads the store.
 * The main window owns it, gives it every refill of the grid (SetContent) and every change of
 * the current row (ShowRow). GUI thread.
 */
#ifndef TALLYVOL_APP_UI_GROWTHCHARTPANEL_H
#define TALLYVOL_APP_UI_GROWTHCHARTPANEL_H

#include "app/view/GridContent.h"
#include "scan/DisplayData.h"

#include <QList>
#include <QPoint>
#include <QPointF>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <vector>

class QChart;
class QChartView;
class QDateTimeAxis;
class QLineSeries;
class QValueAxis;
class QXYSeries;

namespace app::ui {

class GrowthChartPanel : public QWidget {
    Q_OBJECT
public:
    // One drawn value: the grid column of its scan (1 is the newest) and the value as stored.
    struct ChartPoint {
        int column = 0;
        std::uint64_t value = 0;
        scan::ScanDateTime date;
    };

    explicit GrowthChartPanel(QWidget* parent = nullptr);
    ~GrowthChartPanel() override;

    // The grid was refilled: `data` is kept by reference until the next call, the plan copied.
    // No row is current afterwards.
    void SetContent(const scan::DisplayData& data, const app::GridPlan& plan);
    // Nothing loaded.
    void Clear();
    // Moves into the lower part of the widget's place (the grid's), shrinking the widget: half
    // of it, from 150 to 340 pixels, leaving the widget at least 80.
    void TakeLowerPartOf(QWidget& neighbour);
    // Draws the grid's row (numbered as the plan numbers them; -1 for none).
    void ShowRow(int gridRow);

    int ShownRow() const { return m_row; }
    // What is drawn, oldest scan first.
    const std::vector<ChartPoint>& RowPoints() const { return m_rowPoints; }
    const std::vector<ChartPoint>& TotalPoints() const { return m_totalPoints; }
    // The points as drawn (x milliseconds since the epoch, y the value in the unit).
    QList<QPointF> DrawnPoints(bool total) const;
    // The chart's drawing surface, and where a point sits on it.
    QWidget* Viewport() const;
    QPoint PointPosition(std::size_t index, bool total) const;
    // The divisor of the values on the axes (1 for counts and bytes, 1024 for K, ...) and the
    // unit's name.
    double Divisor() const { return m_divisor; }
    QString UnitName() const { return m_unitName; }
    // The hover text of a point of the row (total false) or of the total line.
    QString PointText(std::size_t index, bool total) const;
    // As a click on the point: emits ScanChosen with its column.
    void ChoosePoint(std::size_t index, bool total);

signals:
    // A point was clicked: the grid column (1 the newest scan) of its scan.
    void ScanChosen(int column);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void redraw();
    void collectPoints();
    void chooseUnit();
    void fillSeries(QLineSeries& series, const std::vector<ChartPoint>& points);
    void placeAxes();
    // The point of the series nearest to `position` (value coordinates) along the time axis.
    std::size_t nearestPoint(const std::vector<ChartPoint>& points, const QPointF& position) const;
    void hovered(const QPointF& position, bool entered, bool total);

    const scan::DisplayData* m_data = nullptr;
    app::GridPlan m_plan;
    int m_row = -1;
    std::vector<ChartPoint> m_rowPoints;
    std::vector<ChartPoint> m_totalPoints;
    std::vector<double> m_times; // x of each loaded scan, oldest first (ms since the epoch)
    QString m_rowName;
    double m_divisor = 1;
    QString m_unitName;
    QChart* m_chart;
    QChartView* m_view; // owns the chart
    QLineSeries* m_rowSeries;
    QLineSeries* m_totalSeries;
    QDateTimeAxis* m_timeAxis;
    QValueAxis* m_rowAxis;
    QValueAxis* m_totalAxis;
};

} // namespace app::ui

#endif

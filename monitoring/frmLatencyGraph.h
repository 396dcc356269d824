#pragma once
// The "Latency Graph" window over the run's data set. One target shows as a
// line chart of round trip against clock time, its lost and failed echoes
// as red marks on the time axis where the line breaks; a range shows as a
// heat map (address by pass) whose rows open their address's line chart.
// Under the chart, the statistics table has a row per address.
//
// Data flows one way: the store tells the window of each new echo (it is an
// EchoObserver) and the window only notes that it is out of date; a timer
// redraws what changed a few times a second, from the store, decimated to
// the chart's pixel columns, so a busy run costs the window little and a
// long series repaints as fast as a short one. On opening, at each choice
// of view or span and while a run goes on, the chart (the line chart's
// decimation, the heat map's rows) and the table's figures (computed again
// only for addresses that changed, StatisticsCache) are built a slice of
// time at a time, so a long history does not stall the event loop.

#include <QWidget>
#include <cstdint>
#include <functional>
#include <vector>
#include <optional>
#include <string>

#include "monitoring/Decimation.h"
#include "monitoring/EchoStore.h"
#include "monitoring/HeatMapGrid.h"
#include "monitoring/StatisticsCache.h"

class QComboBox;
class QCustomPlot;
class QLabel;
class QMouseEvent;
class QStackedWidget;
class QTableWidget;
class QTimer;

namespace velmora {

class frmLatencyGraph final : public QWidget, private EchoObserver {
    Q_OBJECT
public:
    explicit frmLatencyGraph(EchoStore& echoes, QWidget* parent = nullptr);
    ~frmLatencyGraph() override;
    frmLatencyGraph(const frmLatencyGraph&) = delete;
    frmLatencyGraph& operator=(const frmLatencyGraph&) = delete;

    // The line chart of one address of the data set, built in the turns of the event loop that follow.
    void ShowAddress(const std::string& address);
    // Draws the chart and fills the table from the store now, every figure current.
    void Redraw();

    // The spans the chart shows, in the order of its list; 0 is all.
    static constexpr int kSpanMinutes[] = {1, 5, 15, 60, 0};

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void EchoAdded(const EchoRecord& echo) override;
    void EchoesCleared() override;

    void BuildControls();
    void ShowChosenView(bool now);
    void RedrawInSlices(bool beginAgain);
    void ListAddresses();
    const EchoSeries* ShownSeries() const;
    void BeginChart(const EchoSeries* series);
    void BeginLineChart(const EchoSeries& series);
    void BuildChartFor(const std::function<bool()>& outOfTime);
    void PaintLineChart();
    std::size_t HeatMapColumns() const;
    void PaintHeatMap();
    bool FillTable(const std::function<bool()>& outOfTime);
    void WorkForAWhile();
    void AddRowsForNewAddresses();
    void SizeToFitTable();
    void ShowFigures(const std::vector<std::size_t>& updated);
    void ShowLineHover(QMouseEvent* event);
    void ShowHeatHover(QMouseEvent* event);
    void OpenRowOf(QMouseEvent* event);
    void CopySelection();
    void RedrawIfOutOfDate();

    EchoStore& echoes_;
    QComboBox* cboShow_ = nullptr;  // "Heat map" (a range), then each address
    QComboBox* cboSpan_ = nullptr;
    QStackedWidget* charts_ = nullptr;
    QCustomPlot* linePlot_ = nullptr;
    QCustomPlot* heatPlot_ = nullptr;
    QLabel* heatLegend_ = nullptr;
    QTableWidget* table_ = nullptr;
    QTimer* redrawTimer_ = nullptr;
    QTimer* sliceTimer_ = nullptr;  // goes on with the heat map and the table when a slice of time was not enough
    bool outOfDate_ = true;
    StatisticsCache statistics_;
    // The chart being built, to be painted when its builder is done.
    enum class Pending { None, LineChart, HeatMap };
    Pending pending_ = Pending::None;
    DecimationBuilder lineBuilder_;
    std::int64_t lineFromUs_ = 0;
    std::int64_t lineToUs_ = 0;
    HeatMapBuilder heatBuilder_;
    HeatMapGrid heatGrid_;         // as last drawn, for the hover text and clicks
    std::vector<double> shownMs_;  // its replies' round trips, kept between paints for their storage
};

}  // namespace velmora

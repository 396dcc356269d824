#include "monitoring/frmLatencyGraph.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <qcustomplot.h>

#include "monitoring/Decimation.h"
#include "monitoring/EchoStatistics.h"
#include "window_helpers/Accessibility.h"
#include "window_helpers/Twips.h"
#include "window_helpers/ViewerWindows.h"

namespace velmora {

namespace {

// Each redraw holds the event loop that the run's echoes come back through: once a second is live enough.
constexpr int kRedrawMs = 1000;
// The most a chart's build or the table's figures take of one turn of the event loop before they go on at the next.
constexpr std::chrono::milliseconds kSlice(20);
constexpr double kUsPerMs = 1000.0;
constexpr int kHoverReachPx = 6;
const QColor kLineColour(31, 119, 180);
const QColor kFailureColour(214, 39, 40);  // red: lost and failed echoes on the line chart, errors on the heat map
const QColor kLostColour(128, 128, 128);

double Seconds(std::int64_t timeUs) { return double(timeUs) / 1e6; }

QString ClockText(std::int64_t timeUs) {
    return QDateTime::fromMSecsSinceEpoch(timeUs / 1000).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
}

QString MsText(double us) { return QString::number(us / kUsPerMs, 'f', 3); }

// What the hover shows of one echo.
QString EchoText(const EchoSample& echo) {
    QString text = ClockText(echo.timeUs) + QStringLiteral("\nPass %1\n").arg(echo.pass + 1);
    if (echo.Replied()) {
        text += QStringLiteral("Round trip %1 ms\nTTL %2\n").arg(MsText(echo.roundTripUs)).arg(echo.ttl);
    }
    return text + QString::fromStdString(StatusText(echo));
}

// Viridis: dark blue for short round trips through green to yellow for long
// ones, evenly bright steps that read the same in grey and to most colour-blind eyes.
QCPColorGradient PerceptualScale() {
    QCPColorGradient gradient;
    gradient.clearColorStops();
    gradient.setColorStopAt(0.0, QColor(68, 1, 84));
    gradient.setColorStopAt(0.25, QColor(59, 82, 139));
    gradient.setColorStopAt(0.5, QColor(33, 145, 140));
    gradient.setColorStopAt(0.75, QColor(94, 201, 98));
    gradient.setColorStopAt(1.0, QColor(253, 231, 37));
    gradient.setNanHandling(QCPColorGradient::nhTransparent);
    return gradient;
}

// Lost at 0, error at 1; cells with a reply are left to the round-trip map.
QCPColorGradient FailureScale() {
    QCPColorGradient gradient;
    gradient.clearColorStops();
    gradient.setColorStopAt(0.0, kLostColour);
    gradient.setColorStopAt(1.0, kFailureColour);
    gradient.setLevelCount(2);
    gradient.setNanHandling(QCPColorGradient::nhTransparent);
    return gradient;
}

// A table cell that sorts by its number rather than its text.
class NumberItem final : public QTableWidgetItem {
public:
    NumberItem(const QString& text, double number) : QTableWidgetItem(text) {
        setData(Qt::UserRole, number);
        setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    bool operator<(const QTableWidgetItem& other) const override {
        return data(Qt::UserRole).toDouble() < other.data(Qt::UserRole).toDouble();
    }
};

const char* const kTableHeaders[] = {"Address", "Sent", "Received", "Loss %", "Minimum (ms)", "Average (ms)",
                                     "Maximum (ms)", "Mdev (ms)", "Median (ms)", "95th percentile (ms)"};

// The widest text each column of the table shows: the longest address, eight-digit counts, a whole loss, a
// round trip of more than a minute.
const char* const kWidestCells[] = {"255.255.255.255", "88888888",  "88888888",  "100.0",     "88888.888",
                                    "88888.888",       "88888.888", "88888.888", "88888.888", "88888.888"};
static_assert(std::size(kWidestCells) == std::size(kTableHeaders));

// The charts take the window's palette: a dark desktop theme gets a dark
// chart with light text rather than a white block, a light one stays as the
// library draws it. The grid lies a quarter of the way from the base to the text.
void UsePaletteColours(QCustomPlot& plot, const QPalette& palette) {
    const QColor base = palette.color(QPalette::Base);
    const QColor text = palette.color(QPalette::Text);
    const QColor grid = QColor::fromRgbF(0.75f * base.redF() + 0.25f * text.redF(),
                                         0.75f * base.greenF() + 0.25f * text.greenF(),
                                         0.75f * base.blueF() + 0.25f * text.blueF());
    plot.setBackground(palette.brush(QPalette::Base));
    for (QCPAxis* axis : plot.findChildren<QCPAxis*>()) {
        for (const auto setPen : {&QCPAxis::setBasePen, &QCPAxis::setTickPen, &QCPAxis::setSubTickPen}) {
            (axis->*setPen)(QPen(text, 0));
        }
        axis->setTickLabelColor(text);
        axis->setLabelColor(text);
    }
    for (QCPGrid* lines : plot.findChildren<QCPGrid*>()) {
        lines->setPen(QPen(grid, 0, Qt::DotLine));
        lines->setZeroLinePen(QPen(grid, 0));
    }
}

// Cell centres lie on whole numbers, from the first cell's to the last's;
// a single cell spans the whole range it is given, so it gets one a unit wide.
QCPRange CellCentres(int cells) { return cells > 1 ? QCPRange(0, cells - 1) : QCPRange(-0.5, 0.5); }

// The heat map's columns rounded up to a whole number of blocks: a colour map
// allocates its cells afresh whenever its size changes, which with a column
// more each pass would cost every redraw of a long run fresh memory (and the
// system's page faults). The columns beyond the passes stay empty, off the axis.
int MapColumns(int columns) {
    constexpr int kBlock = 64;
    return (columns + kBlock - 1) / kBlock * kBlock;
}

// The heat map's columns named by the first pass each holds, counted from 1
// as the result lines count them, at whole columns only.
class PassTicker final : public QCPAxisTickerFixed {
public:
    PassTicker(std::int64_t firstPass, std::int64_t passesPerColumn)
        : firstPass_(firstPass), passesPerColumn_(passesPerColumn) {
        setTickStep(1);
        setScaleStrategy(QCPAxisTickerFixed::ssMultiples);
    }

protected:
    QString getTickLabel(double tick, const QLocale&, QChar, int) override {
        return QString::number(firstPass_ + std::llround(tick) * passesPerColumn_ + 1);
    }

private:
    std::int64_t firstPass_;
    std::int64_t passesPerColumn_;
};

QLabel* BuddyLabel(const QString& text, QWidget* field) {
    auto* label = new QLabel(text);
    label->setBuddy(field);
    field->setAccessibleName(QString(text).remove(QLatin1Char('&')).remove(QLatin1Char(':')));
    return label;
}

}  // namespace

frmLatencyGraph::frmLatencyGraph(EchoStore& echoes, QWidget* parent) : QWidget(parent, Qt::Window), echoes_(echoes) {
    UseWindowRole();
    setObjectName(QStringLiteral("frmLatencyGraph"));
    setWindowTitle(QStringLiteral("Latency Graph"));
    setAccessibleName(windowTitle());
    setAttribute(Qt::WA_DeleteOnClose);
    AddCloseKeys(*this);
    BuildControls();
    for (QCustomPlot* plot : {linePlot_, heatPlot_}) UsePaletteColours(*plot, palette());
    echoes_.AddObserver(*this);
    redrawTimer_ = new QTimer(this);
    redrawTimer_->setInterval(kRedrawMs);
    connect(redrawTimer_, &QTimer::timeout, this, &frmLatencyGraph::RedrawIfOutOfDate);
    redrawTimer_->start();
    sliceTimer_ = new QTimer(this);
    sliceTimer_->setSingleShot(true);
    connect(sliceTimer_, &QTimer::timeout, this, &frmLatencyGraph::WorkForAWhile);
    SizeToFitTable();
    RedrawInSlices(true);
}

frmLatencyGraph::~frmLatencyGraph() { echoes_.RemoveObserver(*this); }

void frmLatencyGraph::BuildControls() {
    cboShow_ = new QComboBox;
    cboSpan_ = new QComboBox;
    for (int minutes : kSpanMinutes) cboSpan_->addItem(minutes ? QStringLiteral("%1 min").arg(minutes) : QStringLiteral("All"));
    cboSpan_->setCurrentIndex(1);
    auto* cmdClear = new QPushButton(QStringLiteral("&Clear"));
    cmdClear->setAccessibleName(QStringLiteral("Clear"));
    auto* bar = new QHBoxLayout;
    bar->addWidget(BuddyLabel(QStringLiteral("&Show:"), cboShow_));
    bar->addWidget(cboShow_, 1);
    bar->addWidget(BuddyLabel(QStringLiteral("S&pan:"), cboSpan_));
    bar->addWidget(cboSpan_);
    bar->addWidget(cmdClear);

    linePlot_ = new QCustomPlot;
    linePlot_->setAccessibleName(QStringLiteral("Round trip against time"));
    // The window decimates to the pixel columns itself, and its line breaks at NaN, which the library's own sampling does not keep.
    QCPGraph* line = linePlot_->addGraph();
    line->setPen(QPen(kLineColour, 1.5));
    line->setAdaptiveSampling(false);
    // Joins drawn plainly: a wide line's mitred joins cost the raster engine several times the line itself.
    linePlot_->setPlottingHint(QCP::phFastPolylines, true);
    QCPGraph* failures = linePlot_->addGraph();
    failures->setLineStyle(QCPGraph::lsNone);
    failures->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssCross, kFailureColour, 9));
    QSharedPointer<QCPAxisTickerDateTime> clock(new QCPAxisTickerDateTime);
    clock->setDateTimeFormat(QStringLiteral("hh:mm:ss"));
    linePlot_->xAxis->setTicker(clock);
    linePlot_->yAxis->setLabel(QStringLiteral("Round trip (ms)"));
    linePlot_->yAxis->setNumberFormat(QStringLiteral("f"));
    linePlot_->yAxis->setNumberPrecision(2);
    linePlot_->setMouseTracking(true);
    connect(linePlot_, &QCustomPlot::mouseMove, this, &frmLatencyGraph::ShowLineHover);

    heatPlot_ = new QCustomPlot;
    heatPlot_->setAccessibleName(QStringLiteral("Round trip by address and pass"));
    heatPlot_->xAxis->setLabel(QStringLiteral("Pass"));
    heatPlot_->yAxis->setRangeReversed(true);
    auto* roundTrips = new QCPColorMap(heatPlot_->xAxis, heatPlot_->yAxis);
    roundTrips->setInterpolate(false);
    auto* scale = new QCPColorScale(heatPlot_);
    scale->axis()->setLabel(QStringLiteral("Round trip (ms)"));
    heatPlot_->plotLayout()->addElement(0, 1, scale);
    roundTrips->setColorScale(scale);
    scale->setGradient(PerceptualScale());  // the scale hands its gradient to the map
    auto* failed = new QCPColorMap(heatPlot_->xAxis, heatPlot_->yAxis);
    failed->setGradient(FailureScale());
    failed->setInterpolate(false);
    failed->setDataRange(QCPRange(0, 1));
    heatPlot_->setMouseTracking(true);
    connect(heatPlot_, &QCustomPlot::mouseMove, this, &frmLatencyGraph::ShowHeatHover);
    connect(heatPlot_, &QCustomPlot::mousePress, this, &frmLatencyGraph::OpenRowOf);
    heatLegend_ = new QLabel(QStringLiteral("<span style='color:%1'>&#9632;</span> Lost &nbsp; "
                                            "<span style='color:%2'>&#9632;</span> Error &nbsp; "
                                            "Click a row for its address's graph.")
                                 .arg(kLostColour.name(), kFailureColour.name()));
    auto* heatPage = new QWidget;
    auto* heatLayout = new QVBoxLayout(heatPage);
    heatLayout->setContentsMargins(0, 0, 0, 0);
    heatLayout->addWidget(heatPlot_, 1);
    heatLayout->addWidget(heatLegend_);

    charts_ = new QStackedWidget;
    charts_->addWidget(linePlot_);
    charts_->addWidget(heatPage);

    table_ = new QTableWidget(0, int(std::size(kTableHeaders)));
    table_->setAccessibleName(QStringLiteral("Statistics per address"));
    for (int c = 0; c < table_->columnCount(); ++c) {
        table_->setHorizontalHeaderItem(c, new QTableWidgetItem(QString::fromLatin1(kTableHeaders[c])));
    }
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSortingEnabled(true);
    table_->sortByColumn(0, Qt::AscendingOrder);
    table_->installEventFilter(this);

    auto* splitter = new QSplitter(Qt::Vertical);
    splitter->addWidget(charts_);
    splitter->addWidget(table_);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({460, 140});
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(splitter, 1);

    connect(cboShow_, &QComboBox::activated, this, [this] { RedrawInSlices(true); });
    connect(cboSpan_, &QComboBox::activated, this, [this] { RedrawInSlices(true); });
    connect(cmdClear, &QPushButton::clicked, this, [this] { echoes_.Clear(); });
}

void frmLatencyGraph::EchoAdded(const EchoRecord&) { outOfDate_ = true; }

// A build under way belongs to the old data set: the chart is begun again.
void frmLatencyGraph::EchoesCleared() {
    statistics_.Forget();
    table_->setRowCount(0);
    RedrawInSlices(true);
}

void frmLatencyGraph::RedrawIfOutOfDate() {
    if (outOfDate_) RedrawInSlices(false);
}

// The chart and then the table, a slice at a time in later turns of the event
// loop, so that a long history never holds the window. While a run goes on a
// build under way goes on; on opening and at a choice of view or span the
// chart is begun again.
void frmLatencyGraph::RedrawInSlices(bool beginAgain) {
    outOfDate_ = false;
    if (beginAgain) pending_ = Pending::None;
    ListAddresses();
    ShowChosenView(false);
    sliceTimer_->start(0);
}

void frmLatencyGraph::ShowAddress(const std::string& address) {
    ListAddresses();
    const int index = cboShow_->findText(QString::fromStdString(address));
    if (index >= 0) cboShow_->setCurrentIndex(index);
    RedrawInSlices(true);
}

void frmLatencyGraph::Redraw() {
    outOfDate_ = false;
    ListAddresses();
    ShowChosenView(true);
    FillTable([] { return false; });
}

// A range lists its heat map first; one target has only its line chart.
void frmLatencyGraph::ListAddresses() {
    const bool range = echoes_.SeriesCount() > 1;
    const int listed = cboShow_->count() - (range ? 1 : 0);
    if (listed == int(echoes_.SeriesCount()) && (cboShow_->count() == 0 || range == (cboShow_->itemData(0).toInt() < 0))) {
        return;
    }
    const QString chosen = cboShow_->currentText();
    cboShow_->clear();
    if (range) cboShow_->addItem(QStringLiteral("Heat map of the range"), -1);
    for (std::size_t s = 0; s < echoes_.SeriesCount(); ++s) {
        cboShow_->addItem(QString::fromStdString(echoes_.SeriesAt(s).Address()), int(s));
    }
    cboShow_->setCurrentIndex(std::max(cboShow_->findText(chosen), 0));
}

const EchoSeries* frmLatencyGraph::ShownSeries() const {
    const int s = cboShow_->currentData().toInt();
    if (cboShow_->currentIndex() < 0 || s < 0 || std::size_t(s) >= echoes_.SeriesCount()) return nullptr;
    return &echoes_.SeriesAt(std::size_t(s));
}

// The chart is built now, or a part at a time from WorkForAWhile; a build
// under way is left to finish unless the chart is wanted now.
void frmLatencyGraph::ShowChosenView(bool now) {
    const bool heatMap = cboShow_->currentIndex() >= 0 && cboShow_->currentData().toInt() < 0;
    charts_->setCurrentIndex(heatMap ? 1 : 0);
    const EchoSeries* series = heatMap ? nullptr : ShownSeries();
    if (!heatMap && !series) {
        pending_ = Pending::None;
        linePlot_->graph(0)->data()->clear();
        linePlot_->graph(1)->data()->clear();
        return linePlot_->replot(QCustomPlot::rpQueuedReplot);
    }
    if (pending_ == Pending::None || now) BeginChart(series);
    while (now && pending_ != Pending::None) BuildChartFor([] { return false; });
}

// The heat map without a series; an empty series keeps the chart as it was.
void frmLatencyGraph::BeginChart(const EchoSeries* series) {
    pending_ = Pending::None;
    if (!series) {
        heatBuilder_.Begin(echoes_, HeatMapColumns());
        pending_ = Pending::HeatMap;
    } else if (!series->Empty()) {
        BeginLineChart(*series);
        pending_ = Pending::LineChart;
    }
}

// The span ends at the newest echo; a column a pixel.
void frmLatencyGraph::BeginLineChart(const EchoSeries& series) {
    const int minutes = kSpanMinutes[std::max(cboSpan_->currentIndex(), 0)];
    lineToUs_ = series.At(series.Size() - 1).timeUs + 1000;
    lineFromUs_ = minutes ? lineToUs_ - std::int64_t(minutes) * 60'000'000 : series.At(0).timeUs;
    const auto columns = std::size_t(std::max(linePlot_->axisRect()->width(), 100));
    lineBuilder_.Begin(series, lineFromUs_, lineToUs_, columns);
}

// One part of the chart under way: a slice of its build, or its painting once built.
void frmLatencyGraph::BuildChartFor(const std::function<bool()>& outOfTime) {
    const EchoSeries* series = ShownSeries();
    if (pending_ == Pending::HeatMap && heatBuilder_.Done()) {
        PaintHeatMap();
    } else if (pending_ == Pending::HeatMap) {
        heatBuilder_.AddRows(echoes_, outOfTime);
    } else if (pending_ == Pending::LineChart && (!series || lineBuilder_.Done())) {
        PaintLineChart();
    } else if (pending_ == Pending::LineChart) {
        lineBuilder_.Walk(*series, outOfTime);
    }
}

// Each pixel column draws its replies from the first through the smallest
// and largest to the last; a column with a failure gets a red mark and breaks the line.
void frmLatencyGraph::PaintLineChart() {
    pending_ = Pending::None;
    const std::int64_t fromUs = lineFromUs_;
    const std::int64_t toUs = lineToUs_;
    const std::vector<EchoColumn> decimated = lineBuilder_.Take();
    const double columnUs = double(toUs - fromUs) / double(std::max<std::size_t>(decimated.size(), 1));
    QVector<double> keys, values, failedKeys, failedValues;
    double highestMs = 0;
    for (std::size_t c = 0; c < decimated.size(); ++c) {
        const EchoColumn& column = decimated[c];
        const double key = Seconds(fromUs + std::int64_t((double(c) + 0.5) * columnUs));
        if (column.replies > 0) {
            for (std::uint32_t us : {column.firstUs, column.minUs, column.maxUs, column.lastUs}) {
                keys.append(key);
                values.append(us / kUsPerMs);
            }
            highestMs = std::max(highestMs, column.maxUs / kUsPerMs);
        }
        if (column.failures > 0) {
            keys.append(key);
            values.append(std::numeric_limits<double>::quiet_NaN());
            failedKeys.append(key);
            failedValues.append(0);
        }
    }
    linePlot_->graph(0)->setData(keys, values, true);
    linePlot_->graph(0)->setScatterStyle(keys.size() < 400 ? QCPScatterStyle(QCPScatterStyle::ssDisc, 4)
                                                           : QCPScatterStyle());
    linePlot_->graph(1)->setData(failedKeys, failedValues, true);
    linePlot_->xAxis->setRange(Seconds(fromUs), Seconds(toUs));
    const double top = highestMs > 0 ? highestMs * 1.1 : 1.0;
    linePlot_->yAxis->setRange(0, top);
    // Ticks a quarter apart need a third decimal below 1 ms; at least 0.01 ms below 10.
    linePlot_->yAxis->setNumberPrecision(top < 1 ? 3 : top < 10 ? 2 : top < 100 ? 1 : 0);
    linePlot_->replot(QCustomPlot::rpQueuedReplot);
}

// A column a pixel; a very large range gets fewer, so the grid stays within a million cells.
std::size_t frmLatencyGraph::HeatMapColumns() const {
    constexpr std::size_t kMostCells = 1'000'000;
    const std::size_t addresses = std::max<std::size_t>(echoes_.SeriesCount(), 1);
    const auto width = std::size_t(std::max(heatPlot_->axisRect()->width(), 100));
    return std::clamp<std::size_t>(kMostCells / addresses, 1, width);
}

// The grid just built. Cell centres lie on whole numbers: the column on x, the row on y.
void frmLatencyGraph::PaintHeatMap() {
    pending_ = Pending::None;
    heatBuilder_.HandOver(heatGrid_);
    auto* roundTrips = static_cast<QCPColorMap*>(heatPlot_->plottable(0));
    auto* failed = static_cast<QCPColorMap*>(heatPlot_->plottable(1));
    const int columns = int(std::max<std::size_t>(heatGrid_.columns, 1));
    const int rows = int(std::max<std::size_t>(heatGrid_.addresses.size(), 1));
    for (QCPColorMap* map : {roundTrips, failed}) {
        map->data()->setSize(MapColumns(columns), rows);
        map->data()->setRange(CellCentres(MapColumns(columns)), CellCentres(rows));
        map->data()->fill(std::numeric_limits<double>::quiet_NaN());
    }
    shownMs_.clear();
    for (std::size_t r = 0; r < heatGrid_.addresses.size(); ++r) {
        for (std::size_t c = 0; c < heatGrid_.columns; ++c) {
            const HeatCell& cell = heatGrid_.At(r, c);
            if (cell.kind == CellKind::Replied) {
                roundTrips->data()->setCell(int(c), int(r), cell.roundTripUs / kUsPerMs);
                shownMs_.push_back(cell.roundTripUs / kUsPerMs);
            } else if (cell.kind != CellKind::Empty) {
                failed->data()->setCell(int(c), int(r), cell.kind == CellKind::Error ? 1 : 0);
            }
        }
    }
    // The scale ends at the 99th percentile, so that one stray echo does not
    // darken every other cell; the few beyond it show the brightest colour.
    double topMs = 1;
    if (!shownMs_.empty()) {
        const auto top = shownMs_.begin() + std::ptrdiff_t(shownMs_.size() * 99 / 100);
        std::nth_element(shownMs_.begin(), top, shownMs_.end());
        topMs = std::max(*top, 0.001);
    }
    roundTrips->setDataRange(QCPRange(0, topMs));
    QSharedPointer<QCPAxisTickerText> rowNames(new QCPAxisTickerText);
    const std::size_t every = heatGrid_.addresses.size() / 24 + 1;  // room for about 24 names
    for (std::size_t r = 0; r < heatGrid_.addresses.size(); r += every) {
        rowNames->addTick(double(r), QString::fromStdString(heatGrid_.addresses[r]));
    }
    heatPlot_->yAxis->setTicker(rowNames);
    heatPlot_->yAxis->setRange(-0.5, rows - 0.5);
    heatPlot_->xAxis->setTicker(QSharedPointer<PassTicker>::create(heatGrid_.firstPass, heatGrid_.passesPerColumn));
    heatPlot_->xAxis->setRange(-0.5, columns - 0.5);
    heatPlot_->xAxis->setLabel(heatGrid_.passesPerColumn > 1
                                   ? QStringLiteral("Pass (%1 a column, the worst shown)").arg(heatGrid_.passesPerColumn)
                                   : QStringLiteral("Pass"));
    heatPlot_->replot(QCustomPlot::rpQueuedReplot);
}

// One piece of work a turn of the event loop: the chart's build for a slice
// of time, then its painting, then the table's figures a slice at a time.
void frmLatencyGraph::WorkForAWhile() {
    const auto deadline = std::chrono::steady_clock::now() + kSlice;
    const auto outOfTime = [deadline] { return std::chrono::steady_clock::now() >= deadline; };
    if (pending_ != Pending::None) {
        BuildChartFor(outOfTime);
    } else if (FillTable(outOfTime)) {
        return;
    }
    sliceTimer_->start(0);
}

// Rows keep their items: only the figures computed since the last fill change text.
bool frmLatencyGraph::FillTable(const std::function<bool()>& outOfTime) {
    const bool finished = statistics_.Refresh(echoes_, outOfTime);
    const int sortColumn = table_->horizontalHeader()->sortIndicatorSection();
    const Qt::SortOrder order = table_->horizontalHeader()->sortIndicatorOrder();
    table_->setSortingEnabled(false);
    AddRowsForNewAddresses();
    ShowFigures(statistics_.TakeUpdated());
    table_->setSortingEnabled(true);
    table_->sortByColumn(sortColumn, order);
    return finished;
}

// A new address's row holds its address, to be sorted by range order, and blank figures until they are computed.
void frmLatencyGraph::AddRowsForNewAddresses() {
    const int rows = table_->rowCount();
    if (rows == int(echoes_.SeriesCount())) return;
    table_->setRowCount(int(echoes_.SeriesCount()));
    for (int row = rows; row < table_->rowCount(); ++row) {
        auto* address = new NumberItem(QString::fromStdString(echoes_.SeriesAt(std::size_t(row)).Address()), row);
        address->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        table_->setItem(row, 0, address);
        for (int c = 1; c < table_->columnCount(); ++c) table_->setItem(row, c, new NumberItem(QString(), -1));
    }
}

// Each column as wide as its header or its widest text, and the window wide
// enough at its first size for all of them: no figure needs a scroll to be seen.
void frmLatencyGraph::SizeToFitTable() {
    table_->setRowCount(1);
    for (int c = 0; c < table_->columnCount(); ++c) {
        table_->setItem(0, c, new QTableWidgetItem(QString::fromLatin1(kWidestCells[c])));
    }
    table_->resizeColumnsToContents();
    table_->setRowCount(0);
    int width = 2 * table_->frameWidth() + table_->verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < table_->columnCount(); ++c) width += table_->columnWidth(c);
    const QMargins margins = layout()->contentsMargins();
    // In twips, to grow with the text, and wide enough for every column.
    resize(std::max(Px(13500), width + margins.left() + margins.right()), Px(9600));
}

void frmLatencyGraph::ShowFigures(const std::vector<std::size_t>& updated) {
    if (updated.empty()) return;
    std::vector<int> rowOf(echoes_.SeriesCount());
    for (int row = 0; row < table_->rowCount(); ++row) {
        rowOf[std::size_t(table_->item(row, 0)->data(Qt::UserRole).toInt())] = row;
    }
    for (const std::size_t s : updated) {
        const EchoStatistics& figures = *statistics_.Find(s);
        const int row = rowOf[s];
        const auto show = [this, row](int column, const QString& text, double number) {
            QTableWidgetItem* cell = table_->item(row, column);
            cell->setText(text);
            cell->setData(Qt::UserRole, number);
        };
        show(1, QString::number(figures.sent), double(figures.sent));
        show(2, QString::number(figures.received), double(figures.received));
        show(3, QString::number(figures.lossPercent, 'f', 1), figures.lossPercent);
        const std::optional<RoundTripFigures>& rtt = figures.roundTrips;
        const double values[] = {rtt ? rtt->minUs : 0,   rtt ? rtt->averageUs : 0, rtt ? rtt->maxUs : 0,
                                 rtt ? rtt->mdevUs : 0, rtt ? rtt->medianUs : 0,  rtt ? rtt->p95Us : 0};
        for (int i = 0; i < 6; ++i) {
            // Without a reply there is no round trip: the cell stays blank and sorts first.
            show(4 + i, rtt ? MsText(values[i]) : QString(), rtt ? values[i] : -1);
        }
    }
}

void frmLatencyGraph::ShowLineHover(QMouseEvent* event) {
    const EchoSeries* series = ShownSeries();
    if (!series || series->Empty()) return;
    const auto atUs = std::int64_t(linePlot_->xAxis->pixelToCoord(event->position().x()) * 1e6);
    const double usPerPx = linePlot_->xAxis->range().size() * 1e6 / std::max(linePlot_->axisRect()->width(), 1);
    const auto reachUs = std::int64_t(kHoverReachPx * usPerPx);
    const std::size_t after = series->FirstAtOrAfter(atUs - reachUs);
    if (after >= series->Size()) return QToolTip::hideText();
    const EchoSample echo = series->At(after);
    if (echo.timeUs > atUs + reachUs) return QToolTip::hideText();
    QToolTip::showText(event->globalPosition().toPoint(),
                       QString::fromStdString(series->Address()) + QLatin1Char('\n') + EchoText(echo), linePlot_);
}

void frmLatencyGraph::ShowHeatHover(QMouseEvent* event) {
    const auto column = std::lround(heatPlot_->xAxis->pixelToCoord(event->position().x()));
    const auto row = std::lround(heatPlot_->yAxis->pixelToCoord(event->position().y()));
    if (row < 0 || column < 0 || std::size_t(row) >= heatGrid_.addresses.size() ||
        std::size_t(column) >= heatGrid_.columns) {
        return QToolTip::hideText();
    }
    const std::optional<EchoSample> echo = ShownEcho(echoes_, heatGrid_, std::size_t(row), std::size_t(column));
    const QString address = QString::fromStdString(heatGrid_.addresses[std::size_t(row)]);
    QToolTip::showText(event->globalPosition().toPoint(),
                       echo ? address + QLatin1Char('\n') + EchoText(*echo) : address, heatPlot_);
}

void frmLatencyGraph::OpenRowOf(QMouseEvent* event) {
    const auto row = std::lround(heatPlot_->yAxis->pixelToCoord(event->position().y()));
    if (row < 0 || std::size_t(row) >= heatGrid_.addresses.size()) return;
    ShowAddress(heatGrid_.addresses[std::size_t(row)]);
}

// The table's own copy takes only the current cell: Ctrl+C copies the whole selection instead.
bool frmLatencyGraph::eventFilter(QObject* watched, QEvent* event) {
    if (watched == table_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        CopySelection();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

// The selected cells, a line per row and a tab between columns, with the headers first.
void frmLatencyGraph::CopySelection() {
    const QList<QTableWidgetSelectionRange> ranges = table_->selectedRanges();
    if (ranges.isEmpty()) return;
    QList<int> rows, columns;
    for (const QTableWidgetSelectionRange& range : ranges) {
        for (int r = range.topRow(); r <= range.bottomRow(); ++r) rows.append(r);
        for (int c = range.leftColumn(); c <= range.rightColumn(); ++c) columns.append(c);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    std::sort(columns.begin(), columns.end());
    columns.erase(std::unique(columns.begin(), columns.end()), columns.end());
    QStringList lines;
    QStringList header;
    for (int c : columns) header.append(table_->horizontalHeaderItem(c)->text());
    lines.append(header.join(QLatin1Char('\t')));
    for (int r : rows) {
        QStringList cells;
        for (int c : columns) {
            const QTableWidgetItem* item = table_->item(r, c);
            cells.append(item && item->isSelected() ? item->text() : QString());
        }
        lines.append(cells.join(QLatin1Char('\t')));
    }
    QApplication::clipboard()->setText(lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
}

}  // namespace velmora

// The latency graph over a run through the fakes: opened from the View menu,
// it follows the run and fills the heat map, each address's line chart and
// the statistics table.

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QTableWidget>
#include <QTest>
#include <cmath>
#include <qcustomplot.h>

#include "monitoring/frmLatencyGraph.h"
#include "tests/main_window/WindowTesting.h"

namespace velmora::test {
namespace {

class LatencyGraphTest : public WindowTest {
protected:
    frmLatencyGraph& Graph() const {
        auto* graph = window->findChild<frmLatencyGraph*>();
        if (!graph) throw std::logic_error("no latency graph");
        return *graph;
    }
    template <typename T>
    T& InGraph(const char* accessibleName) const {
        for (T* found : Graph().findChildren<T*>()) {
            if (found->accessibleName() == QLatin1String(accessibleName)) return *found;
        }
        throw std::logic_error(std::string("no ") + accessibleName);
    }
    QTableWidget& Table() const { return InGraph<QTableWidget>("Statistics per address"); }
    QComboBox& Shown() const { return InGraph<QComboBox>("Show"); }
    QCustomPlot& LineChart() const { return InGraph<QCustomPlot>("Round trip against time"); }
    QCustomPlot& HeatMap() const { return InGraph<QCustomPlot>("Round trip by address and pass"); }

    // The table as text, a line a row, cells joined by "|".
    std::vector<std::string> TableText() const {
        std::vector<std::string> rows;
        for (int r = 0; r < Table().rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < Table().columnCount(); ++c) cells << Table().item(r, c)->text();
            rows.push_back(cells.join(u'|').toStdString());
        }
        return rows;
    }
};

// A range of three, 10.0.0.2 silent: the heat map has a row each, the line
// chart of 10.0.0.2 a red mark and no line, and the table its figures.
TEST_F(LatencyGraphTest, ARunFillsTheHeatMapTheLineChartsAndTheTable) {
    Open().show();
    net.answer = [](const EchoRequest& r) {
        if (OctetOf(r.destination, 3) == 2) return EchoFailure(IP_REQ_TIMED_OUT);
        EchoAnswer a = EchoSuccess(r, 1);
        a.reply.RoundTripMicroseconds = 1000 + 250 * OctetOf(r.destination, 3);
        return a;
    };
    Item("mnuLatencyGraph").trigger();  // opened before the run, it follows it
    ASSERT_TRUE(Graph().isVisible());
    EXPECT_EQ(Item("mnuLatencyGraph").shortcut(), QKeySequence(QStringLiteral("Ctrl+G")));
    for (int i = 0; i < 4; ++i) {
        StartOctet(i).setText(QLatin1String(i == 0 ? "10" : i == 3 ? "1" : "0"));
        StopOctet(i).setText(QLatin1String(i == 0 ? "10" : i == 3 ? "3" : "0"));
    }
    Item("mnuStartPinging").trigger();
    Graph().Redraw();

    EXPECT_EQ(Shown().currentText(), QStringLiteral("Heat map of the range"));
    const auto& cells = static_cast<QCPColorMap*>(HeatMap().plottable(0))->data();
    EXPECT_EQ(cells->valueSize(), 3);
    EXPECT_DOUBLE_EQ(cells->cell(0, 2), 1.75);
    EXPECT_TRUE(std::isnan(cells->cell(1, 2))) << "no pass beyond the first";
    EXPECT_DOUBLE_EQ(cells->keyRange().size() / (cells->keySize() - 1), 1)
        << "a single pass still draws its column, a unit wide";
    EXPECT_EQ(HeatMap().xAxis->range(), QCPRange(-0.5, 0.5)) << "the axis shows the passes alone";
    QVector<double> ticks;
    QVector<QString> passes;
    HeatMap().xAxis->ticker()->generate(HeatMap().xAxis->range(), QLocale(), u'f', 0, ticks, nullptr, &passes);
    EXPECT_EQ(passes, QVector<QString>{QStringLiteral("1")}) << "the pass, counted as the lines count it";
    EXPECT_EQ(TableText(), (std::vector<std::string>{
                               "10.0.0.1|1|1|0.0|1.250|1.250|1.250|0.000|1.250|1.250",
                               "10.0.0.2|1|0|100.0||||||",
                               "10.0.0.3|1|1|0.0|1.750|1.750|1.750|0.000|1.750|1.750",
                           }));

    // A chosen address is drawn in the turns of the event loop that follow, not at once.
    Graph().ShowAddress("10.0.0.2");
    EXPECT_EQ(LineChart().graph(1)->data()->size(), 0);
    ASSERT_TRUE(QTest::qWaitFor([this] { return LineChart().graph(1)->data()->size() == 1; })) << "one red mark";
    EXPECT_EQ(LineChart().graph(0)->data()->size(), 1) << "the line breaks: a gap and no point";
    Graph().ShowAddress("10.0.0.3");
    ASSERT_TRUE(QTest::qWaitFor([this] { return LineChart().graph(1)->data()->isEmpty(); }));
    EXPECT_DOUBLE_EQ(LineChart().graph(0)->data()->at(0)->value, 1.75);

    // Sorted by loss, highest first; Ctrl+C copies the selection as tab-separated text.
    Table().sortByColumn(3, Qt::DescendingOrder);
    Table().selectRow(0);
    QTest::keyClick(&Table(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(),
              "Address\tSent\tReceived\tLoss %\tMinimum (ms)\tAverage (ms)\tMaximum (ms)\tMdev (ms)\tMedian "
              "(ms)\t95th percentile (ms)\n10.0.0.2\t1\t0\t100.0\t\t\t\t\t\t\n");
    Exit();
}

}  // namespace
}  // namespace velmora::test

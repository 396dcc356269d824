// The short benchmark that chose the plotting library of the latency graph:
// one repaint of a 3,000,000-point series, offscreen at 1000 x 400, in Qt
// Charts and in QCustomPlot, each fed the whole series and fed the series
// decimated to the minimum and maximum of each pixel column (2,000 points).
// Loading the points into the chart is timed apart from the repaint.
//
//   QT_QPA_PLATFORM=offscreen plot_library

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QImage>
#include <QLineSeries>
#include <QPainter>
#include <QValueAxis>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <qcustomplot.h>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kPoints = 3'000'000;
constexpr int kWidth = 1000;
constexpr int kHeight = 400;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// A round trip of about 1 ms with jitter, one point a millisecond.
QVector<QPointF> Series(int count) {
    QVector<QPointF> points;
    points.reserve(count);
    for (int i = 0; i < count; ++i) points.append(QPointF(i, 1.0 + 0.3 * std::sin(i * 0.001) + 0.05 * (i % 13)));
    return points;
}

QVector<QPointF> Decimated(const QVector<QPointF>& points) {
    QVector<QPointF> out;
    const qsizetype perColumn = points.size() / kWidth;
    for (qsizetype c = 0; c < kWidth; ++c) {
        double low = 1e300;
        double high = -1e300;
        for (qsizetype i = c * perColumn; i < (c + 1) * perColumn; ++i) {
            low = std::min(low, points[i].y());
            high = std::max(high, points[i].y());
        }
        out.append(QPointF(double(c * perColumn), low));
        out.append(QPointF(double(c * perColumn), high));
    }
    return out;
}

// The fastest of three repaints; before each, what the library redraws when its data changed.
double RepaintMs(QWidget& widget, const std::function<void()>& redraw = [] {}) {
    QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    double best = 1e300;
    for (int i = 0; i < 3; ++i) {
        const auto start = Clock::now();
        redraw();
        widget.render(&image);
        best = std::min(best, Ms(Clock::now() - start));
    }
    return best;
}

void QtCharts(const char* label, const QVector<QPointF>& points) {
    QChartView view;
    view.resize(kWidth, kHeight);
    auto* series = new QLineSeries;
    const auto start = Clock::now();
    series->replace(points);
    auto* chart = view.chart();
    chart->addSeries(series);
    chart->createDefaultAxes();
    chart->legend()->hide();
    const double load = Ms(Clock::now() - start);
    std::printf("Qt Charts, %-22s load %9.1f ms   repaint %9.1f ms\n", label, load, RepaintMs(view));
}

void CustomPlot(const char* label, const QVector<QPointF>& points) {
    QCustomPlot plot;
    plot.resize(kWidth, kHeight);
    QVector<double> x, y;
    for (const QPointF& p : points) {
        x.append(p.x());
        y.append(p.y());
    }
    const auto start = Clock::now();
    plot.addGraph()->setData(x, y, true);
    plot.rescaleAxes();
    const double load = Ms(Clock::now() - start);
    std::printf("QCustomPlot, %-20s load %9.1f ms   repaint %9.1f ms\n", label, load, RepaintMs(plot, [&plot] { plot.replot(QCustomPlot::rpImmediateRefresh); }));
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const QVector<QPointF> whole = Series(kPoints);
    const QVector<QPointF> decimated = Decimated(whole);
    std::printf("%d points, %lld after decimation, %dx%d offscreen\n", kPoints, static_cast<long long>(decimated.size()),
                kWidth, kHeight);
    CustomPlot("decimated:", decimated);
    QtCharts("decimated:", decimated);
    CustomPlot("whole series:", whole);
    QtCharts("whole series:", whole);
    return 0;
}

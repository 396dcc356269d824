// What the latency graph costs.
//
//   graph_load --loopback [seconds] [rounds]  a Loop with Delay 0 to 127.0.0.1
//                through the real window, with the graph closed, then open
//                (span All), in turn for `rounds` (default 2): pings a second
//                and CPU as a share of one core, and the ratios open / closed
//   graph_load --repaint   one redraw of the graph over 3,000,000 echoes of one
//                address (span All) and of a heat map of 254 addresses by
//                11,811 passes: decimation, the table's figures, and the repaint
//   graph_load --memory    resident memory of a data set of 254 addresses
//                filled to 100,000 echoes each, and after as many again
//   graph_load --stall [seconds] [range|host]  the table's figures over 254 addresses x
//                100,000 echoes and over one host of 25,400,000: every
//                address's figures by a full decode (as a redraw did before)
//                and by the tally's walk, then the longest event-loop stall
//                (a probe timer's lateness) with the graph open while echoes
//                keep coming, and the line chart's decimation of the host (span All)
//   graph_load --netns [seconds] [closed]  the real main window with the
//                graph open (heat map), or closed, in a parallel Loop,
//                Delay 0, over 10.214.1.1 to 10.214.1.254 for `seconds`
//                (default 600): addresses local to
//                a network namespace of its own, which it makes and deletes;
//                resident memory (peak VmHWM, final VmRSS), the longest
//                event-loop stall and how long the thread ran and waited for
//                a CPU in it, with a line each minute. Needs root.
// Run it with QT_QPA_PLATFORM=offscreen; nothing but 127.0.0.1 and the
// namespace's own addresses is pinged.

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <vector>
#include <functional>
#include <qcustomplot.h>
#include <string>
#include <unistd.h>

#include "bench/BenchSupport.h"
#include "monitoring/Decimation.h"
#include "monitoring/EchoStatistics.h"
#include "monitoring/frmLatencyGraph.h"

namespace velmora::bench {
namespace {

constexpr std::int64_t kStartUs = 1'800'000'000'000'000;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// One loopback Loop for `seconds` after a second's warm-up; the graph opened first when asked.
LoopRate MeasureLoopback(QApplication& app, double seconds, bool graphOpen) {
    LinuxNetworkServices net;
    QtUiServices ui;
    RealWindow window(kLoopbackLoop, net, ui);
    if (graphOpen) {
        window.window.findChild<QAction*>(QStringLiteral("mnuLatencyGraph"))->trigger();
        auto* graph = window.window.findChild<frmLatencyGraph*>();
        for (QComboBox* box : graph->findChildren<QComboBox*>()) {
            if (box->accessibleName() == QLatin1String("Span")) box->setCurrentIndex(box->count() - 1);
        }
    }
    const LoopRate rate = MeasureLoop(app, window, seconds);
    std::printf("graph %-6s  %7ld pings in %.2f s: %6.0f pings/s, CPU %5.1f%% of one core\n",
                graphOpen ? "open" : "closed", rate.pings, rate.wallSeconds, double(rate.pings) / rate.wallSeconds,
                100.0 * rate.cpuSeconds / rate.wallSeconds);
    return rate;
}

// Closed and open in turn, round after round, so that the machine's other
// load falls on both alike: open / closed ratios.
void CompareLoopbackRates(QApplication& app, double seconds, int rounds) {
    LoopRate closed, open;
    for (int round = 0; round < rounds; ++round) {
        for (const bool graphOpen : {false, true}) {
            const LoopRate rate = MeasureLoopback(app, seconds, graphOpen);
            LoopRate& sum = graphOpen ? open : closed;
            sum.pings += rate.pings;
            sum.wallSeconds += rate.wallSeconds;
            sum.cpuSeconds += rate.cpuSeconds;
        }
    }
    const auto perSecond = [](const LoopRate& rate) { return double(rate.pings) / rate.wallSeconds; };
    const auto cpu = [](const LoopRate& rate) { return 100.0 * rate.cpuSeconds / rate.wallSeconds; };
    std::printf("open / closed over all rounds: pings/s %.0f / %.0f = %.3f, CPU %.1f%% / %.1f%% of one core\n",
                perSecond(open), perSecond(closed), perSecond(open) / perSecond(closed), cpu(open), cpu(closed));
}

// A round trip of about 1 ms with jitter; one echo in 97 lost.
EchoRecord SyntheticEcho(const std::string& address, std::int64_t i) {
    EchoRecord echo;
    echo.address = address;
    echo.sample.timeUs = kStartUs + i * 1000;
    echo.sample.pass = i;
    if (i % 97 == 96) {
        echo.sample.status = IP_REQ_TIMED_OUT;
        return echo;
    }
    echo.sample.roundTripUs = std::uint32_t(900 + (i * 7919) % 400);
    echo.sample.ttl = 64;
    echo.sample.dataSize = 32;
    echo.sample.dataIntact = true;
    return echo;
}

// The fastest of five: the window's redraw (decimation, chart data, table), then the chart's own repaint.
void TimeRedraw(const char* what, frmLatencyGraph& graph, QCustomPlot& plot) {
    QImage image(plot.size(), QImage::Format_ARGB32_Premultiplied);
    double redraw = 1e300, repaint = 1e300;
    for (int i = 0; i < 5; ++i) {
        const auto start = Clock::now();
        graph.Redraw();
        const auto drawn = Clock::now();
        plot.replot(QCustomPlot::rpImmediateRefresh);
        plot.render(&image);
        redraw = std::min(redraw, Ms(drawn - start));
        repaint = std::min(repaint, Ms(Clock::now() - drawn));
    }
    std::printf("%-44s redraw %7.1f ms   repaint %6.1f ms\n", what, redraw, repaint);
}

QCustomPlot& Plot(frmLatencyGraph& graph, const char* accessibleName) {
    for (QCustomPlot* plot : graph.findChildren<QCustomPlot*>()) {
        if (plot->accessibleName() == QLatin1String(accessibleName)) return *plot;
    }
    std::fprintf(stderr, "no plot %s\n", accessibleName);
    std::exit(2);
}

void MeasureRepaint() {
    constexpr std::int64_t kEchoes = 3'000'000;
    {
        EchoStore store;
        for (std::int64_t i = 0; i < kEchoes; ++i) store.Add(SyntheticEcho("127.0.0.1", i));
        frmLatencyGraph graph(store);
        graph.resize(1000, 700);
        graph.show();
        for (QComboBox* box : graph.findChildren<QComboBox*>()) {
            if (box->accessibleName() == QLatin1String("Span")) box->setCurrentIndex(box->count() - 1);
        }
        QApplication::processEvents();
        TimeRedraw("line chart, 3,000,000 echoes, span All:", graph, Plot(graph, "Round trip against time"));
    }
    EchoStore store;
    const std::int64_t passes = kEchoes / 254;
    for (std::int64_t pass = 0; pass < passes; ++pass) {
        for (int a = 1; a <= 254; ++a) store.Add(SyntheticEcho("10.0.0." + std::to_string(a), pass));
    }
    frmLatencyGraph graph(store);
    graph.resize(1000, 700);
    graph.show();
    QApplication::processEvents();
    TimeRedraw("heat map, 254 addresses x 11,811 passes:", graph, Plot(graph, "Round trip by address and pass"));
}

// 254 addresses that answer: local to a namespace of their own, deleted with this.
class LocalRange {
public:
    LocalRange() {
        const std::string ip = "ip -n " + namespace_.Name();
        Run(ip + " link set lo up");
        Run(ip + " route add local 10.214.1.0/24 dev lo");
        // A fresh namespace lets no group open ping sockets; a desktop user's would.
        Run("ip netns exec " + namespace_.Name() + " sysctl -qw net.ipv4.ping_group_range='0 2147483647'");
    }
    void Enter() const { namespace_.Enter(); }

private:
    const OwnedNamespace namespace_{"vgraph-"};
};

const RunSetup kRangeLoop = LoopWithoutDelay({"10", "214", "1", "1"}, {"10", "214", "1", "254"});

// The user-interface thread's time on a CPU and waiting in the run queue for
// one, in ms, as the kernel's scheduler counts them.
struct ThreadTimes {
    double runMs = 0;
    double waitMs = 0;
};

ThreadTimes ReadThreadTimes() {
    double runNs = 0, waitNs = 0;
    std::ifstream("/proc/thread-self/schedstat") >> runNs >> waitNs;
    return {runNs / 1e6, waitNs / 1e6};
}

// One gap between two probes: how late the second came, and what the thread
// did meanwhile. Late but neither running nor waiting for a CPU means it
// slept, in a system call or a page fault.
struct Stall {
    double lateMs = 0;
    double runMs = 0;
    double waitMs = 0;
};

std::string StallText(const Stall& stall) {
    char text[120];
    std::snprintf(text, sizeof text, "%6.1f ms (running %5.1f ms, waiting for a CPU %5.1f ms)", stall.lateMs,
                  stall.runMs, stall.waitMs);
    return text;
}

// The probe's longest gap so far and since the last line printed: a stall of
// the thread's own work, or of the shared machine keeping it from a CPU.
struct StallProbe {
    static constexpr auto kEvery = std::chrono::milliseconds(5);
    QTimer timer;
    Clock::time_point last = Clock::now();
    ThreadTimes lastTimes = ReadThreadTimes();
    Stall longest;
    Stall longestThisMinute;

    StallProbe() {
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            const Clock::time_point now = Clock::now();
            const ThreadTimes times = ReadThreadTimes();
            const Stall gap{Ms(now - last - kEvery), times.runMs - lastTimes.runMs, times.waitMs - lastTimes.waitMs};
            for (Stall* longer : {&longest, &longestThisMinute}) {
                if (gap.lateMs > longer->lateMs) *longer = gap;
            }
            last = now;
            lastTimes = times;
        });
        timer.start(kEvery);
    }
};

void MeasureRangeLoop(QApplication& app, double seconds, bool graphOpen) {
    LinuxNetworkServices net;
    QtUiServices ui;
    RealWindow window(kRangeLoop, net, ui);
    if (graphOpen) window.window.findChild<QAction*>(QStringLiteral("mnuLatencyGraph"))->trigger();
    window.SetParallel(true);
    const long before = ResidentKb();
    std::printf("graph_load --netns: frmPing, parallel Loop, Delay 0, 10.214.1.1 to 10.214.1.254, graph %s, "
                "%.0f s; resident %.1f MB at start\n",
                graphOpen ? "open" : "closed", seconds, double(before) / 1024);
    StallProbe probe;
    QTimer minute;
    int minutes = 0;
    QObject::connect(&minute, &QTimer::timeout, [&] {
        std::printf("  %3d min: %9ld sent, VmRSS %6.1f MB, VmHWM %6.1f MB, longest stall this minute %s\n", ++minutes,
                    SentSoFar(window), double(ResidentKb()) / 1024, double(StatusKb("VmHWM:")) / 1024,
                    StallText(probe.longestThisMinute).c_str());
        probe.longestThisMinute = Stall();
    });
    minute.start(60'000);
    QTimer::singleShot(int(seconds * 1000), &app, &QApplication::quit);
    window.Start();
    app.exec();
    std::printf("panels: %s, %s\n", qPrintable(window.window.findChild<QLabel*>(QStringLiteral("Panel2"))->text()),
                qPrintable(window.window.findChild<QLabel*>(QStringLiteral("Panel3"))->text()));
    std::printf("done: %ld sent; peak VmHWM %.1f MB, final VmRSS %.1f MB; longest event-loop stall %s\n",
                SentSoFar(window), double(StatusKb("VmHWM:")) / 1024, double(ResidentKb()) / 1024,
                StallText(probe.longest).c_str());
    window.Stop();
}

void MeasureMemory() {
    const long before = ResidentKb();
    EchoStore store;
    const auto fill = [&store](std::int64_t firstPass) {
        for (std::int64_t pass = firstPass; pass < firstPass + 100'000; ++pass) {
            for (int a = 1; a <= 254; ++a) store.Add(SyntheticEcho("10.0.0." + std::to_string(a), pass));
        }
    };
    fill(0);
    const long full = ResidentKb();
    fill(100'000);
    const long again = ResidentKb();
    std::printf("254 addresses x 100,000 echoes: %zu kept, resident +%.1f MB (%.2f bytes an echo)\n", store.EchoCount(),
                double(full - before) / 1024, double(full - before) * 1024 / double(store.EchoCount()));
    std::printf("as many again:                  %zu kept, resident +%.1f MB\n", store.EchoCount(),
                double(again - before) / 1024);
}

// What every redraw did for each address before the figures were cached and
// taken from the tally: decode every echo, copy the round trips, select.
void FiguresByFullDecode(const EchoSeries& series) {
    std::vector<std::uint32_t> roundTrips;
    series.Visit(0, [&roundTrips](const EchoSample& sample) {
        if (sample.Replied()) roundTrips.push_back(sample.roundTripUs);
        return true;
    });
    if (roundTrips.empty()) return;
    const auto middle = roundTrips.begin() + std::ptrdiff_t(roundTrips.size() / 2);
    std::nth_element(roundTrips.begin(), middle, roundTrips.end());
}

// Every address's figures both ways: the whole time, and the longest one address took.
void TimeFigures(const EchoStore& store) {
    double decodeTotal = 0, decodeLongest = 0, tallyTotal = 0, tallyLongest = 0;
    for (std::size_t s = 0; s < store.SeriesCount(); ++s) {
        const auto start = Clock::now();
        FiguresByFullDecode(store.SeriesAt(s));
        const auto decoded = Clock::now();
        StatisticsOf(store.SeriesAt(s));
        const auto tallied = Clock::now();
        decodeTotal += Ms(decoded - start);
        decodeLongest = std::max(decodeLongest, Ms(decoded - start));
        tallyTotal += Ms(tallied - decoded);
        tallyLongest = std::max(tallyLongest, Ms(tallied - decoded));
    }
    std::printf("  figures of every address: full decode %7.1f ms (longest address %6.1f ms), tally walk %7.1f ms "
                "(longest address %6.1f ms)\n",
                decodeTotal, decodeLongest, tallyTotal, tallyLongest);
}

// The event loop with the graph open for `seconds` while `feed` adds echoes
// every 10 ms: the longest the probe timer came late.
void TimeStalls(QApplication& app, EchoStore& store, double seconds, const std::function<void()>& feed) {
    frmLatencyGraph graph(store);
    graph.setAttribute(Qt::WA_DeleteOnClose, false);  // it lives on this stack
    graph.show();
    for (QComboBox* box : graph.findChildren<QComboBox*>()) {
        if (box->accessibleName() == QLatin1String("Span")) box->setCurrentIndex(box->count() - 1);
    }
    QApplication::processEvents();
    QTimer feeder;
    QObject::connect(&feeder, &QTimer::timeout, feed);
    feeder.start(10);
    const StallProbe probe;
    QTimer::singleShot(int(seconds * 1000), &app, &QApplication::quit);
    app.exec();
    std::printf("  graph open, echoes coming, %.0f s: the event loop stalled %s at most\n", seconds,
                StallText(probe.longest).c_str());
}

void TimeDecimation(const EchoSeries& series) {
    double fastest = 1e300;
    for (int i = 0; i < 3; ++i) {
        const auto start = Clock::now();
        DecimateByTime(series, series.At(0).timeUs, series.At(series.Size() - 1).timeUs + 1000, 1000);
        fastest = std::min(fastest, Ms(Clock::now() - start));
    }
    std::printf("  line chart's decimation, span All, 1000 columns: %6.1f ms\n", fastest);
}

// The same probe in an idle event loop: what the machine's other load alone makes it late by.
void TimeIdleStalls(QApplication& app, double seconds) {
    const StallProbe probe;
    QTimer::singleShot(int(seconds * 1000), &app, &QApplication::quit);
    app.exec();
    std::printf("idle event loop, no window, %.0f s: the probe came late by %s at most\n", seconds,
                StallText(probe.longest).c_str());
}

void MeasureStalls(QApplication& app, double seconds, const std::string& which) {
    constexpr std::int64_t kPasses = 100'000;
    TimeIdleStalls(app, seconds);
    if (which != "host") {
        std::printf("254 addresses x 100,000 echoes (heat map shown):\n");
        EchoStore store;
        std::int64_t pass = 0;
        const auto addPass = [&store, &pass] {
            for (int a = 1; a <= 254; ++a) store.Add(SyntheticEcho("10.0.0." + std::to_string(a), pass));
            ++pass;
        };
        while (pass < kPasses) addPass();
        TimeFigures(store);
        TimeStalls(app, store, seconds, addPass);
    }
    if (which == "range") return;
    std::printf("one host, 25,400,000 echoes (span All):\n");
    EchoStore store;
    std::int64_t next = 0;
    const auto addEchoes = [&store, &next](std::int64_t count) {
        for (const std::int64_t end = next + count; next < end; ++next) store.Add(SyntheticEcho("127.0.0.1", next));
    };
    addEchoes(std::int64_t(EchoStore::kEchoesPerAddress * EchoStore::kAddressesInFull));
    TimeFigures(store);
    TimeDecimation(store.SeriesAt(0));
    TimeStalls(app, store, seconds, [&addEchoes] { addEchoes(10); });
}

}  // namespace
}  // namespace velmora::bench

int main(int argc, char* argv[]) {
    using namespace velmora::bench;
    const std::string mode = argc > 1 ? argv[1] : "--repaint";
    // The namespace is entered before the toolkit starts a thread, so that every thread works in it.
    std::unique_ptr<LocalRange> range;
    if (mode == "--netns") {
        if (::geteuid() != 0) {
            std::printf("graph_load --netns: needs root (it creates a network namespace); skipped\n");
            return 0;
        }
        try {
            range = std::make_unique<LocalRange>();
            range->Enter();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "graph_load: %s\n", e.what());
            return 1;
        }
    }
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (mode == "--netns") {
        QTemporaryDir folder;
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder.path());
        const bool graphOpen = !(argc > 3 && std::string(argv[3]) == "closed");
        MeasureRangeLoop(app, argc > 2 ? std::stod(argv[2]) : 600.0, graphOpen);
        return 0;
    }
    if (mode == "--loopback") {
        QTemporaryDir folder;
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder.path());
        const double seconds = argc > 2 ? std::stod(argv[2]) : 10.0;
        std::printf("graph_load --loopback: frmPing, Loop, Delay 0, 127.0.0.1, platform %s\n",
                    qPrintable(QApplication::platformName()));
        CompareLoopbackRates(app, seconds, argc > 3 ? std::stoi(argv[3]) : 2);
        return 0;
    }
    if (mode == "--stall") {
        MeasureStalls(app, argc > 2 ? std::stod(argv[2]) : 5.0, argc > 3 ? argv[3] : "");
        return 0;
    }
    if (mode == "--memory") {
        MeasureMemory();
        return 0;
    }
    MeasureRepaint();
    return 0;
}

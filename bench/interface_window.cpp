// The interface information window left open on a real interface, offscreen:
// the process's CPU time (getrusage) over a span of wall time while the
// window refreshes five times a second, each refresh reading the link table
// twice. Then the cost of one refresh and of one table read, timed over many.
// It reads the kernel's tables only and sends nothing.
//
//   interface_window [name] [seconds]   the interface (default: the one with
//                                       the most octets), seconds (default 10)

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/BenchSupport.h"
#include "interfaces/frmInterfaceInfo.h"
#include "platform/LinuxNetworkServices.h"

namespace {

using namespace velmora;
using bench::Clock;
using bench::CpuSeconds;

// Counts the ticks of the timers it makes: the window's refreshes.
class CountingUi final : public bench::ForwardingUi {
public:
    int ticks = 0;

    std::unique_ptr<Timer> CreateTimer() override { return std::make_unique<CountingTimer>(qt_.CreateTimer(), ticks); }

private:
    class CountingTimer final : public Timer {
    public:
        CountingTimer(std::unique_ptr<Timer> timer, int& ticks) : timer_(std::move(timer)), ticks_(ticks) {}
        void SetInterval(int ms) override { timer_->SetInterval(ms); }
        int Interval() const override { return timer_->Interval(); }
        void SetEnabled(bool enabled) override { timer_->SetEnabled(enabled); }
        bool Enabled() const override { return timer_->Enabled(); }
        void OnTimer(std::function<void()> handler) override {
            timer_->OnTimer([this, handler = std::move(handler)] {
                ++ticks_;
                handler();
            });
        }

    private:
        std::unique_ptr<Timer> timer_;
        int& ticks_;
    };
};

class NoView final : public InterfaceMonitorView {
public:
    void SetRowValue(int, const std::string&) override {}
    void SetTraffic(const std::string&, const std::string&) override {}
    void ShowTrafficPicture(int) override {}
    std::string DateTimeText(DateTime) const override { return {}; }
};

// The 1-based position of the named interface, or of the busiest one.
std::size_t Choose(NetworkServices& net, UiServices& ui, const std::string& name, std::string& chosen,
                   std::size_t& links) {
    CIpHelper helper(net, ui);
    std::size_t position = 0, best = 0;
    std::uint64_t most = 0;
    const CInterfaces interfaces = helper.Interfaces();
    links = interfaces.Count();
    for (const CInterface& record : interfaces) {
        ++position;
        const std::uint64_t octets = record.OctetsReceived + record.OctetsSent;
        const bool wanted = name.empty() ? best == 0 || octets > most : record.InterfaceName == name;
        if (!wanted) continue;
        best = position;
        most = octets;
        chosen = record.InterfaceName;
        if (!name.empty()) break;
    }
    return best;
}

template <typename Work>
double MicrosecondsEach(int times, Work work) {
    const auto started = Clock::now();
    for (int i = 0; i < times; ++i) work();
    return bench::Seconds(Clock::now() - started) * 1e6 / times;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::string name = argc > 1 ? argv[1] : "";
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 10;

    LinuxNetworkServices net;
    CountingUi ui;
    std::string chosen;
    std::size_t links = 0;
    std::size_t selected = Choose(net, ui, name, chosen, links);
    if (selected == 0) {
        std::fprintf(stderr, "no interface %s\n", name.c_str());
        return 2;
    }

    {
        // Deletes itself when closed, as the quit at the end closes every window.
        const QPointer<frmInterfaceInfo> window = new frmInterfaceInfo(net, ui, selected);
        window->show();
        QTimer::singleShot(seconds * 1000, Qt::PreciseTimer, &app, &QCoreApplication::quit);
        const double cpuBefore = CpuSeconds();
        const auto started = Clock::now();
        app.exec();
        const double cpu = CpuSeconds() - cpuBefore;
        const double wall = bench::Seconds(Clock::now() - started);
        std::printf("window open on %s (%zu links), offscreen, %.1f s: %d refreshes, CPU %.3f s = %.2f%% of one core\n",
                    chosen.c_str(), links, wall, ui.ticks, cpu, 100.0 * cpu / wall);
        delete window;
    }

    NoView view;
    InterfaceMonitor monitor(view, net, ui);
    CIpHelper helper(net, ui);
    constexpr int kTimes = 2000;
    const double refresh = MicrosecondsEach(kTimes, [&] { monitor.ShowInterfaceInfo(selected); });
    const double read = MicrosecondsEach(kTimes, [&] { helper.Interfaces(); });
    std::printf("one refresh %.1f us (two table reads), one table read %.1f us; five refreshes a second: %.3f%% of one core\n",
                refresh, read, 5 * refresh / 1e4);
    return 0;
}

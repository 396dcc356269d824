// How soon Stop ends a run whose echo waits for a silent host: from the Stop
// command to the idle window, and to the moment the platform's wait returns
// (its worker and socket free again), with a Timeout of 10000 ms. Each round
// starts a fresh run, so a Start right after a Stop is exercised too. Needs
// root: it builds two namespaces of its own, a client and a target 10.214.0.2
// that ignores echo requests, and removes them afterwards.
//
//   stop_latency [rounds]      (default 20; run with QT_QPA_PLATFORM=offscreen)

#include <unistd.h>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "platform/LinuxNetworkServices.h"
#include "platform/QtUiServices.h"

namespace velmora::bench {
namespace {

// The client and the silent target on a veth; this process enters the
// client before it starts any thread.
class SilentNetwork {
public:
    SilentNetwork() {
        const std::string n = "ip -n " + client_.Name();
        const std::string t = "ip -n " + target_.Name();
        Run(n + " link add vp0 type veth peer name vp1 netns " + target_.Name());
        Run(n + " addr add 10.214.0.1/24 dev vp0");
        Run(n + " link set lo up");
        Run(n + " link set vp0 up");
        Run(t + " addr add 10.214.0.2/24 dev vp1");
        Run(t + " link set vp1 up");
        Run("ip netns exec " + target_.Name() + " sysctl -qw net.ipv4.icmp_echo_ignore_all=1");
        Run("ip netns exec " + client_.Name() + " sysctl -qw net.ipv4.ping_group_range='0 2147483647'");
        client_.Enter();
    }

private:
    const OwnedNamespace client_{"vstop-c"};
    const OwnedNamespace target_{"vstop-t"};
};

// The real network, noting when each echo's wait returns.
class WatchedNetwork final : public ForwardingNetwork {
public:
    std::atomic<long long> lastReturn{0};  // steady-clock nanoseconds
    std::atomic<int> waiting{0};

    std::uint32_t IcmpSendEcho(IcmpHandle handle, std::uint32_t destination, const void* data, std::uint16_t size,
                               const IP_OPTION_INFORMATION* options, void* reply, std::uint32_t replySize,
                               std::uint32_t timeoutMs) override {
        ++waiting;
        const auto replies = real_.IcmpSendEcho(handle, destination, data, size, options, reply, replySize, timeoutMs);
        lastReturn = Clock::now().time_since_epoch().count();
        --waiting;
        return replies;
    }
};

const RunSetup kSilent{{"10", "214", "0", "2"},
                       {"10", "214", "0", "2"},
                       true,
                       {{Control::Num, "1"},
                        {Control::DataSize, "32"},
                        {Control::TTL, "64"},
                        {Control::Timeout, "10000"},
                        {Control::Delay, "1000"}}};

double Millis(long long nanoseconds) { return double(nanoseconds) / 1e6; }

void PrintFigures(const char* what, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    std::printf("%-34s median %7.3f ms, max %7.3f ms\n", what, ms[ms.size() / 2], ms.back());
}

}  // namespace
}  // namespace velmora::bench

int main(int argc, char* argv[]) {
    using namespace velmora;
    using namespace velmora::bench;
    if (::geteuid() != 0) {
        std::printf("stop_latency: needs root to build its namespace\n");
        return 1;
    }
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    try {
        const SilentNetwork network;
        QApplication app(argc, argv);
        QTemporaryDir store;
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, store.path());
        QtUiServices ui;
        WatchedNetwork net;
        RealWindow window(kSilent, net, ui);

        std::vector<double> toIdle, toWaitReturned;
        int round = 0;
        bool failed = false;
        long long stopAt = 0;
        QTimer step;
        step.setSingleShot(true);
        QObject::connect(&step, &QTimer::timeout, [&] {
            if (stopAt != 0) {
                // The abandoned wait has had its chance to return; nothing may still wait.
                if (net.waiting != 0) failed = true;
                toWaitReturned.push_back(Millis(net.lastReturn - stopAt));
                stopAt = 0;
                if (++round == rounds) return app.quit();
                window.Start();
                return step.start(300);  // the echo is well into its wait
            }
            stopAt = Clock::now().time_since_epoch().count();
            window.Stop();
            const long long idleAt = Clock::now().time_since_epoch().count();
            if (window.Running()) failed = true;
            toIdle.push_back(Millis(idleAt - stopAt));
            step.start(200);
        });
        window.Start();
        step.start(300);
        app.exec();

        std::printf("stop_latency: %d rounds, silent target 10.214.0.2, Timeout 10000 ms, frmPing (%s)\n", rounds,
                    qPrintable(QApplication::platformName()));
        PrintFigures("Stop command to idle window", toIdle);
        PrintFigures("Stop command to the wait's return", toWaitReturned);
        std::printf("every run idle at once, no wait left behind: %s\n", failed ? "NO" : "yes");
        return failed ? 1 : 0;
    } catch (const std::exception& error) {
        std::printf("stop_latency: %s\n", error.what());
        return 1;
    }
}

// Cost of one echo as the program makes it (engine Ping: open, send, wait,
// close) to 127.0.0.1, beside iputils ping over the same address; and, with
// --overshoot, how late a timed-out echo returns, measured on silent drops in
// a namespace of our own (needs root). Prints figures; judges nothing.
//
//   echo_loopback [--count N]      N echoes, default 1000
//   echo_loopback --overshoot      20 silent drops with a 100 ms timeout

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine/mdbPing.h"
#include "platform/LinuxNetworkServices.h"
#include "platform/QtUiServices.h"

namespace {

using namespace velmora;
using Clock = std::chrono::steady_clock;
using Micros = std::chrono::duration<double, std::micro>;

struct Figures {
    double median = 0;
    double p99 = 0;
    double mean = 0;
};

Figures Summarise(std::vector<double> samples) {
    if (samples.empty()) return {};
    std::sort(samples.begin(), samples.end());
    Figures figures;
    figures.median = samples[samples.size() / 2];
    figures.p99 = samples[std::min(samples.size() - 1, samples.size() * 99 / 100)];
    for (const double sample : samples) figures.mean += sample / double(samples.size());
    return figures;
}

// Wall time of each Ping in microseconds; failed echoes are counted apart.
std::vector<double> TimeEchoes(const mdbPing& engine, const std::string& target, int count, int timeoutMs,
                               int& failures) {
    std::vector<double> samples;
    ReplyRecord record{};
    IP_OPTION_INFORMATION options;
    options.Ttl = 64;
    for (int i = 0; i < count; ++i) {
        const auto start = Clock::now();
        const std::int32_t result = engine.Ping(target, record, options, std::uint8_t(1 + i % 254), 32, timeoutMs);
        samples.push_back(Micros(Clock::now() - start).count());
        if (result < 0 || record.reply.Status != IP_SUCCESS) ++failures;
    }
    return samples;
}

struct IputilsFigures {
    double avgRttMicros = 0;
    double totalMillis = 0;
    bool parsed = false;
};

// Runs iputils ping and reads its "time NNNms" and "rtt min/avg/max/mdev" lines.
IputilsFigures RunIputils(int count) {
    const std::string command = "ping -c " + std::to_string(count) + " -i 0 -q -s 32 127.0.0.1 2>&1";
    IputilsFigures figures;
    std::unique_ptr<FILE, decltype(&::pclose)> pipe(::popen(command.c_str(), "r"), &::pclose);
    if (!pipe) return figures;
    char line[512];
    while (std::fgets(line, sizeof line, pipe.get()) != nullptr) {
        const std::string text = line;
        if (const auto at = text.find(", time "); at != std::string::npos) {
            figures.totalMillis = std::stod(text.substr(at + 7));
        }
        double min = 0, avg = 0;
        if (std::sscanf(line, "rtt min/avg/max/mdev = %lf/%lf", &min, &avg) == 2) {
            figures.avgRttMicros = avg * 1000;
            figures.parsed = true;
        }
    }
    return figures;
}

int Loopback(int count) {
    LinuxNetworkServices net;
    QtUiServices ui;
    const mdbPing engine(net, ui);
    int failures = 0;
    TimeEchoes(engine, "127.0.0.1", std::min(count, 50), 1000, failures);  // warm up
    failures = 0;
    const Figures ours = Summarise(TimeEchoes(engine, "127.0.0.1", count, 1000, failures));
    std::printf("Velmora Ping to 127.0.0.1, %d echoes of 32 bytes (%d failed)\n", count, failures);
    std::printf("  per echo: median %.1f us, p99 %.1f us, mean %.1f us\n", ours.median, ours.p99, ours.mean);
    if (failures == count) std::printf("  %s\n", net.IcmpPermissionAdvice().c_str());

    const IputilsFigures iputils = RunIputils(count);
    if (!iputils.parsed) {
        std::printf("iputils ping: no figures (is it installed, and may this user use -i 0?)\n");
        return 0;
    }
    const double iputilsPerEcho = iputils.totalMillis * 1000 / count;
    std::printf("iputils ping -c %d -i 0 -q 127.0.0.1\n", count);
    std::printf("  rtt avg %.1f us; total %.0f ms, %.1f us per echo\n", iputils.avgRttMicros, iputils.totalMillis,
                iputilsPerEcho);
    std::printf("ratio Velmora mean / iputils per echo: %.2f\n", ours.mean / std::max(iputilsPerEcho, 0.001));
    std::printf("ratio Velmora median / iputils rtt avg: %.2f\n", ours.median / std::max(iputils.avgRttMicros, 0.001));
    return 0;
}

// A namespace whose loopback answers no echo: every echo there is a silent drop.
class SilentNamespace {
public:
    SilentNamespace() : name_("velmora-bench-" + std::to_string(::getpid())) {
        ok_ = Run("ip netns add " + name_) && Run("ip -n " + name_ + " link set lo up") &&
              Run("ip netns exec " + name_ + " sh -c 'echo 1 > /proc/sys/net/ipv4/icmp_echo_ignore_all'");
    }
    ~SilentNamespace() { Run("ip netns del " + name_ + " 2>/dev/null"); }
    SilentNamespace(const SilentNamespace&) = delete;
    SilentNamespace& operator=(const SilentNamespace&) = delete;

    bool Ok() const { return ok_; }
    bool Enter() const {
        const int fd = ::open(("/run/netns/" + name_).c_str(), O_RDONLY | O_CLOEXEC);
        const bool entered = fd >= 0 && ::setns(fd, CLONE_NEWNET) == 0;
        if (fd >= 0) ::close(fd);
        return entered;
    }

private:
    static bool Run(const std::string& command) { return std::system(command.c_str()) == 0; }

    std::string name_;
    bool ok_ = false;
};

int Overshoot() {
    constexpr int kDrops = 20;
    constexpr int kTimeoutMs = 100;
    if (::geteuid() != 0) {
        std::printf("overshoot: needs root to build its namespace; skipped\n");
        return 0;
    }
    const SilentNamespace silent;
    if (!silent.Ok()) {
        std::printf("overshoot: could not build the namespace\n");
        return 1;
    }
    std::vector<double> samples;
    int failures = 0;
    std::thread worker([&] {
        if (!silent.Enter()) return;  // setns changes this thread only
        LinuxNetworkServices net;
        QtUiServices ui;
        samples = TimeEchoes(mdbPing(net, ui), "127.0.0.1", kDrops, kTimeoutMs, failures);
    });
    worker.join();
    for (double& sample : samples) sample -= kTimeoutMs * 1000.0;
    const Figures late = Summarise(samples);
    std::printf("timeout overshoot over %zu silent drops, timeout %d ms (%d timed out)\n", samples.size(), kTimeoutMs,
                failures);
    std::printf("  returned minus asked: median %.1f us, p99 %.1f us\n", late.median, late.p99);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && args[0] == "--overshoot") return Overshoot();
    int count = 1000;
    if (args.size() == 2 && args[0] == "--count") count = std::max(1, std::stoi(args[1]));
    return Loopback(count);
}

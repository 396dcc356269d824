// Cost of one echo as the program makes it (engine Ping: open, send, wait,
// close) to 127.0.0.1, beside iputils ping over the same address; and, with
// --overshoot, how late a timed-out echo returns, measured on silent drops in
// a namespace of our own (needs root). Prints figures; judges nothing.
//
// The comparison is per echo: Velmora's Ping is timed call by call (median,
// p99, mean); iputils ping is timed from outside as a whole process over the
// same count, and a one-echo run of it is taken off to remove its start-up.
//
//   echo_loopback [--count N] [--rounds R]   R rounds of N echoes, default 5 of 5000
//   echo_loopback --overshoot                20 silent drops at each of 100 ms, 1 s and 10 s

#include <fcntl.h>
#include <sched.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
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
std::vector<double> TimeEchoes(NetworkServices& net, const mdbPing& engine, const std::string& target, int count,
                               int timeoutMs, int& failures) {
    std::vector<double> samples;
    ReplyRecord record{};
    IP_OPTION_INFORMATION options;
    options.Ttl = 64;
    for (int i = 0; i < count; ++i) {
        const auto start = Clock::now();
        const IcmpHandle handle = net.IcmpCreateFile();
        const std::int32_t result =
            engine.Ping(handle, target, record, options, std::uint8_t(1 + i % 254), 32, timeoutMs);
        net.IcmpCloseHandle(handle);
        samples.push_back(Micros(Clock::now() - start).count());
        if (result < 0 || record.reply.Status != IP_SUCCESS) ++failures;
    }
    return samples;
}

// One whole run of iputils ping as a child process: its wall time from the
// spawn to the reaped exit, start-up included, and whether every echo came back.
struct IputilsRun {
    double wallMicros = 0;
    bool allReceived = false;
};

IputilsRun RunIputilsOnce(int count) {
    const std::string countText = std::to_string(count);
    const char* const argv[] = {"ping", "-c", countText.c_str(), "-i", "0", "-q", "-s", "32", "127.0.0.1", nullptr};
    int output[2];
    if (::pipe2(output, O_CLOEXEC) != 0) return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDERR_FILENO);
    pid_t child = -1;
    const auto start = Clock::now();
    const int spawned = ::posix_spawnp(&child, "ping", &actions, nullptr, const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(output[1]);
    std::string text;
    char chunk[512];
    for (ssize_t got; spawned == 0 && (got = ::read(output[0], chunk, sizeof chunk)) != 0;) {
        if (got > 0) text.append(chunk, std::size_t(got));
        else if (errno != EINTR) break;
    }
    ::close(output[0]);
    int status = 0;
    if (spawned != 0 || ::waitpid(child, &status, 0) != child) return {};
    IputilsRun run;
    run.wallMicros = Micros(Clock::now() - start).count();
    const std::string expected = countText + " packets transmitted, " + countText + " received";
    run.allReceived = WIFEXITED(status) && WEXITSTATUS(status) == 0 && text.find(expected) != std::string::npos;
    return run;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

struct IputilsFigures {
    double wholeMicros = 0;     // median wall time of `ping -c N`
    double startupMicros = 0;   // median wall time of `ping -c 1`
    double perEchoMicros = 0;   // (whole - startup) / (N - 1)
    double fastestPerEchoMicros = 0;  // the same from the fastest run of each
    bool ok = false;
};

// The same number of echoes through iputils ping, timed from outside as a
// whole process; one-echo runs, timed the same way, take out its start-up.
// Start-up varies more than the echoes do, so it is sampled twice as often.
IputilsFigures TimeIputils(int count, int rounds) {
    std::vector<double> whole, startup;
    for (int round = 0; round < rounds; ++round) {
        for (int i = 0; i < 2; ++i) {
            const IputilsRun one = RunIputilsOnce(1);
            if (!one.allReceived) return {};
            startup.push_back(one.wallMicros);
        }
        const IputilsRun many = RunIputilsOnce(count);
        if (!many.allReceived) return {};
        whole.push_back(many.wallMicros);
    }
    IputilsFigures figures;
    figures.wholeMicros = Median(whole);
    figures.startupMicros = Median(startup);
    const double echoes = std::max(count - 1, 1);
    figures.perEchoMicros = (figures.wholeMicros - figures.startupMicros) / echoes;
    figures.fastestPerEchoMicros =
        (*std::min_element(whole.begin(), whole.end()) - *std::min_element(startup.begin(), startup.end())) / echoes;
    figures.ok = figures.perEchoMicros > 0;
    return figures;
}

int Loopback(int count, int rounds) {
    LinuxNetworkServices net;
    QtUiServices ui;
    const mdbPing engine(net, ui);
    WSADATA data;
    net.WSAStartup(0x0101, data);  // as a run of the program starts
    int failures = 0;
    TimeEchoes(net, engine, "127.0.0.1", std::min(count, 50), 1000, failures);  // warm up
    failures = 0;
    std::vector<double> samples;
    std::vector<double> roundMedians;
    for (int round = 0; round < rounds; ++round) {
        const auto one = TimeEchoes(net, engine, "127.0.0.1", count, 1000, failures);
        roundMedians.push_back(Summarise(one).median);
        samples.insert(samples.end(), one.begin(), one.end());
    }
    net.WSACleanup();
    const Figures ours = Summarise(samples);
    std::printf("Compared: the time of one echo to 127.0.0.1 with 32 bytes of data, send to answer read.\n");
    std::printf("Velmora: each mdbPing::Ping timed on its own (open the handle, send, wait, read, close),\n"
                "  %d rounds of %d echoes after 50 to warm up (%d failed)\n",
                rounds, count, failures);
    std::printf("  per echo: median %.2f us, p99 %.2f us, mean %.2f us (round medians %.2f..%.2f us)\n", ours.median,
                ours.p99, ours.mean, *std::min_element(roundMedians.begin(), roundMedians.end()),
                *std::max_element(roundMedians.begin(), roundMedians.end()));
    if (failures == count * rounds) std::printf("  %s\n", net.IcmpPermissionAdvice().c_str());

    const IputilsFigures iputils = TimeIputils(count, rounds);
    if (!iputils.ok) {
        std::printf("iputils ping: no figures (is it installed, may this user use -i 0, did every echo return?)\n");
        return 0;
    }
    std::printf("iputils: `ping -c %d -i 0 -q -s 32 127.0.0.1` timed as a whole process (spawn to exit),\n"
                "  less `ping -c 1` timed the same way (its start-up and exit), over %d echoes;\n"
                "  medians of %d whole runs and %d one-echo runs\n",
                count, count - 1, rounds, 2 * rounds);
    std::printf("  whole run %.0f us, one-echo run %.0f us: %.2f us per echo (%.2f us from the fastest runs)\n",
                iputils.wholeMicros, iputils.startupMicros, iputils.perEchoMicros, iputils.fastestPerEchoMicros);
    std::printf("ratio Velmora median / iputils per echo: %.2f\n", ours.median / iputils.perEchoMicros);
    std::printf("ratio Velmora mean / iputils per echo: %.2f\n", ours.mean / iputils.perEchoMicros);
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

// Each drop waits on a thread of its own, all at once, so the 10 s figure
// takes 10 s; how late each wait returns does not depend on the others.
std::vector<double> OvershootMicros(const SilentNamespace& silent, int drops, int timeoutMs, int& failures) {
    std::vector<std::vector<double>> samples(std::size_t(drops), std::vector<double>{});
    std::vector<int> failed(std::size_t(drops), 0);
    std::vector<std::thread> workers;
    for (std::size_t i = 0; i < std::size_t(drops); ++i) {
        workers.emplace_back([&, i] {
            if (!silent.Enter()) return;  // setns changes this thread only
            LinuxNetworkServices net;
            QtUiServices ui;
            samples[i] = TimeEchoes(net, mdbPing(net, ui), "127.0.0.1", 1, timeoutMs, failed[i]);
        });
    }
    std::vector<double> late;
    for (std::size_t i = 0; i < workers.size(); ++i) {
        workers[i].join();
        failures += failed[i];
        for (const double sample : samples[i]) late.push_back(sample - timeoutMs * 1000.0);
    }
    return late;
}

int Overshoot() {
    constexpr int kDrops = 20;
    if (::geteuid() != 0) {
        std::printf("overshoot: needs root to build its namespace; skipped\n");
        return 0;
    }
    const SilentNamespace silent;
    if (!silent.Ok()) {
        std::printf("overshoot: could not build the namespace\n");
        return 1;
    }
    std::printf("timeout overshoot: %d silent drops at each timeout, returned minus asked\n", kDrops);
    for (const int timeoutMs : {100, 1000, 10000}) {
        int failures = 0;
        const Figures late = Summarise(OvershootMicros(silent, kDrops, timeoutMs, failures));
        std::printf("  timeout %5d ms: median %7.1f us, p99 %7.1f us (%d timed out)\n", timeoutMs, late.median,
                    late.p99, failures);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && args[0] == "--overshoot") return Overshoot();
    int count = 5000;
    int rounds = 5;
    for (std::size_t i = 0; i + 1 < args.size(); i += 2) {
        if (args[i] == "--count") count = std::max(2, std::stoi(args[i + 1]));
        if (args[i] == "--rounds") rounds = std::max(1, std::stoi(args[i + 1]));
    }
    return Loopback(count, rounds);
}

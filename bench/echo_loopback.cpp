// Cost of one echo to 127.0.0.1 as the program makes it (engine Ping with a
// handle of its own: open, send, wait, close) beside iputils `ping -i 0`,
// both measured the same way: whole processes of N echoes each, timed from
// spawn to exit, the mean per echo, Velmora's and iputils' runs in pairs
// (their order alternating) so both meet the same load. Both use the same
// socket kind where the machine lets them (a raw socket as root outside a
// ping_group_range; the kind each used is printed). With --overshoot: how
// late a timed-out echo returns, on silent drops in a namespace of our own
// (needs root). Prints figures; judges nothing.
//
//   echo_loopback [--count N] [--pairs P]   P pairs of N-echo runs, default 3 of 100000
//   echo_loopback --overshoot                20 silent drops at each of 100 ms, 1 s and 10 s
//   echo_loopback --echoes N                 (the child: N echoes, then "N received" and its socket kind)

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "bench/Namespaces.h"
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

// Wall time of each Ping in microseconds, a handle for each; failed echoes are counted apart.
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

// The child: as a run of the program, the echoes one handle each.
int EchoesAsChild(int count) {
    LinuxNetworkServices net;
    QtUiServices ui;
    const mdbPing engine(net, ui);
    WSADATA data;
    net.WSAStartup(0x0101, data);
    const IcmpHandle probe = net.IcmpCreateFile();
    const auto kind = net.SocketKindOf(probe);
    net.IcmpCloseHandle(probe);
    int failures = 0;
    TimeEchoes(net, engine, "127.0.0.1", count, 1000, failures);
    net.WSACleanup();
    std::printf("%d packets transmitted, %d received, %s socket\n", count, count - failures,
                !kind ? "no" : *kind == icmp::SocketKind::Raw ? "raw" : "ping");
    return failures == 0 ? 0 : 1;
}

// One whole process, spawn to reaped exit, and its output.
struct WholeRun {
    double wallMicros = 0;
    std::string output;
    bool ok = false;
};

WholeRun RunWhole(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    int output[2];
    if (::pipe2(output, O_CLOEXEC) != 0) return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDERR_FILENO);
    pid_t child = -1;
    const auto start = Clock::now();
    const int spawned = ::posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(output[1]);
    WholeRun run;
    char chunk[512];
    for (ssize_t got; spawned == 0 && (got = ::read(output[0], chunk, sizeof chunk)) != 0;) {
        if (got > 0) run.output.append(chunk, std::size_t(got));
        else if (errno != EINTR) break;
    }
    ::close(output[0]);
    int status = 0;
    if (spawned != 0 || ::waitpid(child, &status, 0) != child) return {};
    run.wallMicros = Micros(Clock::now() - start).count();
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

// Mean per echo of a whole run, or 0 when not every echo came back.
double PerEchoMicros(const WholeRun& run, int count) {
    const std::string all = std::to_string(count) + " packets transmitted, " + std::to_string(count) + " received";
    return run.ok && run.output.find(all) != std::string::npos ? run.wallMicros / count : 0;
}

int Loopback(int count, int pairs) {
    const std::string countText = std::to_string(count);
    const std::vector<std::string> velmora = {"/proc/self/exe", "--echoes", countText};
    const std::vector<std::string> iputils = {"ping", "-c", countText, "-i", "0", "-q", "-s", "32", "127.0.0.1"};
    std::printf("Per echo to 127.0.0.1 with 32 bytes of data: whole processes of %d echoes, spawn to exit,\n"
                "wall time / %d; Velmora one handle per echo (engine Ping), iputils `ping -c %d -i 0 -q -s 32`.\n",
                count, count, count);
    double velmoraSum = 0;
    double iputilsSum = 0;
    std::string kind;
    for (int pair = 0; pair < pairs; ++pair) {
        WholeRun ours, theirs;
        if (pair % 2 == 0) {
            ours = RunWhole(velmora);
            theirs = RunWhole(iputils);
        } else {
            theirs = RunWhole(iputils);
            ours = RunWhole(velmora);
        }
        const double oursPerEcho = PerEchoMicros(ours, count);
        const double theirsPerEcho = PerEchoMicros(theirs, count);
        if (oursPerEcho == 0 || theirsPerEcho == 0) {
            std::printf("pair %d: not every echo came back (Velmora: %s; iputils: %s)\n", pair + 1,
                        ours.output.c_str(), theirs.output.c_str());
            return 1;
        }
        kind = ours.output.substr(ours.output.rfind(", ") + 2);
        std::printf("pair %d: Velmora %.2f us, iputils %.2f us per echo: ratio %.2f\n", pair + 1, oursPerEcho,
                    theirsPerEcho, oursPerEcho / theirsPerEcho);
        velmoraSum += oursPerEcho;
        iputilsSum += theirsPerEcho;
    }
    std::printf("Velmora used a %s", kind.c_str());
    std::printf("mean over %d pairs: Velmora %.2f us, iputils %.2f us per echo: ratio %.2f\n", pairs,
                velmoraSum / pairs, iputilsSum / pairs, velmoraSum / iputilsSum);
    return 0;
}

// A namespace whose loopback answers no echo: every echo there is a silent drop.
class SilentNamespace {
public:
    SilentNamespace() {
        bench::Run("ip -n " + namespace_.Name() + " link set lo up");
        bench::Run("ip netns exec " + namespace_.Name() + " sh -c 'echo 1 > /proc/sys/net/ipv4/icmp_echo_ignore_all'");
    }

    bool Enter() const { return bench::EnterNamespace(namespace_.Name()); }

private:
    const bench::OwnedNamespace namespace_{"velmora-bench-"};
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
    std::optional<SilentNamespace> silent;
    try {
        silent.emplace();
    } catch (const std::runtime_error& error) {
        std::printf("overshoot: could not build the namespace (%s)\n", error.what());
        return 1;
    }
    std::printf("timeout overshoot: %d silent drops at each timeout, returned minus asked\n", kDrops);
    for (const int timeoutMs : {100, 1000, 10000}) {
        int failures = 0;
        const Figures late = Summarise(OvershootMicros(*silent, kDrops, timeoutMs, failures));
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
    if (args.size() == 2 && args[0] == "--echoes") return EchoesAsChild(std::max(1, std::stoi(args[1])));
    int count = 100000;
    int pairs = 3;
    for (std::size_t i = 0; i + 1 < args.size(); i += 2) {
        if (args[i] == "--count") count = std::max(1, std::stoi(args[i + 1]));
        if (args[i] == "--pairs") pairs = std::max(1, std::stoi(args[i + 1]));
    }
    return Loopback(count, pairs);
}

// One pass over 254 addresses through PingRun with the real network and
// toolkit services, inside network namespaces of its own, in sequential and
// in parallel mode: the pass's wall time beside the time its echoes took
// (parallel: only their sends), the longest gap between two turns of the
// event loop during the pass, and fping over the same addresses. First the
// 254 addresses answer, then they stay silent (Timeout 500). Needs root; it
// builds and removes the namespaces itself:
//
//   client 10.213.0.1 --- veth --- target 10.213.1.1 to 10.213.1.254
//
// This process enters the client namespace before it creates any socket or
// thread, so the run's worker threads and fping are in it too. The first pass
// also resolves the 254 neighbours; the passes after it find them cached.
//
// Last, a /16 behind the target: 10.216.0.0/16 is local there (a local route
// on its loopback), and an nft rule drops the echoes to its upper half, so
// half the 65,534 addresses answer and half stay silent. The program's octet
// walk holds about a thousand addresses a pass, so this sweep is driven as
// ParallelSweep drives one, without PingRun: a 1 ms precise timer sends one
// echo a tick (a late tick catches up) through one sweep handle, at most Timeout / 1 ms in flight,
// answers handed back through the event loop. Beside its wall time: the
// resident memory it added, the longest event-loop gap and the sockets open,
// and fping -i 1 -t 500 over the same addresses.
//
//   sweep_netns [passes] [--window] [--quick]
//     passes        warm passes in each mode (default 3)
//     --window      through the real frmPing (offscreen) instead of a plain window
//     --quick       without the sequential pass over the silent addresses (about 127 s)
//     --no-wide     without the /16 (about 2 x 66 s)

#include <unistd.h>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <regex>
#include <stdexcept>
#include <string>

#include "bench/BenchSupport.h"
#include "platform/LinuxNetworkServices.h"
#include "platform/QtUiServices.h"

namespace velmora::bench {
namespace {

const std::string kFirst = "10.213.1.1";
const std::string kLast = "10.213.1.254";

// The two namespaces and the veth between them; removed with this.
class SweepNetwork {
public:
    SweepNetwork() {
        const std::string c = "ip -n " + client_.Name();
        const std::string t = "ip -n " + target_.Name();
        Run(c + " link add vs0 type veth peer name vs1 netns " + target_.Name());
        Run(c + " addr add 10.213.0.1/24 dev vs0");
        Run(c + " link set lo up");
        Run(c + " link set vs0 up");
        Run(c + " route add 10.213.1.0/24 dev vs0");
        std::string batch;
        for (int i = 1; i <= 254; ++i) batch += "addr add 10.213.1." + std::to_string(i) + "/24 dev vs1\n";
        Run("printf '" + batch + "' | " + t + " -batch -");
        Run(t + " link set lo up");
        Run(t + " link set vs1 up");
        Run(t + " route add 10.213.0.0/24 dev vs1");
        Run(t + " route add local 10.216.0.0/16 dev lo");
        Run(c + " route add 10.216.0.0/16 via 10.213.1.1");
        const std::string nft = "ip netns exec " + target_.Name() + " nft ";
        Run(nft + "add table ip vsweep");
        Run(nft + "'add chain ip vsweep in { type filter hook input priority 0; }'");
        Run(nft + "add rule ip vsweep in ip daddr 10.216.128.0/17 icmp type echo-request drop");
        // A fresh namespace lets no group open ping sockets ("1 0"); a desktop user's would.
        Run("ip netns exec " + client_.Name() + " sysctl -qw net.ipv4.ping_group_range='0 2147483647'");
    }

    // The targets keep answering ARP but drop every echo.
    void SetTargetsSilent(bool silent) const {
        Run("ip netns exec " + target_.Name() + " sysctl -qw net.ipv4.icmp_echo_ignore_all=" + (silent ? "1" : "0"));
    }

    // Moves this thread, and the threads and processes it starts later, into the client namespace.
    void EnterClient() const { client_.Enter(); }

private:
    const OwnedNamespace client_{"vsweep-c"};
    const OwnedNamespace target_{"vsweep-t"};
};

// The real services, with what each echo took added up: the time spent in
// the platform (open, send and wait, close), and the round-trip times the
// replies report.
class TimedNetwork final : public ForwardingNetwork {
public:
    std::atomic<long long> echoNanoseconds{0};
    std::atomic<long> echoes{0};
    std::atomic<long> replies{0};
    std::atomic<long> reportedRttMs{0};

    void Reset() {
        echoNanoseconds = 0;
        echoes = 0;
        replies = 0;
        reportedRttMs = 0;
    }

    IcmpHandle IcmpCreateFile() override {
        const auto begin = Clock::now();
        const IcmpHandle handle = real_.IcmpCreateFile();
        AddTime(begin);
        return handle;
    }
    std::uint32_t IcmpSendEcho(IcmpHandle handle, std::uint32_t destination, const void* requestData,
                               std::uint16_t requestSize, const IP_OPTION_INFORMATION* requestOptions,
                               void* replyBuffer, std::uint32_t replySize, std::uint32_t timeoutMs) override {
        const auto begin = Clock::now();
        const std::uint32_t count = real_.IcmpSendEcho(handle, destination, requestData, requestSize,
                                                       requestOptions, replyBuffer, replySize, timeoutMs);
        AddTime(begin);
        CountAnswer(count, replyBuffer);
        return count;
    }
    // Only the send is timed: the wait is spent on the services' own thread.
    void IcmpSendEcho2(IcmpHandle handle, std::function<void(std::uint32_t)> completion, std::uint32_t destination,
                       const void* requestData, std::uint16_t requestSize, const IP_OPTION_INFORMATION* requestOptions,
                       void* replyBuffer, std::uint32_t replySize, std::uint32_t timeoutMs) override {
        const auto begin = Clock::now();
        real_.IcmpSendEcho2(
            handle,
            [this, replyBuffer, completion = std::move(completion)](std::uint32_t count) {
                CountAnswer(count, replyBuffer);
                completion(count);
            },
            destination, requestData, requestSize, requestOptions, replyBuffer, replySize, timeoutMs);
        AddTime(begin);
    }
    bool IcmpCloseHandle(IcmpHandle handle) override {
        const auto begin = Clock::now();
        const bool closed = real_.IcmpCloseHandle(handle);
        AddTime(begin);
        return closed;
    }

private:
    void CountAnswer(std::uint32_t count, const void* replyBuffer) {
        ++echoes;
        if (count == 0) return;
        ++replies;
        reportedRttMs += static_cast<const ReplyRecord*>(replyBuffer)->reply.RoundTripTime;
    }

    void AddTime(Clock::time_point begin) {
        echoNanoseconds += std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - begin).count();
    }
};

struct PassFigures {
    double wallMs = 0;
    double echoMs = 0;
    long echoes = 0;
    long replies = 0;
    long reportedRttMs = 0;
    double longestTurnGapMs = 0;
};

PassFigures OnePass(QApplication& app, BenchWindow& window, TimedNetwork& net) {
    net.Reset();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!window.Running()) app.quit();
    });
    poll.start(1);
    // A zero timer runs once every turn of the event loop.
    QTimer turn;
    auto lastTurn = Clock::now();
    double longestGapMs = 0;
    QObject::connect(&turn, &QTimer::timeout, [&] {
        const auto now = Clock::now();
        longestGapMs = std::max(longestGapMs, Seconds(now - lastTurn) * 1e3);
        lastTurn = now;
    });
    turn.start(0);
    const auto begin = Clock::now();
    window.Start();
    app.exec();
    PassFigures f;
    f.wallMs = Seconds(window.StoppedAt() - begin) * 1e3;
    f.echoMs = double(net.echoNanoseconds) / 1e6;
    f.echoes = net.echoes;
    f.replies = net.replies;
    f.reportedRttMs = net.reportedRttMs;
    f.longestTurnGapMs = longestGapMs;
    return f;
}

struct FpingFigures {
    double wallMs = 0;
    double rttSumMs = 0;
    int answered = 0;
};

// fping's own per-target round trips ("min/avg/max = a/b/c") are added up.
FpingFigures Fping(const std::string& options, const std::string& first = kFirst, const std::string& last = kLast) {
    const std::string command = "fping -c1 -q " + options + " -g " + first + " " + last + " 2>&1";
    const auto begin = Clock::now();
    FILE* out = ::popen(command.c_str(), "r");
    if (!out) throw std::runtime_error("cannot start fping");
    std::string text;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, out)) > 0;) text.append(buffer, n);
    ::pclose(out);
    FpingFigures f;
    f.wallMs = Seconds(Clock::now() - begin) * 1e3;
    static const std::regex summary("min/avg/max = [0-9.]+/([0-9.]+)/");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), summary); it != std::sregex_iterator(); ++it) {
        f.rttSumMs += std::stod((*it)[1]);
        ++f.answered;
    }
    return f;
}

void Print(const std::string& name, const PassFigures& f) {
    std::printf("%-26s wall %9.2f ms | echoes %9.2f ms | reported RTT sum %5ld ms | %ld echoes, %ld replies | "
                "longest loop gap %5.2f ms\n",
                name.c_str(), f.wallMs, f.echoMs, f.reportedRttMs, f.echoes, f.replies, f.longestTurnGapMs);
}

void PrintFping(const std::string& options, const std::string& first = kFirst, const std::string& last = kLast) {
    const FpingFigures f = Fping(options, first, last);
    std::printf("%-26s wall %9.2f ms | its RTT sum %7.2f ms | %d answered\n", ("fping -c1 " + options).c_str(),
                f.wallMs, f.rttSumMs, f.answered);
}

int OpenSockets() {
    int sockets = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        if (std::filesystem::read_symlink(entry.path(), error).string().rfind("socket:", 0) == 0) ++sockets;
    }
    return sockets;
}

struct WideFigures {
    double wallMs = 0;
    long replies = 0;
    long silent = 0;
    double addedResidentMb = 0;
    double longestTurnGapMs = 0;
    int socketsBefore = 0;
    int mostSockets = 0;
};

constexpr std::uint32_t kWideAddresses = 65534;

// One echo to each address of 10.216.0.0/16, paced and bounded as ParallelSweep does.
WideFigures SweepWide(QApplication& app, NetworkServices& net, UiServices& ui, std::uint32_t timeoutMs) {
    struct Echo {
        ReplyRecord record{};
        IP_OPTION_INFORMATION options{64, 0, 0, 0, 0};
    };
    const auto alive = std::make_shared<bool>(true);
    WideFigures f;
    f.socketsBefore = f.mostSockets = OpenSockets();
    const long residentBefore = ResidentKb();
    long residentMost = residentBefore;
    const IcmpHandle sweep = net.IcmpCreateSweepFile();
    const std::vector<std::uint8_t> payload(56, 0x5A);
    const std::uint32_t mostInFlight = std::clamp<std::uint32_t>(timeoutMs, 1, 1024);
    std::uint32_t sent = 0, answered = 0;
    QTimer pace;
    pace.setTimerType(Qt::PreciseTimer);
    auto sendOne = [&] {
        if (sent == kWideAddresses || sent - answered >= mostInFlight) return;
        ++sent;
        auto echo = std::make_shared<Echo>();
        const std::uint32_t address = AddressFromOctets(10, 216, std::uint8_t(sent >> 8), std::uint8_t(sent));
        net.IcmpSendEcho2(
            sweep,
            [&ui, &f, &answered, &app, echo, alive](std::uint32_t replies) {
                ui.RunOnUiThread([&f, &answered, &app, replies, alive] {
                    if (!*alive) return;
                    ++(replies != 0 ? f.replies : f.silent);
                    if (++answered == kWideAddresses) app.quit();
                });
            },
            address, payload.data(), std::uint16_t(payload.size()), &echo->options, &echo->record, kReplyBufferSize,
            timeoutMs);
        if (sent % 256 == 0) {
            residentMost = std::max(residentMost, ResidentKb());
            f.mostSockets = std::max(f.mostSockets, OpenSockets());
        }
    };
    const auto begin = Clock::now();
    // As ParallelSweep: a late tick sends what fell due meanwhile, four at most.
    QObject::connect(&pace, &QTimer::timeout, [&] {
        const auto dueMs = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - begin).count();
        const auto due = std::clamp<long long>(dueMs + 1 - sent, 1, 4);
        for (long long i = 0; i < due; ++i) sendOne();
    });
    QTimer turn;
    auto lastTurn = Clock::now();
    QObject::connect(&turn, &QTimer::timeout, [&] {
        const auto now = Clock::now();
        f.longestTurnGapMs = std::max(f.longestTurnGapMs, Seconds(now - lastTurn) * 1e3);
        lastTurn = now;
    });
    pace.start(1);
    turn.start(0);
    app.exec();
    f.wallMs = Seconds(Clock::now() - begin) * 1e3;
    *alive = false;
    net.IcmpCloseHandle(sweep);
    f.addedResidentMb = double(residentMost - residentBefore) / 1024;
    return f;
}

void PrintWide(const WideFigures& f) {
    std::printf("%-26s wall %9.2f ms | %ld replies, %ld silent | resident +%.1f MB | longest loop gap %5.2f ms | "
                "sockets %d idle, %d most\n",
                "sweep /16", f.wallMs, f.replies, f.silent, f.addedResidentMb, f.longestTurnGapMs, f.socketsBefore,
                f.mostSockets);
}

// The passes of one mode over the answering addresses.
void LivePasses(QApplication& app, BenchWindow& window, TimedNetwork& net, bool parallel, int passes) {
    window.SetParallel(parallel);
    const std::string mode = parallel ? "parallel" : "sequential";
    for (int i = 1; i <= passes; ++i) Print(mode + " live " + std::to_string(i), OnePass(app, window, net));
}

}  // namespace
}  // namespace velmora::bench

int main(int argc, char* argv[]) {
    using namespace velmora;
    using namespace velmora::bench;
    if (::geteuid() != 0) {
        std::printf("sweep_netns: needs root (it creates network namespaces); skipped\n");
        return 0;
    }
    int passes = 3;
    bool realWindow = false;
    bool quick = false;
    bool wide = true;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--window") {
            realWindow = true;
        } else if (arg == "--no-wide") {
            wide = false;
        } else if (arg == "--quick") {
            quick = true;
        } else {
            passes = std::atoi(argv[i]);
        }
    }
    try {
        SweepNetwork network;
        network.EnterClient();
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        QTemporaryDir store;
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, store.path());
        const auto ui = std::make_unique<QtUiServices>();
        TimedNetwork net;
        const RunSetup setup{{"10", "213", "1", "1"},
                             {"10", "213", "1", "254"},
                             false,
                             {{Control::Num, "1"},
                              {Control::DataSize, "56"},
                              {Control::TTL, "64"},
                              {Control::Timeout, "500"},
                              {Control::Delay, "1000"}}};
        const auto window = MakeWindow(!realWindow, setup, net, *ui);

        std::printf("sweep_netns: %s to %s, one echo each, through PingRun and %s\n", kFirst.c_str(),
                    kLast.c_str(), realWindow ? "frmPing" : "a plain window");
        Print("sequential cold (ARP)", OnePass(app, *window, net));
        LivePasses(app, *window, net, false, passes);
        LivePasses(app, *window, net, true, passes);
        PrintFping("-i 1");
        PrintFping("-i 0");

        network.SetTargetsSilent(true);
        window->SetParallel(true);
        for (int i = 1; i <= passes; ++i) Print("parallel silent " + std::to_string(i), OnePass(app, *window, net));
        PrintFping("-t 500 -i 1");
        window->SetParallel(false);
        if (!quick) Print("sequential silent", OnePass(app, *window, net));

        network.SetTargetsSilent(false);
        if (wide) {
            PrintWide(SweepWide(app, net, *ui, 500));
            PrintFping("-i 1 -t 500", "10.216.0.1", "10.216.255.254");
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "sweep_netns: %s\n", e.what());
        return 1;
    }
    return 0;
}

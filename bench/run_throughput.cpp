// Slots per second through the whole run logic with a network that answers
// at once: result lines, figures, the log pane, the status panels and a
// capture file (a real temporary file, each line written and flushed), and
// how much resident memory a long Loop run gains.
//
//   run_throughput [count] [--plain] [--at-once]
//   run_throughput --loopback [seconds]
//     count      slots of the Loop run (default 1000000)
//     --plain    a window without widgets in place of frmPing
//     --at-once  each echo runs and answers inside the slot, away from the
//                worker and the event loop: the run logic's own cost
//     --loopback a Loop with Delay 0 to 127.0.0.1 through the real network
//                for that long (default 10 s): pings a second and the CPU
//                time the process took, as a share of one core
// By default every echo takes the program's own path: it runs on the worker
// and its answer comes back through the event loop to the real window.
// Run it with QT_QPA_PLATFORM=offscreen. The settings store lives in a
// temporary folder for the run. The range is 10.0.0.0 to 10.255.255.254
// (765 addresses a pass) with a Delay of 0; nothing reaches a network.

#include <QApplication>
#include <QLabel>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <sys/resource.h>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "bench/BenchSupport.h"
#include "platform/LinuxNetworkServices.h"

namespace velmora::bench {
namespace {

// Every echo succeeds at once with its own data; only the count is kept.
class InstantNetwork final : public NetworkServices {
public:
    std::atomic<long> echoes{0};

    IcmpHandle IcmpCreateFile() override { return 1; }
    IcmpHandle IcmpCreateSweepFile() override { return 1; }
    std::uint32_t IcmpSendEcho(IcmpHandle, std::uint32_t destination, const void* requestData,
                               std::uint16_t requestSize, const IP_OPTION_INFORMATION*, void* replyBuffer,
                               std::uint32_t, std::uint32_t) override {
        ++echoes;
        auto* record = static_cast<ReplyRecord*>(replyBuffer);
        record->reply.Address = destination;
        record->reply.Status = IP_SUCCESS;
        record->reply.RoundTripTime = 0;
        record->reply.DataSize = std::int16_t(requestSize);
        record->reply.Options.Ttl = 64;
        const std::size_t size = std::min<std::size_t>(requestSize, kReplyDataCapacity);
        if (size > 0) std::memcpy(record->data.data(), requestData, size);
        return 1;
    }
    void IcmpSendEcho2(IcmpHandle handle, std::function<void(std::uint32_t)> completion, std::uint32_t destination,
                       const void* requestData, std::uint16_t requestSize, const IP_OPTION_INFORMATION* options,
                       void* replyBuffer, std::uint32_t replySize, std::uint32_t timeoutMs) override {
        completion(IcmpSendEcho(handle, destination, requestData, requestSize, options, replyBuffer, replySize,
                                timeoutMs));
    }
    bool IcmpCloseHandle(IcmpHandle) override { return true; }
    std::string IcmpPermissionAdvice() const override { return {}; }
    int WSAStartup(std::uint16_t, WSADATA& data) override {
        data.wVersion = 0x0101;
        data.iMaxSockets = 100;
        return 0;
    }
    int WSACleanup() override { return 0; }
    std::optional<std::uint32_t> gethostbyname(const std::string&) override { return std::nullopt; }
    std::string inet_ntoa(std::uint32_t) override { return {}; }
    std::uint32_t GetIpNetTable(void*, std::uint32_t&, bool) override { return ERROR_NOT_SUPPORTED; }
    std::uint32_t DeleteIpNetEntry(const MIB_IPNETROW&) override { return ERROR_NOT_SUPPORTED; }
    std::uint32_t GetIfTable(void*, std::uint32_t&, bool) override { return ERROR_NOT_SUPPORTED; }
};

enum class Answers { Worker, AtOnce };

// The Qt services with three changes: background work may run at once, the file dialog answers with the capture path, and a message box is
// reported, not shown.
class BenchUi final : public ForwardingUi {
public:
    BenchUi(Answers answers, std::string capturePath) : answers_(answers), capturePath_(std::move(capturePath)) {}

    int boxes = 0;

    int MsgBox(const std::string& prompt, int style, const std::string&) override {
        ++boxes;
        std::fprintf(stderr, "message box: %s\n", prompt.c_str());
        return (style & 0x0F) == 0 ? vbOK : vbCancel;
    }
    std::optional<std::string> ShowOpenDialog(const std::string&, const std::string&, int, const std::string&) override {
        return capturePath_;
    }
    void RunInBackground(std::function<void()> work, std::function<void()> done) override {
        if (answers_ == Answers::Worker) return ForwardingUi::RunInBackground(std::move(work), std::move(done));
        work();
        done();
    }

private:
    const Answers answers_;
    const std::string capturePath_;
};

// 765 addresses a pass: 10.0.0.0-254, then the third and second octets step up.
const RunSetup kSetup{{"10", "0", "0", "0"},
                      {"10", "255", "255", "254"},
                      true,
                      {{Control::Num, "1"},
                       {Control::DataSize, "56"},
                       {Control::TTL, "64"},
                       {Control::Timeout, "1000"},
                       {Control::Delay, "0"}}};

struct Figures {
    long warmSlots = 0;
    long endSlots = 0;
    long warmKb = 0;
    long endKb = 0;
    Clock::time_point begin, warm, end;
};

// Runs the event loop until `slotCount` slots are done and the run has stopped.
Figures Measure(QApplication& app, InstantNetwork& net, BenchWindow& window, long slotCount) {
    Figures f;
    const long warmUp = std::min(50000L, slotCount / 10);
    bool stopping = false;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        const long done = net.echoes;
        if (f.warmSlots == 0 && done >= warmUp) {
            f.warmSlots = done;
            f.warmKb = ResidentKb();
            f.warm = Clock::now();
        }
        if (!stopping && done >= slotCount) {
            stopping = true;
            window.Stop();
        }
        if (stopping && !window.Running()) {
            f.end = window.StoppedAt();
            f.endSlots = net.echoes;
            f.endKb = ResidentKb();
            app.quit();
        }
    });
    sampler.start(2);
    f.begin = Clock::now();
    window.OpenCapture();
    window.Start();
    app.exec();
    return f;
}

// The real window pings 127.0.0.1 in a Loop for `seconds` after a second's warm-up.
int MeasureLoopback(QApplication& app, double seconds) {
    LinuxNetworkServices net;
    QtUiServices ui;
    RealWindow window(kLoopbackLoop, net, ui);
    const LoopRate rate = MeasureLoop(app, window, seconds);
    std::printf("run_throughput --loopback: frmPing, Loop, Delay 0, 127.0.0.1, platform %s\n",
                qPrintable(QApplication::platformName()));
    std::printf("pings           %ld in %.2f s: %.0f pings/s\n", rate.pings, rate.wallSeconds,
                double(rate.pings) / rate.wallSeconds);
    std::printf("CPU             %.2f s: %.1f%% of one core\n", rate.cpuSeconds,
                100.0 * rate.cpuSeconds / rate.wallSeconds);
    return 0;
}

}  // namespace
}  // namespace velmora::bench

int main(int argc, char* argv[]) {
    using namespace velmora;
    using namespace velmora::bench;
    if (argc > 1 && std::string(argv[1]) == "--loopback") {
        QApplication app(argc, argv);
        QTemporaryDir folder;
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder.path());
        return MeasureLoopback(app, argc > 2 ? std::stod(argv[2]) : 10.0);
    }
    long slotCount = 1000000;
    bool plain = false;
    Answers answers = Answers::Worker;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--plain") {
            plain = true;
        } else if (arg == "--at-once") {
            answers = Answers::AtOnce;
        } else {
            slotCount = std::stol(arg);
        }
    }

    QApplication app(argc, argv);
    QTemporaryDir folder;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder.path());
    const std::string capturePath = folder.filePath(QStringLiteral("capture.log")).toStdString();
    InstantNetwork net;
    BenchUi ui(answers, capturePath);

    const auto window = MakeWindow(plain, kSetup, net, ui);
    const Figures f = Measure(app, net, *window, slotCount);

    const double total = Seconds(f.end - f.begin);
    const double steady = Seconds(f.end - f.warm);
    const char* const answerNames[] = {"from the worker, through the event loop", "at once"};
    std::printf("run_throughput: %s, answers %s, platform %s\n", plain ? "plain view" : "frmPing",
                answerNames[int(answers)], qPrintable(QApplication::platformName()));
    std::printf("slots           %ld in %.2f s: %.0f slots/s (%.1f us a slot)\n", f.endSlots, total,
                double(f.endSlots) / total, total * 1e6 / double(f.endSlots));
    std::printf("after warm-up   %ld slots in %.2f s: %.0f slots/s\n", f.endSlots - f.warmSlots, steady,
                double(f.endSlots - f.warmSlots) / steady);
    std::printf("resident        %ld kB after %ld slots, %ld kB at the end: %+.2f MB\n", f.warmKb, f.warmSlots,
                f.endKb, double(f.endKb - f.warmKb) / 1024.0);
    std::printf("capture file    %.1f MB", double(std::filesystem::file_size(capturePath)) / 1e6);
    if (plain) std::printf(", log pane %zu characters", static_cast<PlainWindow&>(*window).view.pane.size());
    std::printf("\nmessage boxes   %d\n", ui.boxes);
    return ui.boxes == 0 ? 0 : 1;
}

#pragma once
// Pieces the run benchmarks share: the window a run goes through (the real
// frmPing, or a plain one that keeps the pane's text and the panels as a
// widget would), the Qt toolkit services to change a member or two of, the
// resident set size, a clock.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <sys/resource.h>
#include <QObject>
#include <QTimer>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "bench/Namespaces.h"
#include "main_window/PingRun.h"
#include "main_window/PingRunView.h"
#include "main_window/frmPing.h"
#include "platform/LinuxNetworkServices.h"
#include "platform/QtUiServices.h"

namespace velmora::bench {

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// A kB figure of this process from /proc/self/status, such as "VmHWM:"; -1 when it has none.
inline long StatusKb(const std::string& wanted) {
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == wanted) {
            status >> value;
            return value;
        }
        status.ignore(1 << 12, '\n');
    }
    return -1;
}

// VmRSS of this process in kB.
inline long ResidentKb() { return StatusKb("VmRSS:"); }

// CPU time this process took so far, user and system.
inline double CpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// A window without widgets: fields set by the benchmark, outputs kept as text.
class PlainView final : public PingRunView {
public:
    std::array<std::string, 4> startOctets;
    std::array<std::string, 4> stopOctets;
    std::map<Control, std::string> parameters;
    bool loop = false;
    bool running = false;
    Clock::time_point stoppedAt;
    std::string pane;
    std::array<std::string, 6> panels;
    std::string caption;

    std::string StartOctetText(int index) const override { return startOctets.at(std::size_t(index)); }
    std::string StopOctetText(int index) const override { return stopOctets.at(std::size_t(index)); }
    std::string HostNameText() const override { return {}; }
    std::string ParameterText(Control field) const override { return parameters.at(field); }
    bool LoopChecked() const override { return loop; }
    std::uint8_t TargetMode() const override { return 2; }
    void SetFocusTo(Control) override {}
    void SetCaption(const std::string& text) override { caption = text; }
    void ShowRunState(bool isRunning) override {
        running = isRunning;
        if (!running) stoppedAt = Clock::now();
    }
    void ShowCaptureState(bool) override {}
    void SetPanelText(int panel, const std::string& text) override { panels.at(std::size_t(panel - 1)) = text; }
    void ShowLogText(const std::string& wholeText) override { pane = wholeText; }
    void AppendLogText(const std::string& text) override { pane += text; }
};

// The fields of a run as a benchmark sets them.
struct RunSetup {
    std::array<std::string, 4> start;
    std::array<std::string, 4> stop;
    bool loop = false;
    std::map<Control, std::string> parameters;
};

// A window a benchmark runs: its commands, and when the run last went idle.
class BenchWindow {
public:
    virtual ~BenchWindow() = default;
    virtual void OpenCapture() = 0;
    virtual void Start() = 0;
    virtual void Stop() = 0;
    virtual void SetParallel(bool parallel) = 0;
    virtual bool Running() const = 0;
    virtual Clock::time_point StoppedAt() const = 0;
};

class PlainWindow final : public BenchWindow {
public:
    PlainWindow(const RunSetup& setup, NetworkServices& net, UiServices& ui) : run(view, net, ui, echoes) {
        view.startOctets = setup.start;
        view.stopOctets = setup.stop;
        view.loop = setup.loop;
        view.parameters = setup.parameters;
    }
    void OpenCapture() override { run.OpenCaptureFile(); }
    void Start() override { run.StartPinging(); }
    void Stop() override { run.StopPinging(); }
    void SetParallel(bool parallel) override { run.SetParallel(parallel); }
    bool Running() const override { return view.running; }
    Clock::time_point StoppedAt() const override { return view.stoppedAt; }

    PlainView view;
    EchoStore echoes;
    PingRun run;
};

// The real main window, offscreen, driven through its controls by their names.
class RealWindow final : public BenchWindow {
public:
    RealWindow(const RunSetup& setup, NetworkServices& net, UiServices& ui) : window(net, ui) {
        window.show();
        for (int i = 0; i < 4; ++i) {
            Child<QLineEdit>(QStringLiteral("txtStartIP_%1").arg(i)).setText(Text(setup.start[std::size_t(i)]));
            Child<QLineEdit>(QStringLiteral("txtStopIP_%1").arg(i)).setText(Text(setup.stop[std::size_t(i)]));
        }
        Child<QCheckBox>(QStringLiteral("chkLoop")).setChecked(setup.loop);
        const std::pair<Control, const char*> names[] = {{Control::Num, "txtNum"},
                                                         {Control::DataSize, "TxtDataSize"},
                                                         {Control::TTL, "txtTTL"},
                                                         {Control::Timeout, "txtTimeout"},
                                                         {Control::Delay, "txtDelay"}};
        for (const auto& [field, name] : names) {
            Child<QLineEdit>(QString::fromLatin1(name)).setText(Text(setup.parameters.at(field)));
        }
        QAction& start = Child<QAction>(QStringLiteral("mnuStartPinging"));
        QObject::connect(&start, &QAction::changed, [this, &start] {
            if (start.isEnabled()) stoppedAt_ = Clock::now();
        });
    }
    void OpenCapture() override { Child<QAction>(QStringLiteral("mnuCaptureLog")).trigger(); }
    void Start() override { Child<QAction>(QStringLiteral("mnuStartPinging")).trigger(); }
    void Stop() override { Child<QAction>(QStringLiteral("mnuStopPinging")).trigger(); }
    void SetParallel(bool parallel) override { Child<QAction>(QStringLiteral("mnuParallel")).setChecked(parallel); }
    bool Running() const override { return !Child<QAction>(QStringLiteral("mnuStartPinging")).isEnabled(); }
    Clock::time_point StoppedAt() const override { return stoppedAt_; }

    frmPing window;

private:
    static QString Text(const std::string& text) { return QString::fromStdString(text); }

    template <typename Widget>
    Widget& Child(const QString& name) const {
        auto* control = window.findChild<Widget*>(name);
        if (!control) {
            std::fprintf(stderr, "the window has no control %s\n", qPrintable(name));
            std::exit(2);
        }
        return *control;
    }

    Clock::time_point stoppedAt_;
};

// Slots done so far, as the window's first panel shows them ("Sent: n").
inline long SentSoFar(const RealWindow& window) {
    const auto* panel = window.window.findChild<QLabel*>(QStringLiteral("Panel1"));
    return panel->text().section(u' ', 1).toLong();
}

// A Loop without delay over the range, with small echoes and a second's timeout.
inline RunSetup LoopWithoutDelay(const std::array<std::string, 4>& start, const std::array<std::string, 4>& stop) {
    return {start,
            stop,
            true,
            {{Control::Num, "1"},
             {Control::DataSize, "32"},
             {Control::TTL, "64"},
             {Control::Timeout, "1000"},
             {Control::Delay, "0"}}};
}

// Loopback only: the one address of the range is 127.0.0.1.
inline const RunSetup kLoopbackLoop = LoopWithoutDelay({"127", "0", "0", "1"}, {"127", "0", "0", "1"});

// What a window's Loop did over the measured time.
struct LoopRate {
    long pings = 0;
    double wallSeconds = 0;
    double cpuSeconds = 0;
};

// Runs the window's Loop for `seconds` after a second's warm-up, then stops it.
inline LoopRate MeasureLoop(QApplication& app, RealWindow& window, double seconds) {
    long sentAtBegin = 0;
    double cpuAtBegin = 0;
    Clock::time_point begin;
    QTimer::singleShot(1000, [&] {
        sentAtBegin = SentSoFar(window);
        cpuAtBegin = CpuSeconds();
        begin = Clock::now();
        QTimer::singleShot(int(seconds * 1000), [&] { app.quit(); });
    });
    window.Start();
    app.exec();
    LoopRate rate;
    rate.wallSeconds = Seconds(Clock::now() - begin);
    rate.cpuSeconds = CpuSeconds() - cpuAtBegin;
    rate.pings = SentSoFar(window) - sentAtBegin;
    window.Stop();
    return rate;
}

inline std::unique_ptr<BenchWindow> MakeWindow(bool plain, const RunSetup& setup, NetworkServices& net,
                                               UiServices& ui) {
    if (plain) return std::make_unique<PlainWindow>(setup, net, ui);
    return std::make_unique<RealWindow>(setup, net, ui);
}

// The real network services, every member passed on; a benchmark overrides what it watches.
class ForwardingNetwork : public NetworkServices {
public:
    IcmpHandle IcmpCreateFile() override { return real_.IcmpCreateFile(); }
    IcmpHandle IcmpCreateSweepFile() override { return real_.IcmpCreateSweepFile(); }
    std::uint32_t IcmpSendEcho(IcmpHandle handle, std::uint32_t destination, const void* data, std::uint16_t size,
                               const IP_OPTION_INFORMATION* options, void* reply, std::uint32_t replySize,
                               std::uint32_t timeoutMs) override {
        return real_.IcmpSendEcho(handle, destination, data, size, options, reply, replySize, timeoutMs);
    }
    void IcmpSendEcho2(IcmpHandle handle, std::function<void(std::uint32_t)> completion, std::uint32_t destination,
                       const void* data, std::uint16_t size, const IP_OPTION_INFORMATION* options, void* reply,
                       std::uint32_t replySize, std::uint32_t timeoutMs) override {
        real_.IcmpSendEcho2(handle, std::move(completion), destination, data, size, options, reply, replySize,
                            timeoutMs);
    }
    bool IcmpCloseHandle(IcmpHandle handle) override { return real_.IcmpCloseHandle(handle); }
    std::string IcmpPermissionAdvice() const override { return real_.IcmpPermissionAdvice(); }
    int WSAStartup(std::uint16_t version, WSADATA& data) override { return real_.WSAStartup(version, data); }
    int WSACleanup() override { return real_.WSACleanup(); }
    std::optional<std::uint32_t> gethostbyname(const std::string& name) override { return real_.gethostbyname(name); }
    std::string inet_ntoa(std::uint32_t address) override { return real_.inet_ntoa(address); }
    std::uint32_t GetIpNetTable(void* table, std::uint32_t& size, bool sort) override {
        return real_.GetIpNetTable(table, size, sort);
    }
    std::uint32_t DeleteIpNetEntry(const MIB_IPNETROW& row) override { return real_.DeleteIpNetEntry(row); }
    std::uint32_t GetIfTable(void* table, std::uint32_t& size, bool sort) override {
        return real_.GetIfTable(table, size, sort);
    }

protected:
    LinuxNetworkServices real_;
};

// The Qt services, every member passed on; a benchmark overrides what it measures differently.
class ForwardingUi : public UiServices {
public:
    int MsgBox(const std::string& prompt, int style, const std::string& title) override {
        return qt_.MsgBox(prompt, style, title);
    }
    WindowHandle SetMessageOwner(WindowHandle owner) override { return qt_.SetMessageOwner(owner); }
    std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                           const std::string& defaultValue) override {
        return qt_.GetSetting(app, section, key, defaultValue);
    }
    void SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                     const std::string& value) override {
        qt_.SaveSetting(app, section, key, value);
    }
    std::optional<std::string> ShowOpenDialog(const std::string& title, const std::string& filter, int flags,
                                              const std::string& startFolder) override {
        return qt_.ShowOpenDialog(title, filter, flags, startFolder);
    }
    std::optional<std::string> ShowSaveDialog(const std::string& title, const std::string& filter,
                                              const std::string& startFolder) override {
        return qt_.ShowSaveDialog(title, filter, startFolder);
    }
    bool WriteWholeFile(const std::string& path, const std::string& bytes, std::string& error) override {
        return qt_.WriteWholeFile(path, bytes, error);
    }
    void Notify(const std::string& title, const std::string& text, std::function<void()> undelivered) override {
        qt_.Notify(title, text, std::move(undelivered));
    }
    bool FileExists(const std::string& path, bool& exists, std::string& error) override {
        return qt_.FileExists(path, exists, error);
    }
    bool DeleteFile(const std::string& path, std::string& error) override { return qt_.DeleteFile(path, error); }
    int OpenFileForAppend(const std::string& path, std::string& error) override {
        return qt_.OpenFileForAppend(path, error);
    }
    bool WriteFile(int fileNumber, const std::string& bytes, std::string& error) override {
        return qt_.WriteFile(fileNumber, bytes, error);
    }
    void CloseFile(int fileNumber) override { qt_.CloseFile(fileNumber); }
    void Randomize() override { qt_.Randomize(); }
    float Rnd() override { return qt_.Rnd(); }
    std::int64_t UnixTimeMicroseconds() override { return qt_.UnixTimeMicroseconds(); }
    std::unique_ptr<Timer> CreateTimer() override { return qt_.CreateTimer(); }
    void RunInBackground(std::function<void()> work, std::function<void()> done) override {
        qt_.RunInBackground(std::move(work), std::move(done));
    }
    void RunOnUiThread(std::function<void()> done) override { qt_.RunOnUiThread(std::move(done)); }
    std::int32_t ShellExecuteA(const std::string& file) override { return qt_.ShellExecuteA(file); }
    bool Shell(const std::string& path, std::string& error) override { return qt_.Shell(path, error); }
    std::int32_t RegOpenKeyExA(HKEY root, const std::string& subKey, std::uint32_t options, std::uint32_t sam,
                               HKEY& result) override {
        return qt_.RegOpenKeyExA(root, subKey, options, sam, result);
    }
    std::int32_t RegQueryValueExA(HKEY key, const std::string& valueName, std::uint32_t& type, std::uint8_t* data,
                                  std::uint32_t& size) override {
        return qt_.RegQueryValueExA(key, valueName, type, data, size);
    }
    std::int32_t RegCloseKey(HKEY key) override { return qt_.RegCloseKey(key); }
    WindowHandle HtmlHelpA(WindowHandle owner, const std::string& file, int command, std::uint32_t data) override {
        return qt_.HtmlHelpA(owner, file, command, data);
    }

protected:
    QtUiServices qt_;
};

}  // namespace velmora::bench

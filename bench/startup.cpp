// Start-up of the main window restored from a full settings store: the time
// from the process's start to the window's first paint, and from main's first
// line to it. The process start comes from the kernel (/proc/self/stat, in
// clock ticks: 10 ms steps here); main's first line from a steady clock.
// Each run is a fresh process, so nothing is warm but the disk cache.
//
//   startup [runs]          runs of the window (default 10), each its own process
// The platform is Qt's choice: QT_QPA_PLATFORM=offscreen, or under xvfb-run.

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <limits.h>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "main_window/frmPing.h"
#include "platform/LinuxNetworkServices.h"
#include "platform/QtUiServices.h"

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Milliseconds since this process started, from the kernel's start time.
double SinceProcessStart() {
    std::ifstream stat("/proc/self/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));  // the name may hold blanks
    std::string field;
    for (int i = 3; i <= 22; ++i) fields >> field;  // field 22: start time in clock ticks since boot
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const double started = std::stod(field) * 1000.0 / double(sysconf(_SC_CLK_TCK));
    return double(now.tv_sec) * 1000.0 + double(now.tv_nsec) / 1e6 - started;
}

void WriteFullStore(const QString& folder) {
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder);
    QSettings store(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Velmora"), QStringLiteral("Velmora"));
    const std::pair<const char*, const char*> values[] = {
        {"Settings/Window", "0"},         {"Settings/MainLeft", "1500"},       {"Settings/MainTop", "1500"},
        {"Settings/MainWidth", "10500"},  {"Settings/MainHeight", "6000"},     {"Init/DataSize", "1400"},
        {"Init/Num", "5"},                {"Init/TTL", "64"},                  {"Init/Delay", "500"},
        {"Init/Timeout", "800"},          {"Init/Loop", "1"},                  {"Init/Host Name", "example.lan"},
        {"Init/Address Mode", "0"},       {"Init/ArpDeleteConfirm", "True"},   {"Init/IPAddress Start", "10.0.0.1"},
        {"Init/IPAddress Stop", "10.0.0.254"},
    };
    for (const auto& [key, value] : values) store.setValue(QLatin1String(key), QLatin1String(value));
}

// Ends the event loop at the window's first paint.
class FirstPaint final : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !painted) {
            painted = true;
            QCoreApplication::exit(0);
        }
        return QObject::eventFilter(watched, event);
    }
    bool painted = false;
};

int Child(int argc, char* argv[], const Clock::time_point mainStart) {
    QApplication app(argc, argv);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QString::fromLocal8Bit(argv[2]));
    velmora::QtUiServices ui;
    velmora::LinuxNetworkServices net;
    velmora::frmPing window(net, ui);
    ui.SetOwnerWindow(&window);
    FirstPaint firstPaint;
    window.installEventFilter(&firstPaint);
    window.show();
    app.exec();
    const double fromMain = Milliseconds(Clock::now() - mainStart);
    std::printf("%.1f %.1f %s\n", SinceProcessStart(), fromMain, qPrintable(QGuiApplication::platformName()));
    std::fflush(stdout);
    std::_Exit(firstPaint.painted ? 0 : 1);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

int Parent(int runs) {
    QTemporaryDir folder;
    if (!folder.isValid()) return 1;
    WriteFullStore(folder.path());
    char self[PATH_MAX] = {};
    if (readlink("/proc/self/exe", self, sizeof self - 1) < 0) return 1;
    std::vector<double> fromProcess, fromMain;
    std::string platform;
    for (int run = 0; run < runs; ++run) {
        const std::string command = "'" + std::string(self) + "' --child '" + folder.path().toStdString() + "'";
        FILE* child = popen(command.c_str(), "r");
        double process = 0, main = 0;
        char name[64] = {};
        const bool read = child && std::fscanf(child, "%lf %lf %63s", &process, &main, name) == 3;
        if (child) pclose(child);
        if (!read) {
            std::fprintf(stderr, "run %d gave no figures\n", run + 1);
            return 1;
        }
        fromProcess.push_back(process);
        fromMain.push_back(main);
        platform = name;
    }
    std::printf("main window from a full store, %d runs, platform %s\n", runs, platform.c_str());
    std::printf("  process start -> first paint: median %.0f ms, worst %.0f ms (10 ms steps)\n", Median(fromProcess),
                *std::max_element(fromProcess.begin(), fromProcess.end()));
    std::printf("  main's first line -> first paint: median %.1f ms, worst %.1f ms\n", Median(fromMain),
                *std::max_element(fromMain.begin(), fromMain.end()));
    std::printf("  goal: 300 ms\n");
    return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    const Clock::time_point mainStart = Clock::now();
    if (argc == 3 && std::string(argv[1]) == "--child") return Child(argc, argv, mainStart);
    return Parent(argc > 1 ? std::max(1, std::atoi(argv[1])) : 10);
}

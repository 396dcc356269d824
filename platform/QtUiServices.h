#pragma once
// The toolkit services over Qt: message boxes, the file dialog, files through
// QFile, QSettings (INI, user scope), timers on the event loop, and work
// handed to long-lived worker threads whose answers come back through the
// event loop.

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <random>

#include "platform/UiServices.h"

class QFile;
class QSystemTrayIcon;
class QSettings;
class QWidget;

namespace velmora {

// Shows a topic of a compiled help file in a window; the help viewer's
// folder provides it, so this layer needs no window of its own for help.
class HelpDisplay {
public:
    virtual ~HelpDisplay() = default;
    // As HtmlHelpA, for the file's absolute path.
    virtual WindowHandle ShowHelp(WindowHandle owner, const std::string& path, int command,
                                  std::uint32_t data) = 0;
};

// Where a file dialog opens: the folder asked for while it exists, else the
// user's documents folder, else the home folder.
QString DialogStartFolder(const QString& asked, const QString& documents, const QString& home);

// A filter of "Label|pattern" pairs joined by "|" as the file dialog's name
// filters ("Label (pattern)").
QStringList NameFilters(const std::string& filter);

class QtUiServices final : public UiServices {
public:
    QtUiServices();
    ~QtUiServices() override;
    QtUiServices(const QtUiServices&) = delete;
    QtUiServices& operator=(const QtUiServices&) = delete;

    // The window that owns modal boxes and dialogs.
    void SetOwnerWindow(QWidget* owner);
    // What shows help files; without one, HtmlHelpA shows nothing.
    void SetHelpDisplay(HelpDisplay* display);

    int MsgBox(const std::string& prompt, int style, const std::string& title) override;
    WindowHandle SetMessageOwner(WindowHandle owner) override;
    std::string GetSetting(const std::string& appName, const std::string& section, const std::string& key,
                           const std::string& defaultValue) override;
    void SaveSetting(const std::string& appName, const std::string& section, const std::string& key,
                     const std::string& value) override;
    void BeginSettingsBatch() override;
    void EndSettingsBatch() override;
    std::optional<std::string> ShowOpenDialog(const std::string& title, const std::string& filter, int flags,
                                              const std::string& startFolder) override;
    std::optional<std::string> ShowSaveDialog(const std::string& title, const std::string& filter,
                                              const std::string& startFolder) override;
    bool WriteWholeFile(const std::string& path, const std::string& bytes, std::string& error) override;
    bool FileExists(const std::string& path, bool& exists, std::string& error) override;
    bool DeleteFile(const std::string& path, std::string& error) override;
    int OpenFileForAppend(const std::string& path, std::string& error) override;
    bool WriteFile(int fileNumber, const std::string& bytes, std::string& error) override;
    void CloseFile(int fileNumber) override;
    // Through org.freedesktop.Notifications on the session bus when a
    // service owns that name, else a tray message where the desktop has a tray.
    void Notify(const std::string& title, const std::string& text, std::function<void()> undelivered) override;
    void Randomize() override;
    float Rnd() override;
    std::int64_t UnixTimeMicroseconds() override;
    std::unique_ptr<Timer> CreateTimer() override;
    void RunInBackground(std::function<void()> work, std::function<void()> done) override;
    void RunOnUiThread(std::function<void()> done) override;

    // The registry's machine-wide values live in Qt's system-scope settings
    // file Velmora/Registry.ini (/etc/xdg unless XDG_CONFIG_DIRS says
    // otherwise), the key path with "/" for "\". Where it sets neither value
    // of the system information tool, the tool's path answers with a program
    // found on the machine (kSysInfoPrograms).
    std::int32_t ShellExecuteA(const std::string& file) override;
    bool Shell(const std::string& path, std::string& error) override;
    std::int32_t RegOpenKeyExA(HKEY root, const std::string& subKey, std::uint32_t options,
                               std::uint32_t samDesired, HKEY& result) override;
    std::int32_t RegQueryValueExA(HKEY key, const std::string& valueName, std::uint32_t& type, std::uint8_t* data,
                                  std::uint32_t& size) override;
    std::int32_t RegCloseKey(HKEY key) override;
    WindowHandle HtmlHelpA(WindowHandle owner, const std::string& file, int command, std::uint32_t data) override;

private:
    // Shared with the worker threads, which outlive this object: jobs wait
    // here, answers are posted to receiver while it lives. One worker serves
    // them all; another starts only while every worker is busy, as one is
    // while a name look-up that nobody waits for any more still runs.
    struct WorkQueue {
        std::mutex mutex;
        std::condition_variable wake;
        std::deque<std::pair<std::function<void()>, std::function<void()>>> jobs;
        int idleWorkers = 0;
        int workers = 0;
        QObject* receiver = nullptr;
    };

    static void ServeJobs(const std::shared_ptr<WorkQueue>& queue);
    bool ShowTrayMessage(const QString& title, const QString& text);

    // The store of appName: the batch's while one is open, else a new one.
    template <typename Use>
    auto WithStore(const std::string& appName, Use use);

    // The window that owns boxes and dialogs: the one set for the action under way, else owner_.
    QWidget* Owner() const;

    QPointer<QWidget> owner_;
    WindowHandle messageOwner_ = 0;
    int settingsBatchDepth_ = 0;
    std::string batchAppName_;
    std::unique_ptr<QSettings> batchStore_;
    std::shared_ptr<WorkQueue> queue_;
    std::unique_ptr<QObject> receiver_;
    std::mt19937 random_;
    std::map<int, std::unique_ptr<QFile>> files_;
    std::unique_ptr<QSystemTrayIcon> trayIcon_;  // made for the first tray message
    int nextFileNumber_ = 1;

    std::map<HKEY, QString> openKeys_;  // handle -> key path in the settings file
    HKEY nextKey_ = 1;
    HelpDisplay* helpDisplay_ = nullptr;
};

// Programs that show the machine's hardware and system, in order of preference.
inline constexpr const char* kSysInfoPrograms[] = {"hardinfo2", "hardinfo", "kinfocenter", "gnome-system-monitor"};

}  // namespace velmora

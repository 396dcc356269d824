#pragma once
// Scripted toolkit services: message boxes answer from a queue and are
// recorded, settings live in a map, the file dialog answers from a queue,
// files live in memory with scriptable failures, timers fire when the test
// says, and background work runs at once (or waits for RunPending when deferred).

#include <deque>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "platform/UiServices.h"

namespace velmora::test {

struct ShownBox {
    std::string prompt;
    int style;
    std::string title;
    WindowHandle owner;  // the window set to own it, 0 the main window
};

class FakeTimer : public Timer {
public:
    void SetInterval(int ms) override {
        interval = ms;
        ++intervalWrites;
    }
    int Interval() const override { return interval; }
    void SetEnabled(bool e) override { enabled = e; }
    bool Enabled() const override { return enabled; }
    void OnTimer(std::function<void()> h) override { handler = std::move(h); }

    // Fires as the toolkit would: only when enabled with a nonzero interval.
    bool Fire() {
        if (!enabled || interval == 0 || !handler) return false;
        handler();
        return true;
    }

    int interval = 0;
    int intervalWrites = 0;
    bool enabled = false;
    std::function<void()> handler;
};

struct ShownDialog {
    std::string title;
    std::string filter;
    int flags;
    std::string startFolder;
};

class FakeUiServices : public UiServices {
public:
    std::deque<int> answers;  // button answers for the next boxes; OK/Cancel when empty
    std::vector<ShownBox> boxes;
    std::function<void(const ShownBox&)> onMsgBox;  // runs while a box is up, as a modal loop's events do
    std::map<std::string, std::string> settings;    // "app/section/key" -> value
    std::vector<std::string> settingWrites;         // "section/key" in the order written
    std::deque<float> randoms;                      // next Rnd values; 0.5 when empty
    int randomizeCalls = 0;
    std::int64_t unixTimeUs = 1'800'000'000'000'000;  // the clock; each reading moves it on by clockStepUs
    std::int64_t clockStepUs = 0;
    std::vector<FakeTimer*> timers;
    bool deferBackground = false;
    std::deque<std::pair<std::function<void()>, std::function<void()>>> pending;
    std::deque<std::optional<std::string>> dialogAnswers;  // a path, or nothing for Cancel; Cancel when empty
    std::vector<ShownDialog> dialogs;
    // Files in memory, path -> contents. Each queue holds the error texts of
    // the next failing calls of its kind; a call succeeds when its queue is empty.
    std::map<std::string, std::string> files;
    std::deque<std::string> existsFailures, deleteFailures, openFailures, writeFailures, wholeWriteFailures;
    std::vector<std::string> notifications;  // "title|text"
    bool notificationsUndelivered = false;   // no service and no tray: the caller's fallback runs
    std::map<int, std::string> openFiles;  // file number -> path
    std::vector<std::string> writes;       // every write attempt's bytes, failed ones included

    int MsgBox(const std::string& prompt, int style, const std::string& title) override {
        boxes.push_back({prompt, style, title, messageOwner});
        if (onMsgBox) onMsgBox(boxes.back());
        return answers.empty() ? ((style & 0x0F) == 0 ? vbOK : vbCancel) : Next(answers);
    }
    WindowHandle messageOwner = 0;
    WindowHandle SetMessageOwner(WindowHandle owner) override { return std::exchange(messageOwner, owner); }
    // A batch opens the store once; a read or write outside one opens it once each.
    int storeOpenings = 0;
    int batchDepth = 0;
    void BeginSettingsBatch() override { storeOpenings += batchDepth++ == 0; }
    void EndSettingsBatch() override { --batchDepth; }
    std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                           const std::string& def) override {
        storeOpenings += batchDepth == 0;
        const auto it = settings.find(app + "/" + section + "/" + key);
        return it == settings.end() ? def : it->second;
    }
    void SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                     const std::string& value) override {
        storeOpenings += batchDepth == 0;
        settings[app + "/" + section + "/" + key] = value;
        settingWrites.push_back(section + "/" + key);
    }
    std::optional<std::string> ShowOpenDialog(const std::string& title, const std::string& filter, int flags,
                                              const std::string& startFolder) override {
        dialogs.push_back({title, filter, flags, startFolder});
        return dialogAnswers.empty() ? std::nullopt : Next(dialogAnswers);
    }
    std::optional<std::string> ShowSaveDialog(const std::string& title, const std::string& filter,
                                              const std::string& startFolder) override {
        dialogs.push_back({title, filter, 0, startFolder});
        return dialogAnswers.empty() ? std::nullopt : Next(dialogAnswers);
    }
    bool WriteWholeFile(const std::string& path, const std::string& bytes, std::string& error) override {
        if (Fails(wholeWriteFailures, error)) return false;
        files[path] = bytes;
        return true;
    }
    void Notify(const std::string& title, const std::string& text, std::function<void()> undelivered) override {
        notifications.push_back(title + "|" + text);
        if (notificationsUndelivered) undelivered();
    }
    bool FileExists(const std::string& path, bool& exists, std::string& error) override {
        exists = files.count(path) != 0;
        return !Fails(existsFailures, error);
    }
    bool DeleteFile(const std::string& path, std::string& error) override {
        if (Fails(deleteFailures, error)) return false;
        files.erase(path);
        return true;
    }
    int OpenFileForAppend(const std::string& path, std::string& error) override {
        if (Fails(openFailures, error)) return 0;
        files[path];
        openFiles[nextFileNumber_] = path;
        return nextFileNumber_++;
    }
    bool WriteFile(int fileNumber, const std::string& bytes, std::string& error) override {
        writes.push_back(bytes);
        if (Fails(writeFailures, error)) return false;
        files.at(openFiles.at(fileNumber)) += bytes;
        return true;
    }
    void CloseFile(int fileNumber) override { openFiles.erase(fileNumber); }
    void Randomize() override { ++randomizeCalls; }
    float Rnd() override { return randoms.empty() ? 0.5f : Next(randoms); }
    std::int64_t UnixTimeMicroseconds() override { return std::exchange(unixTimeUs, unixTimeUs + clockStepUs); }
    std::unique_ptr<Timer> CreateTimer() override {
        auto t = std::make_unique<FakeTimer>();
        timers.push_back(t.get());
        return t;
    }
    void RunInBackground(std::function<void()> work, std::function<void()> done) override {
        if (deferBackground) {
            pending.emplace_back(std::move(work), std::move(done));
            return;
        }
        work();
        done();
    }
    // Posted answers wait with the background jobs when those are deferred.
    void RunOnUiThread(std::function<void()> done) override {
        if (deferBackground) {
            pending.emplace_back([] {}, std::move(done));
            return;
        }
        done();
    }
    // Completes the oldest deferred background job; false when none waits.
    bool RunPending() {
        if (pending.empty()) return false;
        auto job = Next(pending);
        job.first();
        job.second();
        return true;
    }

    // --- Shell, help viewer and registry ---
    std::vector<std::string> launches;      // "open TEXT", "start PATH" or "help OWNER FILE COMMAND", in order
    std::deque<std::string> startFailures;  // errors of the next failing program starts

    std::int32_t ShellExecuteA(const std::string& file) override {
        launches.push_back("open " + file);
        return kShellOpened;
    }
    bool Shell(const std::string& path, std::string& error) override {
        launches.push_back("start " + path);
        return !Fails(startFailures, error);
    }
    // No registry here: the about tests script their own.
    std::int32_t RegOpenKeyExA(HKEY, const std::string&, std::uint32_t, std::uint32_t, HKEY& result) override {
        result = 0;
        return ERROR_FILE_NOT_FOUND;
    }
    std::int32_t RegQueryValueExA(HKEY, const std::string&, std::uint32_t&, std::uint8_t*, std::uint32_t&) override {
        return ERROR_INVALID_HANDLE;
    }
    std::int32_t RegCloseKey(HKEY) override { return ERROR_INVALID_HANDLE; }
    WindowHandle HtmlHelpA(WindowHandle owner, const std::string& file, int command, std::uint32_t) override {
        launches.push_back("help " + std::to_string(owner) + " " + file + " " + std::to_string(command));
        return 1;  // the viewer's window
    }

private:
    template <typename T>
    static T Next(std::deque<T>& queue) {
        T front = std::move(queue.front());
        queue.pop_front();
        return front;
    }
    static bool Fails(std::deque<std::string>& failures, std::string& error) {
        if (failures.empty()) return false;
        error = Next(failures);
        return true;
    }

    int nextFileNumber_ = 1;
};

}  // namespace velmora::test

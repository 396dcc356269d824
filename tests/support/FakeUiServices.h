#pragma once
// Scripted toolkit services: message boxes answer from a queue and are
// recorded, settings live in a map, the file dialog answers from a queue,
// files live in memory with scriptable failures, timers fire when the test
// says, and background work runs at once (or waits for RunPending when deferred).

#include <cstring>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "platform/UiServices.h"

namespace velmora::test {

struct ShownBox {
    std::string prompt;
    int style;
    std::string title;
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
    std::vector<FakeTimer*> timers;
    bool deferBackground = false;
    std::deque<std::pair<std::function<void()>, std::function<void()>>> pending;
    std::deque<std::optional<std::string>> dialogAnswers;  // a path, or nothing for Cancel; Cancel when empty
    std::vector<ShownDialog> dialogs;
    // Files in memory, path -> contents. Each queue holds the error texts of
    // the next failing calls of its kind; a call succeeds when its queue is empty.
    std::map<std::string, std::string> files;
    std::deque<std::string> existsFailures, deleteFailures, openFailures, writeFailures;
    std::map<int, std::string> openFiles;  // file number -> path
    std::vector<std::string> writes;       // every write attempt's bytes, failed ones included

    int MsgBox(const std::string& prompt, int style, const std::string& title) override {
        boxes.push_back({prompt, style, title});
        if (onMsgBox) onMsgBox(boxes.back());
        return answers.empty() ? ((style & 0x0F) == 0 ? vbOK : vbCancel) : Next(answers);
    }
    std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                           const std::string& def) override {
        const auto it = settings.find(app + "/" + section + "/" + key);
        return it == settings.end() ? def : it->second;
    }
    void SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                     const std::string& value) override {
        settings[app + "/" + section + "/" + key] = value;
        settingWrites.push_back(section + "/" + key);
    }
    std::optional<std::string> ShowOpenDialog(const std::string& title, const std::string& filter,
                                              int flags) override {
        dialogs.push_back({title, filter, flags});
        return dialogAnswers.empty() ? std::nullopt : Next(dialogAnswers);
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
    // Completes the oldest deferred background job; false when none waits.
    bool RunPending() {
        if (pending.empty()) return false;
        auto job = Next(pending);
        job.first();
        job.second();
        return true;
    }

    // --- Shell, registry and help viewer ---
    std::vector<std::string> shellOpens;  // texts handed to the shell's open operation
    std::vector<std::string> programStarts;
    std::deque<std::string> startFailures;  // errors of the next failing program starts
    struct RegistryValue {
        std::uint32_t type;
        std::string bytes;  // as stored, a text's terminating zero included when the test says so
    };
    std::map<std::string, std::map<std::string, RegistryValue>> registry;  // machine-wide key -> value name -> value
    std::set<HKEY> openKeys;  // handles opened and not yet closed
    int keyCloses = 0;
    struct HelpCall {
        WindowHandle owner;
        std::string file;
        int command;
        std::uint32_t data;
    };
    std::vector<HelpCall> helpCalls;
    WindowHandle helpWindow = 0x4711;  // what the viewer answers

    std::int32_t ShellExecuteA(const std::string& file) override {
        shellOpens.push_back(file);
        return kShellOpened;
    }
    bool Shell(const std::string& path, std::string& error) override {
        programStarts.push_back(path);
        return !Fails(startFailures, error);
    }
    std::int32_t RegOpenKeyExA(HKEY root, const std::string& subKey, std::uint32_t, std::uint32_t,
                               HKEY& result) override {
        result = 0;
        if (root != HKEY_LOCAL_MACHINE || registry.count(subKey) == 0) return ERROR_FILE_NOT_FOUND;
        keyNames_.push_back(subKey);
        result = HKEY(keyNames_.size());
        openKeys.insert(result);
        return ERROR_SUCCESS;
    }
    std::int32_t RegQueryValueExA(HKEY key, const std::string& valueName, std::uint32_t& type, std::uint8_t* data,
                                  std::uint32_t& size) override {
        if (openKeys.count(key) == 0) return ERROR_INVALID_HANDLE;
        const auto& values = registry.at(keyNames_.at(key - 1));
        const auto it = values.find(valueName);
        if (it == values.end()) return ERROR_FILE_NOT_FOUND;
        type = it->second.type;
        const auto needed = std::uint32_t(it->second.bytes.size());
        const bool fits = needed <= size;
        if (fits) std::memcpy(data, it->second.bytes.data(), needed);
        size = needed;
        return fits ? ERROR_SUCCESS : ERROR_MORE_DATA;
    }
    std::int32_t RegCloseKey(HKEY key) override {
        ++keyCloses;
        return openKeys.erase(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
    }
    WindowHandle HtmlHelpA(WindowHandle owner, const std::string& file, int command, std::uint32_t data) override {
        helpCalls.push_back({owner, file, command, data});
        return helpWindow;
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
    std::vector<std::string> keyNames_;  // handle - 1 -> key

public:
    // Posted answers wait with the background jobs when those are deferred.
    void RunOnUiThread(std::function<void()> done) override {
        if (deferBackground) {
            pending.emplace_back([] {}, std::move(done));
            return;
        }
        done();
    }
};

}  // namespace velmora::test

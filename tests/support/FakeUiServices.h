#pragma once
// Scripted toolkit services: message boxes answer from a queue and are
// recorded, settings live in a map, timers fire when the test says, and
// background work runs at once (or waits for RunPending when deferred).

#include <deque>
#include <map>
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

class FakeUiServices : public UiServices {
public:
    std::deque<int> answers;  // button answers for the next boxes; OK/Cancel when empty
    std::vector<ShownBox> boxes;
    std::map<std::string, std::string> settings;  // "app/section/key" -> value
    std::vector<std::string> settingWrites;       // keys in the order written
    std::deque<float> randoms;                    // next Rnd values; 0.5 when empty
    std::vector<FakeTimer*> timers;
    bool deferBackground = false;
    std::deque<std::pair<std::function<void()>, std::function<void()>>> pending;
    int randomizeCalls = 0;

    int MsgBox(const std::string& prompt, int style, const std::string& title) override {
        boxes.push_back({prompt, style, title});
        if (answers.empty()) return (style & 0x0F) == 0 ? vbOK : vbCancel;
        const int a = answers.front();
        answers.pop_front();
        return a;
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

    void Randomize() override { ++randomizeCalls; }

    float Rnd() override {
        if (randoms.empty()) return 0.5f;
        const float r = randoms.front();
        randoms.pop_front();
        return r;
    }

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
        auto job = std::move(pending.front());
        pending.pop_front();
        job.first();
        job.second();
        return true;
    }
};

}  // namespace velmora::test

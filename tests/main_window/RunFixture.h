#pragma once
// A run over the fakes: the window's fields, a scripted network and toolkit.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "engine/mdbPing.h"
#include "main_window/PingRun.h"
#include "tests/support/FakeNetworkServices.h"
#include "tests/support/FakeRunView.h"
#include "tests/support/FakeUiServices.h"

namespace velmora::test {

class RunTest : public testing::Test {
protected:
    FakeRunView view;
    FakeNetworkServices net;
    FakeUiServices ui;
    std::unique_ptr<PingRun> run = std::make_unique<PingRun>(view, net, ui);

    FakeTimer& RunTimer() { return *ui.timers.at(0); }
    FakeTimer& PaceTimer() { return *ui.timers.at(1); }

    // Answers the asynchronous echo in flight to this address.
    void AnswerEchoTo(const std::string& address) {
        const auto echo = std::find_if(net.inFlight.begin(), net.inFlight.end(), [&](const auto& e) {
            return mdbPing::LongToAddress(std::int32_t(e.request.destination)) == address;
        });
        ASSERT_NE(echo, net.inFlight.end()) << address;
        net.CompleteEcho(std::size_t(echo - net.inFlight.begin()));
    }

    // Fires the run timer until the run ends; only for runs that end by themselves.
    void RunToEnd() {
        while (view.running) ASSERT_TRUE(RunTimer().Fire()) << "the run waits for a tick that never comes";
    }

    // Completes every deferred echo and look-up, and those they start.
    void RunAllPending() {
        while (ui.RunPending()) {
        }
    }

    std::vector<std::string> Destinations() const {
        std::vector<std::string> out;
        for (const EchoRequest& e : net.echoes) out.push_back(mdbPing::LongToAddress(std::int32_t(e.destination)));
        return out;
    }

    std::vector<std::string> Prompts() const {
        std::vector<std::string> out;
        for (const ShownBox& box : ui.boxes) out.push_back(box.prompt);
        return out;
    }
};

}  // namespace velmora::test

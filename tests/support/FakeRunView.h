#pragma once
// A main window for the run logic: fields the test sets, and a record of
// what the run shows (caption, command states, panels, focus, log pane).

#include <array>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "engine/mdbPing.h"
#include "main_window/PingRunView.h"

namespace velmora::test {

class FakeRunView : public PingRunView {
public:
    std::array<std::string, 4> startOctets{"10", "0", "0", "1"};
    std::array<std::string, 4> stopOctets{"10", "0", "0", "1"};
    std::string hostName;
    std::map<Control, std::string> parameters = {{Control::Num, "1"},       {Control::DataSize, "120"},
                                                 {Control::TTL, "30"},      {Control::Timeout, "500"},
                                                 {Control::Delay, "1000"}};
    bool loop = false;
    std::uint8_t targetMode = 2;

    std::vector<std::string> captions;
    bool running = false;
    bool capturing = false;
    std::array<std::string, 6> panels;
    std::vector<Control> focus;
    std::string log;  // the pane's text as shown
    // Called after each text reaches the pane, with the text as appended.
    std::function<void(const std::string&)> onAppend;

    // Sets the octet boxes from dotted texts such as "10.0.0.1".
    void SetRange(const std::string& start, const std::string& stop) {
        mdbPing::SplitAddress(start, startOctets);
        mdbPing::SplitAddress(stop, stopOctets);
    }
    std::string Caption() const { return captions.empty() ? std::string() : captions.back(); }
    // The pane's lines without their CR LF.
    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        std::size_t begin = 0;
        for (std::size_t end; (end = log.find("\r\n", begin)) != std::string::npos; begin = end + 2) {
            lines.push_back(log.substr(begin, end - begin));
        }
        return lines;
    }

    std::string StartOctetText(int index) const override { return startOctets.at(std::size_t(index)); }
    std::string StopOctetText(int index) const override { return stopOctets.at(std::size_t(index)); }
    std::string HostNameText() const override { return hostName; }
    std::string ParameterText(Control field) const override { return parameters.at(field); }
    bool LoopChecked() const override { return loop; }
    std::uint8_t TargetMode() const override { return targetMode; }
    void SetFocusTo(Control control) override { focus.push_back(control); }
    void SetCaption(const std::string& caption) override { captions.push_back(caption); }
    void ShowRunState(bool isRunning) override { running = isRunning; }
    void ShowCaptureState(bool isCapturing) override { capturing = isCapturing; }
    void SetPanelText(int panel, const std::string& text) override { panels.at(std::size_t(panel - 1)) = text; }
    void ShowLogText(const std::string& wholeText) override { log = wholeText; }
    void AppendLogText(const std::string& text) override {
        log += text;
        if (onAppend) onAppend(text);
    }
};

}  // namespace velmora::test

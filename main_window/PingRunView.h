#pragma once
// What the run logic needs of the main window: the fields it reads at the
// moment of use, and the controls it sets. The window implements it; tests
// hand in a fake.

#include <cstdint>
#include <string>

namespace velmora {

enum class Control {
    HostName,
    StartIp0, StartIp1, StartIp2, StartIp3,
    StopIp0, StopIp1, StopIp2, StopIp3,
    Num, DataSize, TTL, Timeout, Delay
};

// The octet boxes txtStartIP(index) and txtStopIP(index).
constexpr Control StartOctet(int index) { return Control(int(Control::StartIp0) + index); }
constexpr Control StopOctet(int index) { return Control(int(Control::StopIp0) + index); }

class PingRunView {
public:
    virtual ~PingRunView() = default;

    virtual std::string StartOctetText(int index) const = 0;  // txtStartIP(0..3)
    virtual std::string StopOctetText(int index) const = 0;   // txtStopIP(0..3)
    virtual std::string HostNameText() const = 0;             // txtDNS
    virtual std::string ParameterText(Control field) const = 0;  // Num, DataSize, TTL, Timeout, Delay
    virtual bool LoopChecked() const = 0;                     // chkLoop
    virtual std::uint8_t TargetMode() const = 0;              // 1 host name, 2 range

    virtual void SetFocusTo(Control control) = 0;
    virtual void SetCaption(const std::string& caption) = 0;
    // Toolbar 1/2 and Start/Stop menu items: running disables Start, enables Stop.
    virtual void ShowRunState(bool running) = 0;
    // Toolbar 4/5 and capture menu items: capturing disables Capture, enables Close.
    virtual void ShowCaptureState(bool capturing) = 0;
    virtual void SetPanelText(int panel, const std::string& text) = 0;  // panels 1..6

    // The log pane's text is kept by the run logic; the window shows it.
    virtual void ShowLogText(const std::string& wholeText) = 0;  // after a cut or a clear
    virtual void AppendLogText(const std::string& text) = 0;     // text with its CR LF
};

}  // namespace velmora

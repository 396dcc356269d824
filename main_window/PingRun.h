#pragma once
// The run logic of the main window: the range walk, the timed passes, the
// result lines, the figures and the summary, the log pane's text and the
// capture file. It owns the run timer; every echo waits off the
// user-interface thread and its slot resumes on it, so the window never
// freezes. All state lives on the user-interface thread.

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "engine/mdbPing.h"
#include "main_window/PingRunView.h"
#include "platform/NetworkServices.h"
#include "platform/UiServices.h"

namespace velmora {

class PingRun {
public:
    PingRun(PingRunView& view, NetworkServices& net, UiServices& ui);
    ~PingRun();
    PingRun(const PingRun&) = delete;
    PingRun& operator=(const PingRun&) = delete;

    void StartPinging();
    void StopPinging();
    void ClearLog();
    void ClearStatistic();
    void OpenCaptureFile();
    void CloseCaptureFile();
    void WriteLog(const std::string& text);

    bool Capturing() const;
    bool Running() const;
    const std::string& LogText() const;

    // (further members are the run logic's own)
};

}  // namespace velmora

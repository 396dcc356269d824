#pragma once
// What a written line leaves beside the log: its echo in the data set that
// the monitoring views show, and, at the end of the pass, the desktop
// notifications of the addresses the data set saw go down or come back.

#include <functional>
#include <memory>
#include <string>

#include "main_window/SlotEcho.h"
#include "monitoring/EchoStore.h"
#include "monitoring/HostAlerts.h"
#include "platform/UiServices.h"

namespace velmora {

class EchoRecorder {
public:
    // writeLog shows a notification the desktop did not take.
    EchoRecorder(UiServices& ui, EchoStore& echoes, std::function<void(const std::string&)> writeLog);
    ~EchoRecorder();
    EchoRecorder(const EchoRecorder&) = delete;
    EchoRecorder& operator=(const EchoRecorder&) = delete;

    // With alert off the changes are still followed, and dropped at the pass's end.
    void SetAlerts(bool alert, int alertAfter);

    // A new Start: a new data set.
    void BeginDataSet() { echoes_.Clear(); }
    // The slot's echo, as its line was written; pass counts from 0.
    void Record(const std::string& address, const std::string& hostName, std::int64_t pass, const Slot& slot,
                const ICMP_ECHO_REPLY& reply, bool dataIntact);
    // The changes the pass saw.
    void DeliverAlerts();

private:
    UiServices& ui_;
    EchoStore& echoes_;
    std::function<void(const std::string&)> writeLog_;
    bool alert_ = false;
    HostAlerts alerts_;  // follows the data set

    struct AliveToken {};
    std::shared_ptr<AliveToken> alive_ = std::make_shared<AliveToken>();
};

}  // namespace velmora

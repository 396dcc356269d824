#include "main_window/EchoRecorder.h"

namespace velmora {

EchoRecorder::EchoRecorder(UiServices& ui, EchoStore& echoes, std::function<void(const std::string&)> writeLog)
    : ui_(ui), echoes_(echoes), writeLog_(std::move(writeLog)) {
    echoes_.AddObserver(alerts_);
}

EchoRecorder::~EchoRecorder() { echoes_.RemoveObserver(alerts_); }

void EchoRecorder::SetAlerts(bool alert, int alertAfter) {
    alert_ = alert;
    alerts_.SetAlertAfter(alertAfter);
}

void EchoRecorder::Record(const std::string& address, const std::string& hostName, std::int64_t pass,
                          const Slot& slot, const ICMP_ECHO_REPLY& reply, bool dataIntact) {
    EchoRecord echo;
    echo.address = address;
    echo.hostName = hostName;
    echo.sample.timeUs = slot.beganUs;
    echo.sample.pass = pass;
    echo.sample.status = slot.status;
    if (slot.status == IP_SUCCESS) {
        echo.sample.roundTripUs = reply.RoundTripMicroseconds;
        echo.sample.ttl = reply.Options.Ttl;
        echo.sample.dataSize = reply.DataSize;
        echo.sample.dataIntact = dataIntact;
    }
    echoes_.Add(echo);
}

// The notification may come back undelivered after the run's window is gone.
void EchoRecorder::DeliverAlerts() {
    for (const std::string& message : alerts_.TakeMessages()) {
        if (!alert_) continue;
        ui_.Notify(kAppName, message, [this, alive = std::weak_ptr<AliveToken>(alive_), message] {
            if (!alive.expired()) writeLog_(message);
        });
    }
}

}  // namespace velmora

#pragma once
// The down/up rule of the alerts. An address that has answered and then
// loses AlertAfter echoes in a row is down; its first answer after that
// brings it up again. An error answer (unreachable, TTL expired) is a lost
// echo: the host itself did not answer. Changes are collected through a pass
// and handed out at its end, one message a change, or one message for many
// addresses that changed the same way in the same pass. It follows the data
// set: every echo added is fed, and a cleared data set forgets every address.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "monitoring/AlertAfter.h"
#include "monitoring/EchoStore.h"

namespace velmora {

// More changes of one kind in a pass than this come as one message.
inline constexpr std::size_t kAlertsListedSingly = 3;

class HostAlerts final : public EchoObserver {
public:
    explicit HostAlerts(int alertAfter = kAlertAfterDefault);

    void EchoAdded(const EchoRecord& echo) override;
    // Forgets every address (a new data set).
    void EchoesCleared() override;
    void SetAlertAfter(int alertAfter);
    // when: microseconds since 1970 UTC, the data set's clock.
    void Feed(const std::string& address, bool answered, std::int64_t whenUs);
    // The messages of the changes since the last call, in the order they happened.
    std::vector<std::string> TakeMessages();

private:
    struct Host {
        bool answeredOnce = false;
        bool down = false;
        int lostInARow = 0;
        std::int64_t firstLostUs = 0;
    };
    struct Change {
        std::string address;
        std::string message;
    };

    static std::vector<std::string> Grouped(const std::vector<Change>& changes, const char* summary);

    int alertAfter_;
    std::map<std::string, Host> hosts_;
    std::vector<Change> downs_;
    std::vector<Change> ups_;
};

// "4 min 12 s", "1 h 0 min 3 s", "12 s": whole seconds, rounded down.
std::string DurationText(std::int64_t seconds);

}  // namespace velmora

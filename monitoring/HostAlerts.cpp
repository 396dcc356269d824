#include "monitoring/HostAlerts.h"

#include <algorithm>

#include "monitoring/TimeTexts.h"

namespace velmora {

HostAlerts::HostAlerts(int alertAfter) : alertAfter_(alertAfter) {}

void HostAlerts::EchoAdded(const EchoRecord& echo) {
    Feed(echo.address, echo.sample.Replied(), echo.sample.timeUs);
}

void HostAlerts::EchoesCleared() {
    hosts_.clear();
    downs_.clear();
    ups_.clear();
}

void HostAlerts::SetAlertAfter(int alertAfter) { alertAfter_ = alertAfter; }

void HostAlerts::Feed(const std::string& address, bool answered, std::int64_t whenUs) {
    Host& host = hosts_[address];
    if (answered) {
        if (host.down) {
            const std::string downFor = DurationText((whenUs - host.firstLostUs) / 1'000'000);
            ups_.push_back({address, address + " is up again (down for " + downFor + ")"});
        }
        host = Host{};
        host.answeredOnce = true;
        return;
    }
    // A host that never answered is not watched: it was never up.
    if (!host.answeredOnce || host.down) return;
    if (host.lostInARow++ == 0) host.firstLostUs = whenUs;
    if (host.lostInARow < alertAfter_) return;
    host.down = true;
    const std::string lost = std::to_string(host.lostInARow) + (host.lostInARow == 1 ? " echo" : " echoes");
    downs_.push_back({address, address + " is down (" + lost + " lost since " + TimeOfDayText(host.firstLostUs) + ")"});
}

std::vector<std::string> HostAlerts::TakeMessages() {
    std::vector<std::string> messages = Grouped(downs_, "down");
    for (std::string& up : Grouped(ups_, "up again")) messages.push_back(std::move(up));
    downs_.clear();
    ups_.clear();
    return messages;
}

std::vector<std::string> HostAlerts::Grouped(const std::vector<Change>& changes, const char* summary) {
    std::vector<std::string> messages;
    if (changes.size() <= kAlertsListedSingly) {
        for (const Change& change : changes) messages.push_back(change.message);
        return messages;
    }
    std::string text = std::to_string(changes.size()) + " hosts are " + summary + ": ";
    for (std::size_t i = 0; i < kAlertsListedSingly; ++i) text += (i ? ", " : "") + changes[i].address;
    text += " and " + std::to_string(changes.size() - kAlertsListedSingly) + " more";
    messages.push_back(text);
    return messages;
}

std::string DurationText(std::int64_t seconds) {
    const std::int64_t total = std::max<std::int64_t>(0, seconds);
    const std::int64_t hours = total / 3600;
    const std::int64_t minutes = total % 3600 / 60;
    const std::string rest = std::to_string(total % 60) + " s";
    if (hours) return std::to_string(hours) + " h " + std::to_string(minutes) + " min " + rest;
    if (minutes) return std::to_string(minutes) + " min " + rest;
    return rest;
}

}  // namespace velmora

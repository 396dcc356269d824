#pragma once
// What the interface information window shows, apart from its widgets: the
// 21 rows with their labels and text forms, and the refresh that compares the
// interface at a position with the record shown last time and writes only the
// cells that changed, the traffic labels and the traffic picture.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "interfaces/CIpHelper.h"

namespace velmora {

// The value in decimal, split into groups of three digits from the right with
// one space between them, over `places` digits (9 or 12); digits beyond them
// stay together in front of the first group. 0 gives empty text.
std::string SpacedDigits(std::uint64_t value, int places);

// The texts of the three code tables; nothing for a code a table does not hold.
std::optional<std::string> InterfaceTypeText(std::uint32_t code);
std::optional<std::string> AdminStatusText(std::uint32_t code);
std::optional<std::string> OperationalStatusText(std::uint32_t code);

// 1 no traffic, 2 received only, 3 sent only, 4 both. A direction has traffic
// when its counter grew; one that went down (the link was re-created) has none.
int TrafficPicture(std::uint64_t previousReceived, std::uint64_t received, std::uint64_t previousSent,
                   std::uint64_t sent);

inline constexpr int kInterfaceRows = 21;

// The label of a row, 1 to kInterfaceRows.
const char* InterfaceRowLabel(int row);

// The window as the refresh writes it.
class InterfaceMonitorView {
public:
    virtual ~InterfaceMonitorView() = default;
    virtual void SetRowValue(int row, const std::string& text) = 0;
    virtual void SetTraffic(const std::string& received, const std::string& sent) = 0;
    virtual void ShowTrafficPicture(int picture) = 0;
    // The user's short date, then the time of day; empty for the zero date.
    virtual std::string DateTimeText(DateTime value) const = 0;
};

class InterfaceMonitor {
public:
    InterfaceMonitor(InterfaceMonitorView& view, NetworkServices& net, UiServices& ui);

    // The descriptions of a fresh read, in table order: the drop-down list's entries.
    std::vector<std::string> Descriptions();

    // Refreshes the window from the interface at a 1-based position of a
    // fresh read. A position that either of its two reads does not hold
    // changes nothing, so the window keeps its last values. A call made while
    // one is under way (from a message box's event loop) returns at once.
    void ShowInterfaceInfo(std::size_t number);

private:
    void WriteChangedRows(const CInterface& current, const CInterface& previous);

    InterfaceMonitorView& view_;
    CIpHelper helper_;
    std::optional<CInterface> previousInterface_;
    std::uint64_t previousOctetsReceived_ = 0;
    std::uint64_t previousOctetsSent_ = 0;
    bool refreshing_ = false;
};

}  // namespace velmora

#include "interfaces/InterfaceMonitor.h"

#include <algorithm>
#include <array>
#include <span>
#include <type_traits>
#include <utility>
#include <variant>

namespace velmora {

namespace {

using CodeText = std::pair<std::uint32_t, const char*>;
using CodeTable = std::span<const CodeText>;

constexpr CodeText kInterfaceTypes[]{{1, "Other"}, {6, "Ethernet"}, {9, "TokenRing"}, {15, "FDDI"},
                                     {23, "PPP"},  {24, "Loopback"}, {28, "SLIP"},     {71, "Wireless"}};
constexpr CodeText kAdminStatuses[]{{1, "Up"}, {2, "Down"}, {3, "Testing"}};
constexpr CodeText kOperationalStatuses[]{{0, "Non operational"}, {1, "Unreachable"}, {2, "Disconnected"},
                                          {3, "Connecting"},      {4, "Connected"},   {5, "Operational"}};

std::optional<std::string> Lookup(CodeTable table, std::uint32_t code) {
    const auto entry = std::find_if(table.begin(), table.end(), [code](const CodeText& e) { return e.first == code; });
    if (entry == table.end()) return std::nullopt;
    return entry->second;
}

// A row's value as the refresh compares it: text, number or date-time.
using RowValue = std::variant<std::string, std::uint64_t, DateTime>;

template <auto Member>
RowValue Field(const CInterface& record) {
    const auto& value = record.*Member;
    if constexpr (std::is_integral_v<std::remove_cvref_t<decltype(value)>>) {
        return std::uint64_t(value);
    } else {
        return value;
    }
}

enum class Form { Text, Decimal, InterfaceType, AdminStatus, OperationalStatus, Spaced9, Spaced12, DateTimeText };

struct Row {
    const char* label;
    RowValue (*value)(const CInterface&);
    Form form;
};

const std::array<Row, kInterfaceRows> kRows{{
    {"Interface Name", Field<&CInterface::InterfaceName>, Form::Text},
    {"Interface Index", Field<&CInterface::InterfaceIndex>, Form::Decimal},
    {"Interface Type", Field<&CInterface::InterfaceType>, Form::InterfaceType},
    {"Max transmission unit", Field<&CInterface::MaximumTransmissionUnit>, Form::Decimal},
    {"Speed of the interface", Field<&CInterface::Speed>, Form::Spaced9},
    {"Physical address of adapter", Field<&CInterface::AdapterAddress>, Form::Text},
    {"Administrative status", Field<&CInterface::AdminStatus>, Form::AdminStatus},
    {"Operational status", Field<&CInterface::OperationalStatus>, Form::OperationalStatus},
    {"Last time operational status changed", Field<&CInterface::LastChange>, Form::DateTimeText},
    {"Octets received", Field<&CInterface::OctetsReceived>, Form::Spaced12},
    {"Unicast packets received", Field<&CInterface::UnicastPacketsReceived>, Form::Decimal},
    {"Non-unicast packets received", Field<&CInterface::NonunicastPacketsReceived>, Form::Decimal},
    {"Received packets discarded", Field<&CInterface::DiscardedIncomingPackets>, Form::Decimal},
    {"Erroneous packets received", Field<&CInterface::IncomingErrors>, Form::Decimal},
    {"Unknown protocol packets received", Field<&CInterface::UnknownProtocolPackets>, Form::Decimal},
    {"Octets sent", Field<&CInterface::OctetsSent>, Form::Spaced12},
    {"Unicast packets sent", Field<&CInterface::UnicastPacketsSent>, Form::Decimal},
    {"Non-unicast packets sent", Field<&CInterface::NonunicastPacketsSent>, Form::Decimal},
    {"Outgoing packets discarded", Field<&CInterface::DiscardedOutgoingPackets>, Form::Decimal},
    {"Erroneous packets sent", Field<&CInterface::OutgoingErrors>, Form::Decimal},
    {"Output queue length", Field<&CInterface::OutputQueueLength>, Form::Decimal},
}};

// The text a row's cell gets; nothing when a code table has no text for the value.
std::optional<std::string> RowText(Form form, const RowValue& value, const InterfaceMonitorView& view) {
    switch (form) {
        case Form::Text: return std::get<std::string>(value);
        case Form::Decimal: return std::to_string(std::get<std::uint64_t>(value));
        case Form::InterfaceType: return InterfaceTypeText(std::uint32_t(std::get<std::uint64_t>(value)));
        case Form::AdminStatus: return AdminStatusText(std::uint32_t(std::get<std::uint64_t>(value)));
        case Form::OperationalStatus: return OperationalStatusText(std::uint32_t(std::get<std::uint64_t>(value)));
        case Form::Spaced9: return SpacedDigits(std::get<std::uint64_t>(value), 9);
        case Form::Spaced12: return SpacedDigits(std::get<std::uint64_t>(value), 12);
        case Form::DateTimeText: return view.DateTimeText(std::get<DateTime>(value));
    }
    return std::nullopt;
}

}  // namespace

std::string SpacedDigits(std::uint64_t value, int places) {
    if (value == 0) return {};
    const std::string digits = std::to_string(value);
    std::string text;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        text += digits[i];
        const std::size_t fromRight = digits.size() - 1 - i;
        if (fromRight > 0 && fromRight % 3 == 0 && fromRight < std::size_t(places)) text += ' ';
    }
    return text;
}

std::optional<std::string> InterfaceTypeText(std::uint32_t code) { return Lookup(kInterfaceTypes, code); }
std::optional<std::string> AdminStatusText(std::uint32_t code) { return Lookup(kAdminStatuses, code); }
std::optional<std::string> OperationalStatusText(std::uint32_t code) { return Lookup(kOperationalStatuses, code); }

int TrafficPicture(std::uint64_t previousReceived, std::uint64_t received, std::uint64_t previousSent,
                   std::uint64_t sent) {
    return 1 + (received > previousReceived ? 1 : 0) + (sent > previousSent ? 2 : 0);
}

const char* InterfaceRowLabel(int row) { return kRows.at(std::size_t(row - 1)).label; }

InterfaceMonitor::InterfaceMonitor(InterfaceMonitorView& view, NetworkServices& net, UiServices& ui)
    : view_(view), helper_(net, ui) {}

std::vector<std::string> InterfaceMonitor::Descriptions() {
    std::vector<std::string> descriptions;
    for (const CInterface& record : helper_.Interfaces()) descriptions.push_back(record.InterfaceDescription);
    return descriptions;
}

void InterfaceMonitor::ShowInterfaceInfo(std::size_t number) {
    // A message box of the model holds a refresh while the timer keeps
    // ticking: the ticks meanwhile are dropped, not stacked.
    if (refreshing_) return;
    refreshing_ = true;
    const struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{refreshing_};
    if (number == 0 || number > helper_.Interfaces().Count()) return;
    const CInterface previous = previousInterface_.value_or(CInterface{});
    const CInterfaces interfaces = helper_.Interfaces();
    // The table may have shrunk between the two reads.
    if (number > interfaces.Count()) return;
    const CInterface& current = interfaces.Item(number);

    WriteChangedRows(current, previous);
    view_.SetTraffic(SpacedDigits(current.OctetsReceived, 12), SpacedDigits(current.OctetsSent, 12));
    view_.ShowTrafficPicture(TrafficPicture(previousOctetsReceived_, current.OctetsReceived, previousOctetsSent_,
                                            current.OctetsSent));
    previousOctetsReceived_ = current.OctetsReceived;
    previousOctetsSent_ = current.OctetsSent;
    previousInterface_ = current;
}

void InterfaceMonitor::WriteChangedRows(const CInterface& current, const CInterface& previous) {
    for (int row = 1; row <= kInterfaceRows; ++row) {
        const Row& entry = kRows[std::size_t(row - 1)];
        const RowValue value = entry.value(current);
        if (value == entry.value(previous)) continue;
        if (const auto text = RowText(entry.form, value, view_)) view_.SetRowValue(row, *text);
    }
}

}  // namespace velmora

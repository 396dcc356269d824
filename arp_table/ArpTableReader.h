#pragma once
// Reads the ARP table through the network services into display rows of four
// texts (Interface, IP Address, Physical Address, ARP Type), each with the key
// its delete needs, and deletes one entry. The ARP table window owns one and
// puts the rows into its list; every failure reaches the user here, in a
// message box.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "interfaces/CIpHelper.h"
#include "platform/NetworkServices.h"
#include "platform/UiServices.h"

namespace velmora {

// What a delete needs of one entry, exactly as read.
struct ArpRowKey {
    std::uint32_t dwIndex = 0;
    std::uint32_t dwAddr = 0;  // network byte order
};

struct ArpRow {
    std::array<std::string, 4> texts;  // Interface, IP Address, Physical Address, ARP Type
    ArpRowKey key;
};

// "0.A.95.9D.68.16": each byte in upper-case hex without leading zeros, joined by ".".
std::string PhysicalAddressText(const std::uint8_t* bytes, std::size_t length);

// "Other", "Invalid", "Dynamic", "Static" for 1 to 4; empty for any other value.
std::string ArpTypeText(std::uint32_t type);

class ArpTableReader {
public:
    ArpTableReader(NetworkServices& net, UiServices& ui) : net_(net), ui_(ui) {}

    // Every entry as a row, in the table's order (sorted by the platform).
    // Nothing when the table is empty or cannot be read; the rows built so
    // far when building fails, after a box that says why.
    std::vector<ArpRow> GetArpTabel();

    // The interface's description, read afresh from the interface table; the
    // index as a dotted quad when no interface has it.
    std::string GetIntfDescription(std::int32_t index);

    std::string GetInetStrFromPtr(std::int32_t address);

    // The one place a platform string becomes text; empty, after a box, when
    // there is none.
    std::string GetStrFromPtrA(const char* text);

    // True when the entry was deleted; otherwise the user has been told why.
    bool DeleteArpEntry(const ArpRowKey& key);

private:
    ArpRow RowOf(const MIB_IPNETROW& entry);

    NetworkServices& net_;
    UiServices& ui_;
};

}  // namespace velmora

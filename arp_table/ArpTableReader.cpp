#include "arp_table/ArpTableReader.h"

#include <algorithm>
#include <cstring>
#include <exception>

namespace velmora {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr const char* kReadFailedTitle = "Failed to get arp table.";
constexpr const char* kDeleteFailedTitle = "Failed to delete table entry.";
constexpr const char* kStringFailedTitle = "Failed to get string from pointer.";

}  // namespace

std::string PhysicalAddressText(const std::uint8_t* bytes, std::size_t length) {
    std::string text;
    for (std::size_t i = 0; i < length; ++i) {
        if (i > 0) text += '.';
        if (bytes[i] >= 0x10) text += kHexDigits[bytes[i] >> 4];
        text += kHexDigits[bytes[i] & 0xF];
    }
    return text;
}

std::string ArpTypeText(std::uint32_t type) {
    switch (type) {
        case MIB_IPNET_TYPE_OTHER: return "Other";
        case MIB_IPNET_TYPE_INVALID: return "Invalid";
        case MIB_IPNET_TYPE_DYNAMIC: return "Dynamic";
        case MIB_IPNET_TYPE_STATIC: return "Static";
        default: return {};
    }
}

std::vector<ArpRow> ArpTableReader::GetArpTabel() {
    std::vector<ArpRow> rows;
    try {
        std::uint32_t size = 0;
        net_.GetIpNetTable(nullptr, size, true);
        if (size < sizeof(std::uint32_t)) return rows;
        std::vector<std::uint8_t> buffer(size);
        if (net_.GetIpNetTable(buffer.data(), size, true) != NO_ERROR) return rows;

        std::uint32_t count = 0;
        std::memcpy(&count, buffer.data(), sizeof count);
        // Only whole entries inside the answer are read, however many it claims.
        const std::size_t held = (std::min<std::size_t>(size, buffer.size()) - sizeof count) / sizeof(MIB_IPNETROW);
        const std::size_t entries = std::min<std::size_t>(count, held);
        rows.reserve(entries);
        for (std::size_t i = 0; i < entries; ++i) {
            MIB_IPNETROW entry;
            std::memcpy(&entry, buffer.data() + sizeof count + i * sizeof entry, sizeof entry);
            rows.push_back(RowOf(entry));
        }
    } catch (const std::exception& failure) {
        ui_.MsgBox(failure.what(), vbCritical, kReadFailedTitle);
    }
    return rows;
}

ArpRow ArpTableReader::RowOf(const MIB_IPNETROW& entry) {
    ArpRow row;
    row.key = {entry.dwIndex, entry.dwAddr};
    row.texts[0] = GetIntfDescription(std::int32_t(entry.dwIndex));
    row.texts[1] = GetInetStrFromPtr(std::int32_t(entry.dwAddr));
    // The record holds 8 bytes, whatever length it claims.
    row.texts[2] =
        PhysicalAddressText(entry.bPhysAddr.data(), std::min<std::size_t>(entry.dwPhysAddrLen, entry.bPhysAddr.size()));
    row.texts[3] = ArpTypeText(entry.dwType);
    return row;
}

std::string ArpTableReader::GetIntfDescription(std::int32_t index) {
    CIpHelper helper(net_, ui_);
    for (const CInterface& record : helper.Interfaces()) {
        if (record.InterfaceIndex == std::uint32_t(index)) return record.InterfaceDescription;
    }
    return GetInetStrFromPtr(index);
}

std::string ArpTableReader::GetInetStrFromPtr(std::int32_t address) {
    const std::string text = net_.inet_ntoa(std::uint32_t(address));
    return GetStrFromPtrA(text.c_str());
}

std::string ArpTableReader::GetStrFromPtrA(const char* text) {
    if (text == nullptr) {
        ui_.MsgBox("The platform returned no string.", vbCritical, kStringFailedTitle);
        return {};
    }
    return std::string(text, std::strlen(text));
}

bool ArpTableReader::DeleteArpEntry(const ArpRowKey& key) {
    try {
        MIB_IPNETROW row{};
        row.dwIndex = key.dwIndex;
        row.dwAddr = key.dwAddr;
        const std::uint32_t result = net_.DeleteIpNetEntry(row);
        if (result == NO_ERROR) return true;
        ui_.MsgBox("Failed to delete entry", vbOKOnly, "Error #" + std::to_string(result));
    } catch (const std::exception& failure) {
        ui_.MsgBox(failure.what(), vbCritical, kDeleteFailedTitle);
    }
    return false;
}

}  // namespace velmora

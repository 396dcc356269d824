#pragma once
// Rows of the platform's tables as the tests script them.

#include <string>

#include "platform/NetworkServices.h"

namespace velmora::test {

inline MIB_IFROW IfRow(std::uint32_t index, const std::string& name, const std::string& description = {}) {
    MIB_IFROW row;
    row.dwIndex = index;
    for (std::size_t i = 0; i < name.size() && i < row.wszName.size(); ++i) row.wszName[i] = char16_t(name[i]);
    row.dwDescrLen = std::uint32_t(std::min(description.size(), row.bDescr.size()));
    std::copy_n(description.begin(), row.dwDescrLen, row.bDescr.begin());
    return row;
}

inline MIB_IPNETROW ArpEntry(std::uint32_t index, std::uint32_t address, std::uint32_t type = MIB_IPNET_TYPE_DYNAMIC,
                             std::initializer_list<std::uint8_t> physical = {0, 0x0A, 0x95, 0x9D, 0x68, 0x16}) {
    MIB_IPNETROW row;
    row.dwIndex = index;
    row.dwAddr = address;
    row.dwType = type;
    row.dwPhysAddrLen = std::uint32_t(physical.size());
    std::copy_n(physical.begin(), std::min(physical.size(), row.bPhysAddr.size()), row.bPhysAddr.begin());
    return row;
}

}  // namespace velmora::test

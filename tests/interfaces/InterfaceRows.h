#pragma once
// Interface table rows as the tests script them.

#include <string>

#include "platform/NetworkServices.h"

namespace velmora::test {

inline MIB_IFROW InterfaceRow(const std::string& name, std::uint32_t index) {
    MIB_IFROW row;
    for (std::size_t i = 0; i < name.size(); ++i) row.wszName[i] = char16_t(name[i]);
    row.dwIndex = index;
    const std::string description = name + " adapter";
    row.dwDescrLen = std::uint32_t(description.size());
    for (std::size_t i = 0; i < description.size(); ++i) row.bDescr[i] = std::uint8_t(description[i]);
    return row;
}

}  // namespace velmora::test

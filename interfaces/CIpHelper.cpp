#include "interfaces/CIpHelper.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace velmora {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

void AppendUtf8(std::string& text, char32_t c) {
    if (c < 0x80) {
        text += char(c);
    } else if (c < 0x800) {
        text += char(0xC0 | c >> 6);
        text += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        text += char(0xE0 | c >> 12);
        text += char(0x80 | (c >> 6 & 0x3F));
        text += char(0x80 | (c & 0x3F));
    } else {
        text += char(0xF0 | c >> 18);
        text += char(0x80 | (c >> 12 & 0x3F));
        text += char(0x80 | (c >> 6 & 0x3F));
        text += char(0x80 | (c & 0x3F));
    }
}

// The wide name up to its first zero character, or all of it when it has none.
std::string NameText(const std::array<char16_t, MAX_INTERFACE_NAME_LEN>& wide) {
    std::string text;
    const auto end = std::find(wide.begin(), wide.end(), u'\0');
    for (auto it = wide.begin(); it != end; ++it) {
        char32_t c = *it;
        const bool high = c >= 0xD800 && c < 0xDC00;
        if (high && it + 1 != end && it[1] >= 0xDC00 && it[1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (char32_t(*++it) - 0xDC00);
        } else if (c >= 0xD800 && c < 0xE000) {
            c = 0xFFFD;  // a lone surrogate
        }
        AppendUtf8(text, c);
    }
    return text;
}

// Zero, or a count no date can hold, is not known.
DateTime LastChangeTime(std::int64_t millisecondsSinceEpoch) {
    constexpr auto kLimit =
        std::chrono::duration_cast<std::chrono::milliseconds>(DateTime::duration::max()).count();
    if (millisecondsSinceEpoch == 0 || millisecondsSinceEpoch >= kLimit || millisecondsSinceEpoch <= -kLimit) {
        return DateTime{};
    }
    return DateTime(std::chrono::duration_cast<DateTime::duration>(std::chrono::milliseconds(millisecondsSinceEpoch)));
}

CInterface FromRow(const MIB_IFROW& row) {
    CInterface record;
    record.InterfaceDescription.assign(reinterpret_cast<const char*>(row.bDescr.data()),
                                       std::min<std::size_t>(row.dwDescrLen, row.bDescr.size()));
    if (row.dwPhysAddrLen > 0) {
        record.AdapterAddress =
            AdapterAddressText(row.bPhysAddr.data(), std::min<std::size_t>(row.dwPhysAddrLen, row.bPhysAddr.size()));
    }
    record.AdminStatus = row.dwAdminStatus;
    record.InterfaceIndex = row.dwIndex;
    record.DiscardedIncomingPackets = row.dwInDiscards;
    record.IncomingErrors = row.dwInErrors;
    record.NonunicastPacketsReceived = row.dwInNUcastPkts;
    record.OctetsReceived = row.dwInOctets;
    record.UnicastPacketsReceived = row.dwInUcastPkts;
    record.UnknownProtocolPackets = row.dwInUnknownProtos;
    record.LastChange = LastChangeTime(row.dwLastChange);
    record.MaximumTransmissionUnit = row.dwMtu;
    record.OperationalStatus = row.dwOperStatus;
    record.DiscardedOutgoingPackets = row.dwOutDiscards;
    record.OutgoingErrors = row.dwOutErrors;
    record.NonunicastPacketsSent = row.dwOutNUcastPkts;
    record.OctetsSent = row.dwOutOctets;
    record.OutputQueueLength = row.dwOutQLen;
    record.UnicastPacketsSent = row.dwOutUcastPkts;
    record.Speed = row.dwSpeed;
    record.InterfaceType = row.dwType;
    record.InterfaceName = NameText(row.wszName);
    return record;
}

}  // namespace

std::string AdapterAddressText(const std::uint8_t* bytes, std::size_t length) {
    std::string text;
    for (std::size_t i = 0; i < length; ++i) {
        const std::uint8_t b = bytes[i];
        if (b == 0) {
            text += "00";
        } else {
            if (b >= 0x10) text += kHexDigits[b >> 4];
            text += kHexDigits[b & 0xF];
        }
        text += '-';
    }
    if (!text.empty()) text.pop_back();
    return text;
}

CInterfaces CIpHelper::Interfaces() {
    CInterfaces interfaces;
    ReadInterfaceTable(interfaces);
    return interfaces;
}

void CIpHelper::ReadInterfaceTable(CInterfaces& interfaces) {
    bytesReceived_ = 0;
    bytesSent_ = 0;
    std::uint32_t size = 0;
    if (net_.GetIfTable(nullptr, size, false) == ERROR_NOT_SUPPORTED) {
        ui_.MsgBox(kNotSupported, vbOKOnly);
        return;
    }
    // A first answer without a usable size leaves the collection empty, as a failed read does.
    if (size < sizeof(std::uint32_t)) return;
    std::vector<std::uint8_t> buffer(size);
    if (net_.GetIfTable(buffer.data(), size, false) != NO_ERROR) return;

    std::uint32_t count = 0;
    std::memcpy(&count, buffer.data(), sizeof count);
    // Only whole records inside the answer are read, however many it claims.
    const std::size_t held = (std::min<std::size_t>(size, buffer.size()) - sizeof count) / sizeof(MIB_IFROW);
    count = std::uint32_t(std::min<std::size_t>(count, held));
    for (std::uint32_t i = 0; i < count; ++i) {
        MIB_IFROW row;
        std::memcpy(&row, buffer.data() + sizeof count + std::size_t(i) * sizeof row, sizeof row);
        CInterface record = FromRow(row);
        bytesReceived_ += row.dwInOctets;
        bytesSent_ += row.dwOutOctets;
        interfaces.Add(std::move(record));
    }
}

}  // namespace velmora

#pragma once
// Reads the platform's interface table into interface records. Every read of
// Interfaces asks the platform again and returns a new, independent
// collection; the totals are those of the last read.

#include <cstdint>
#include <string>

#include "interfaces/CInterfaces.h"
#include "platform/NetworkServices.h"
#include "platform/UiServices.h"

namespace velmora {

// "00-50-4-3A-F-C8": each byte in upper-case hex without leading zero, a zero
// byte as "00", joined by "-".
std::string AdapterAddressText(const std::uint8_t* bytes, std::size_t length);

class CIpHelper {
public:
    CIpHelper(NetworkServices& net, UiServices& ui) : net_(net), ui_(ui) {}

    CInterfaces Interfaces();
    std::uint64_t BytesReceived() const { return bytesReceived_; }
    std::uint64_t BytesSent() const { return bytesSent_; }

    static constexpr const char* kNotSupported = "IP Helper is not supported by this system.";

private:
    void ReadInterfaceTable(CInterfaces& interfaces);

    NetworkServices& net_;
    UiServices& ui_;
    std::uint64_t bytesReceived_ = 0;
    std::uint64_t bytesSent_ = 0;
};

}  // namespace velmora

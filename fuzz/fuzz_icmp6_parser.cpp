// Feeds arbitrary bytes to the ICMPv6 reply parser as either socket kind
// would hand them over. The first 37 bytes choose the kind, the outstanding
// request and the message's source; a flag bit adopts the quoted request, so
// that mutations reach past the match into what lies behind it.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/Icmp6Parser.h"

namespace {

std::uint16_t U16(const std::uint8_t* at) {
    return std::uint16_t(at[0] << 8 | at[1]);
}

velmora::icmp6::Address AddressAt(const std::uint8_t* at) {
    velmora::icmp6::Address address{};
    for (std::size_t i = 0; i < address.size(); ++i) address[i] = at[i];
    return address;
}

constexpr std::size_t kHeader = 37;

// Makes the outstanding request the one an error's quote names: the inner
// destination, and the identifier and sequence right behind the inner header
// (or behind a fragment header when the quote says one follows).
void AdoptQuotedRequest(const std::vector<std::uint8_t>& message, velmora::icmp6::EchoRequest& request) {
    constexpr std::size_t kQuote = 8;
    if (message.size() < kQuote + 40) return;
    request.destination = AddressAt(&message[kQuote + 24]);
    const std::size_t echo = kQuote + 40 + (message[kQuote + 6] == 44 ? 8 : 0);
    if (message.size() < echo + 8) return;
    request.identifier = U16(&message[echo + 4]);
    request.sequence = U16(&message[echo + 6]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velmora::icmp6;
    if (size < kHeader) return 0;
    const SocketKind kind = (data[0] & 1) != 0 ? SocketKind::Raw : SocketKind::Ping;
    EchoRequest request{U16(data + 1), U16(data + 3), AddressAt(data + 5)};
    // An exact-size copy, so reading one byte too far is caught.
    std::vector<std::uint8_t> message(data + kHeader, data + size);
    if ((data[0] & 2) != 0) AdoptQuotedRequest(message, request);

    const Classification found = Classify(message, kind, request, AddressAt(data + 21));
    if (found.verdict == Verdict::EchoReply && found.dataOffset + found.dataLength != message.size()) __builtin_trap();
    if (found.verdict == Verdict::Error && (found.status < 11002 || found.status > 11015)) __builtin_trap();

    StatusFromExtendedError(std::uint8_t(data[0] >> 2), data[1], data[2]);
    QuotesOurPingRequest(message, request.sequence);
    return 0;
}

// Any text through the address conversions: no crash, no read past the end,
// and every address that converts comes back as the same value.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/mdbPing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using velmora::mdbPing;
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::array<std::string, 4> parts;
    const bool four = mdbPing::SplitAddress(text, parts);
    const std::int32_t value = mdbPing::AddressToLong(text);
    if (!four && value != 0) std::abort();
    if (value != 0 && mdbPing::AddressToLong(mdbPing::LongToAddress(value)) != value) std::abort();
    if (size >= 4) {
        const std::array<std::uint8_t, 4> bytes{data[0], data[1], data[2], data[3]};
        const std::string dotted = mdbPing::BytesToAddress(bytes);
        const std::int32_t back = mdbPing::AddressToLong(dotted);
        if (back != 0 && mdbPing::BytesToAddress(bytes) != mdbPing::LongToAddress(back)) std::abort();
    }
    return 0;
}

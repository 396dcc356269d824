// A stored AlertAfter, whatever the store holds: no crash, always inside its
// bounds, and a value the program writes back reads again as itself.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "monitoring/AlertAfter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string stored(reinterpret_cast<const char*>(data), size);
    const int value = velmora::AlertAfterValue(stored);
    if (value < velmora::kAlertAfterMin || value > velmora::kAlertAfterMax) std::abort();
    if (velmora::AlertAfterValue(std::to_string(value)) != value) std::abort();
    return 0;
}

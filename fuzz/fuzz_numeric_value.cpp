// Typed or pasted field text through the reading rule: no crash, and the text
// a field writes back reads again as the same value.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "main_window/NumericValue.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const double value = velmora::NumericValue(text);
    if (!std::isfinite(value)) std::abort();
    if (velmora::NumericValue(velmora::NumberText(value)) != value) std::abort();
    return 0;
}

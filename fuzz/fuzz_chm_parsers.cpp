// Feeds one input to each parser of the compiled help file's contents: the
// #SYSTEM records, the context map (the input split in two) and the sitemap.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "help_viewer/ChmParsers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    velmora::ParseChmSystem(bytes);
    const std::size_t half = size / 2;
    velmora::ParseContextMap(bytes.substr(0, half), bytes.substr(half));
    for (const auto& entry : velmora::ParseSitemap(bytes)) {
        if (entry.depth < 0 || entry.depth > velmora::kMaxContentsDepth) __builtin_trap();
    }
    return 0;
}

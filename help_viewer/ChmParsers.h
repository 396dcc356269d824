#pragma once
// Parsers of what a compiled help file holds, over bytes read from the file:
// the #SYSTEM records (default topic, contents file, title), the context map
// (#IVB with the names it points to in #STRINGS) and the contents sitemap
// (.hhc). The file comes from outside: every offset and length is checked
// against the bytes at hand, and bad input yields less, never a crash.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

struct ChmSystemInfo {
    std::string defaultTopic;
    std::string contentsFile;
    std::string title;
};

ChmSystemInfo ParseChmSystem(std::string_view system);

// Context number -> topic name as the compiler stored it.
std::map<std::uint32_t, std::string> ParseContextMap(std::string_view ivb, std::string_view strings);

struct ContentsEntry {
    std::string name;
    std::string local;  // the topic's path inside the file; empty for a heading
    int depth = 0;      // 0 for the top level; never more than one below the entry before
};

inline constexpr int kMaxContentsDepth = 32;

std::vector<ContentsEntry> ParseSitemap(std::string_view html);

}  // namespace velmora

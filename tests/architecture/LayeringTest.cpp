// Dependencies point one way: windows -> engine -> platform interfaces. Only
// platform/ may talk to sockets, netlink or the kernel's headers, and the
// engine includes no toolkit header at all.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Hit {
    std::string file;
    std::string line;
};

std::vector<Hit> IncludesMatching(const std::string& folder, const std::regex& pattern) {
    std::vector<Hit> hits;
    const fs::path root = fs::path(VELMORA_SOURCE_DIR) / folder;
    if (!fs::exists(root)) return hits;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const auto ext = entry.path().extension();
        if (ext != ".cpp" && ext != ".h") continue;
        std::ifstream in(entry.path());
        for (std::string line; std::getline(in, line);) {
            if (line.rfind("#include", 0) == 0 && std::regex_search(line, pattern)) {
                hits.push_back({entry.path().string(), line});
            }
        }
    }
    return hits;
}

std::string Describe(const std::vector<Hit>& hits) {
    std::string text;
    for (const auto& hit : hits) text += hit.file + ": " + hit.line + "\n";
    return text;
}

const std::regex kSystemNetworkHeaders(R"(<(sys/socket|netinet/|arpa/|netdb|linux/|netlink/|net/if|ifaddrs))");

TEST(Layering, OnlyThePlatformTouchesSocketsAndNetlink) {
    for (const char* folder : {"engine", "main_window", "arp_table", "interfaces", "about", "app"}) {
        const auto hits = IncludesMatching(folder, kSystemNetworkHeaders);
        EXPECT_TRUE(hits.empty()) << Describe(hits);
    }
}

TEST(Layering, TheEngineIncludesNoToolkitHeader) {
    const auto hits = IncludesMatching("engine", std::regex(R"(<Q|<qt)"));
    EXPECT_TRUE(hits.empty()) << Describe(hits);
}

TEST(Layering, ThePatternsCatchWhatTheyGuardAgainst) {
    EXPECT_TRUE(std::regex_search("#include <sys/socket.h>", kSystemNetworkHeaders));
    EXPECT_TRUE(std::regex_search("#include <linux/rtnetlink.h>", kSystemNetworkHeaders));
    EXPECT_TRUE(std::regex_search("#include <netlink/route/neighbour.h>", kSystemNetworkHeaders));
    EXPECT_FALSE(std::regex_search("#include <string>", kSystemNetworkHeaders));
}

}  // namespace

// Dependencies point one way: windows -> engine -> platform interfaces. Only
// platform/ may talk to sockets, netlink or the kernel's headers, and the
// engine includes no toolkit header at all.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

namespace {

// The include lines under a folder that match the pattern.
std::string IncludesMatching(const std::string& folder, const std::regex& pattern) {
    std::string hits;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(VELMORA_SOURCE_DIR "/" + folder)) {
        std::ifstream in(entry.path());
        for (std::string line; std::getline(in, line);) {
            if (line.rfind("#include", 0) == 0 && std::regex_search(line, pattern)) hits += folder + ": " + line + "\n";
        }
    }
    return hits;
}

TEST(Layering, OnlyThePlatformTouchesSocketsAndNetlinkAndTheEngineNoToolkit) {
    const std::regex systemNetworkHeaders(R"(<(sys/socket|netinet/|arpa/|netdb|linux/|netlink/|net/if|ifaddrs))");
    for (const char* folder : {"engine", "main_window", "arp_table", "interfaces", "about", "app"}) {
        EXPECT_EQ(IncludesMatching(folder, systemNetworkHeaders), "");
    }
    EXPECT_EQ(IncludesMatching("engine", std::regex(R"(<Q|<qt)")), "");
}

}  // namespace

// Dependencies point one way: app -> windows (the main window opens the
// others) -> shared window helpers -> engine -> platform. Only platform/ may
// talk to sockets, netlink or the kernel's headers, and the engine includes no
// toolkit header at all.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
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
    for (const char* folder : {"engine", "window_helpers", "main_window", "monitoring", "arp_table", "interfaces",
                               "about", "help_viewer", "app"}) {
        EXPECT_EQ(IncludesMatching(folder, systemNetworkHeaders), "");
    }
    EXPECT_EQ(IncludesMatching("engine", std::regex(R"(<Q|<qt)")), "");
}

// The project folders each folder may include from, besides its own.
const std::set<std::string> kBelowWindows{"window_helpers", "engine", "platform"};
const std::set<std::string> kViewers{"arp_table", "interfaces", "about", "help_viewer"};

std::set<std::string> Joined(std::set<std::string> a, const std::set<std::string>& b) {
    a.insert(b.begin(), b.end());
    return a;
}

const std::map<std::string, std::set<std::string>> kMayInclude{
    {"platform", {}},
    {"engine", {"platform"}},
    {"window_helpers", {"engine", "platform"}},
    {"interfaces", kBelowWindows},
    {"arp_table", Joined(kBelowWindows, {"interfaces"})},
    {"about", kBelowWindows},
    {"help_viewer", kBelowWindows},
    {"monitoring", kBelowWindows},
    {"main_window", Joined(Joined(kBelowWindows, kViewers), {"monitoring"})},
    {"app", Joined(Joined(kBelowWindows, kViewers), {"main_window", "monitoring"})},
};

TEST(Layering, EachFolderIncludesOnlyTheFoldersBelowIt) {
    const std::regex projectInclude(R"(^#include "([a-z_]+)/)");
    for (const auto& [folder, allowed] : kMayInclude) {
        std::string refused;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(VELMORA_SOURCE_DIR "/" + folder)) {
            std::ifstream in(entry.path());
            std::smatch included;
            for (std::string line; std::getline(in, line);) {
                if (!std::regex_search(line, included, projectInclude)) continue;
                const std::string from = included[1];
                if (from != folder && kMayInclude.contains(from) && !allowed.contains(from)) refused += line + "\n";
            }
        }
        EXPECT_EQ(refused, "") << folder << "/ includes from a folder above it";
    }
}

}  // namespace

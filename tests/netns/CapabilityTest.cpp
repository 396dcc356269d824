// A build that holds cap_net_raw keeps it permitted but not effective. Copies
// granted it the widest way (+ep) run as an ordinary user in a network
// namespace of their own, where that user may open ping sockets and loopback
// ignores echoes; /proc shows what they hold.

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr std::uint64_t kNetRaw = 1U << 13;
constexpr const char* kAsNobody = "setpriv --reuid=65534 --regid=65534 --clear-groups ";

// A copy of a program in a folder of its own, granted the capability, so the
// build's file stays as built; both go with this.
class GrantedCopy {
public:
    explicit GrantedCopy(const std::filesystem::path& program)
        : folder_(std::filesystem::temp_directory_path() /
                  ("velmora-capability-" + std::to_string(::getpid()))),
          path_(folder_ / program.filename()) {
        using enum std::filesystem::perms;
        std::filesystem::create_directories(folder_);
        std::filesystem::permissions(folder_, owner_all | group_read | group_exec | others_read | others_exec);
        std::filesystem::copy_file(program, path_);
        granted_ = std::system(("setcap cap_net_raw+ep " + path_.string()).c_str()) == 0;
    }
    ~GrantedCopy() { std::filesystem::remove_all(folder_); }
    GrantedCopy(const GrantedCopy&) = delete;
    GrantedCopy& operator=(const GrantedCopy&) = delete;

    bool Granted() const { return granted_; }
    const std::filesystem::path& Folder() const { return folder_; }
    std::string Path() const { return path_.string(); }

private:
    const std::filesystem::path folder_, path_;
    bool granted_ = false;
};

// The output of a shell command run in a namespace that ends with it, so
// nothing is left to remove. The command may not hold single quotes.
std::string RunInOwnNamespace(const std::string& command) {
    const std::string wrapped =
        "unshare --net sh -c 'ip link set lo up"
        " && echo 0 2147483647 > /proc/sys/net/ipv4/ping_group_range"
        " && echo 1 > /proc/sys/net/ipv4/icmp_echo_ignore_all"
        " && " + command + "'";
    const std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(wrapped.c_str(), "r"), ::pclose);
    std::string output;
    std::array<char, 256> chunk;
    while (pipe && std::fgets(chunk.data(), int(chunk.size()), pipe.get()) != nullptr) output += chunk.data();
    return output;
}

// Lines "name value" as a map.
std::map<std::string, std::string> Fields(const std::string& output) {
    std::map<std::string, std::string> fields;
    std::istringstream lines(output);
    for (std::string name, value; lines >> name >> value;) fields[name] = value;
    return fields;
}

class NetRawCapability : public testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) GTEST_SKIP() << "needs root to grant a file capability and make a namespace";
    }
};

// The probe starts as the program does, then reports at each step.
TEST_F(NetRawCapability, IsEffectiveOnlyWhileARawSocketOpens) {
    const GrantedCopy probe(VELMORA_CAPABILITY_PROBE);
    ASSERT_TRUE(probe.Granted()) << "setcap failed";
    const auto report = Fields(RunInOwnNamespace(std::string("exec ") + kAsNobody + probe.Path()));
    EXPECT_EQ(report.at("at-start"), std::to_string(kNetRaw)) << "the grant makes it effective at start";
    EXPECT_EQ(report.at("permitted"), std::to_string(kNetRaw));
    EXPECT_EQ(report.at("idle"), "0");
    EXPECT_EQ(report.at("pinging"), "0") << "an echo on a ping socket needs no capability";
    EXPECT_EQ(report.at("ping-status"), "11010") << "timed out, so it was still waiting when looked at";
    EXPECT_EQ(report.at("raw-socket"), "opened") << "raised for the call";
    EXPECT_EQ(report.at("after-raw"), "0") << "lowered after it";
}

// The program itself, started offscreen and left idle, holds it in none of its threads.
TEST_F(NetRawCapability, TheIdleProgramHoldsItPermittedOnly) {
    const GrantedCopy program(VELMORA_PROGRAM);
    ASSERT_TRUE(program.Granted()) << "setcap failed";
    const std::string home = program.Folder().string();
    const std::string output = RunInOwnNamespace(
        kAsNobody + std::string("env HOME=") + home + " QT_QPA_PLATFORM=offscreen " + program.Path() +
        " 2>/dev/null & sleep 2; cat /proc/$!/task/*/status; kill $!");
    std::vector<std::uint64_t> permitted, effective;  // one of each a thread
    std::istringstream lines(output);
    for (std::string name, value; lines >> name && std::getline(lines, value);) {
        if (name == "CapPrm:") permitted.push_back(std::stoull(value, nullptr, 16));
        if (name == "CapEff:") effective.push_back(std::stoull(value, nullptr, 16));
    }
    ASSERT_FALSE(permitted.empty()) << "the program was not running:\n" << output;
    EXPECT_EQ(permitted, std::vector<std::uint64_t>(permitted.size(), kNetRaw));
    EXPECT_EQ(effective, std::vector<std::uint64_t>(permitted.size(), 0));
}

}  // namespace

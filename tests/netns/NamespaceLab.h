#pragma once
// The network of namespaces the kernel tests run in, built and removed by
// each suite (root needed; the suite skips without it).

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

#include "platform/LinuxNetworkServices.h"
#include "platform/NetworkServices.h"

namespace velmora::test {

// A small network of our own, of namespaces and veth pairs, where the real
// platform code meets the real kernel without touching any other network:
//
//   client 10.77.1.2 --- 10.77.1.1 router 10.77.2.1 --- 10.77.2.2 target
//                                         10.77.3.1 --- 10.77.3.2 quiet
//                                         10.77.4.1 --- 10.77.4.2 narrow
//
// Each link N also carries IPv6, fd00:77:N::1 on the router's end and
// fd00:77:N::2 on the other (the client reaches the router's link-local
// fe80::1 too); the link to the narrow node has an MTU of 1280.
//
// The target's kernel answers echoes; the quiet one leaves IPv4 echoes to a
// test. The router rejects 10.77.9.0/24 and fd00:77:9::/64 as unreachable,
// refuses fd00:77:8::/64 as prohibited, drops fd00:77:7::/64 silently, and
// has no route for anything else. Names carry our pid; a new lab first
// removes what a crashed run left behind.
inline constexpr std::uint32_t kRouter = AddressFromOctets(10, 77, 1, 1);
inline constexpr std::uint32_t kTarget = AddressFromOctets(10, 77, 2, 2);
inline constexpr std::uint32_t kQuiet = AddressFromOctets(10, 77, 3, 2);
inline constexpr std::uint32_t kUnreachable = AddressFromOctets(10, 77, 9, 1);
inline constexpr std::uint32_t kNoRoute = AddressFromOctets(10, 78, 0, 1);

enum class Node { Client, Router, Target, Quiet, Narrow };
inline constexpr Node kNodes[] = {Node::Client, Node::Router, Node::Target, Node::Quiet, Node::Narrow};
inline constexpr const char* kNamePrefix = "velmora-lab-";
inline constexpr const char* kNamespaceDir = "/run/netns/";

inline bool Try(const std::string& command) { return std::system(command.c_str()) == 0; }

inline void Run(const std::string& command) {
    if (!Try(command + " >/dev/null")) throw std::runtime_error("command failed: " + command);
}

// Labs of runs that died before their destructor: their pid is gone.
inline void RemoveAbandonedLabs() {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(kNamespaceDir, error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(kNamePrefix, 0) != 0) continue;
        const long pid = std::strtol(name.c_str() + std::string(kNamePrefix).size(), nullptr, 10);
        if (pid > 0 && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH) Try("ip netns del " + name + " 2>/dev/null");
    }
}

class NamespaceLab {
public:
    // Throws std::runtime_error naming the command that failed.
    NamespaceLab() : prefix_(kNamePrefix + std::to_string(::getpid()) + "-") {
        RemoveAbandonedLabs();
        try {
            Build();
        } catch (...) {
            Remove();
            throw;
        }
    }
    ~NamespaceLab() { Remove(); }
    NamespaceLab(const NamespaceLab&) = delete;
    NamespaceLab& operator=(const NamespaceLab&) = delete;

    std::string Name(Node node) const {
        static constexpr std::array<const char*, 5> kRoles{"client", "router", "target", "quiet", "narrow"};
        return prefix_ + kRoles[std::size_t(node)];
    }

    // Runs `work` on a thread that has entered the node's namespace.
    void RunIn(Node node, const std::function<void()>& work) const {
        std::exception_ptr failure;
        const std::string path = kNamespaceDir + Name(node);
        std::thread worker([&] {
            try {
                const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
                const bool entered = fd >= 0 && ::setns(fd, CLONE_NEWNET) == 0;
                if (fd >= 0) ::close(fd);
                if (!entered) throw std::runtime_error("cannot enter " + path);
                work();
            } catch (...) {
                failure = std::current_exception();
            }
        });
        worker.join();
        if (failure) std::rethrow_exception(failure);
    }

private:
    void Build() const {
        for (const Node node : kNodes) {
            Run("ip netns add " + Name(node));
            Run("ip -n " + Name(node) + " link set lo up");
            // No duplicate address detection: addresses are usable at once.
            Run("ip netns exec " + Name(node) + " sysctl -qw net.ipv6.conf.all.accept_dad=0 net.ipv6.conf.default.accept_dad=0");
        }
        // Each pair: the outer node's end and the router's end, in subnets 10.77.N.0/24 and fd00:77:N::/64.
        const struct {
            Node node;
            std::string device, routerDevice, subnet, subnet6;
            int mtu;
        } links[] = {{Node::Client, "c0", "r0", "10.77.1.", "fd00:77:1::", 1500},
                     {Node::Target, "t0", "r1", "10.77.2.", "fd00:77:2::", 1500},
                     {Node::Quiet, "q0", "r2", "10.77.3.", "fd00:77:3::", 1500},
                     {Node::Narrow, "n0", "r3", "10.77.4.", "fd00:77:4::", 1280}};
        const std::string router = "ip -n " + Name(Node::Router) + " ";
        for (const auto& link : links) {
            const std::string outer = "ip -n " + Name(link.node) + " ";
            const std::string mtu = " mtu " + std::to_string(link.mtu);
            Run(outer + "link add " + link.device + mtu + " type veth peer name " + link.routerDevice + mtu +
                " netns " + Name(Node::Router));
            Run(outer + "addr add " + link.subnet + "2/24 dev " + link.device);
            Run(outer + "addr add " + link.subnet6 + "2/64 dev " + link.device + " nodad");
            Run(outer + "link set " + link.device + " up");
            Run(outer + "route add default via " + link.subnet + "1");
            Run(outer + "-6 route add default via " + link.subnet6 + "1");
            Run(router + "addr add " + link.subnet + "1/24 dev " + link.routerDevice);
            Run(router + "addr add " + link.subnet6 + "1/64 dev " + link.routerDevice + " nodad");
            Run(router + "link set " + link.routerDevice + " up");
        }
        Run(router + "addr add fe80::1/64 dev r0 nodad");
        Run(router + "route add unreachable 10.77.9.0/24");
        Run(router + "-6 route add unreachable fd00:77:9::/64");
        Run(router + "-6 route add prohibit fd00:77:8::/64");
        Run(router + "-6 route add blackhole fd00:77:7::/64");
        // Forwarding, errors without a rate limit, and a neighbour that does
        // not answer given up after a third of a second rather than three.
        Run("ip netns exec " + Name(Node::Router) +
            " sysctl -qw net.ipv4.ip_forward=1 net.ipv4.icmp_ratelimit=0 net.ipv6.conf.all.forwarding=1"
            " net.ipv6.icmp.ratelimit=0 net.ipv6.neigh.r1.retrans_time_ms=100");
        // A fresh namespace lets no group open ping sockets ("1 0"), of either family.
        Run("ip netns exec " + Name(Node::Client) + " sysctl -qw net.ipv4.ping_group_range='0 2147483647'");
        Run("ip netns exec " + Name(Node::Quiet) + " sysctl -qw net.ipv4.icmp_echo_ignore_all=1");
    }

    void Remove() const {
        for (const Node node : kNodes) Try("ip netns del " + Name(node) + " 2>/dev/null");
    }

    const std::string prefix_;
};

// The echo tests run once with each kind of socket.
inline const auto kBothSocketKinds = testing::Values(SocketPreference::RawOnly, SocketPreference::PingOnly);
inline std::string SocketKindName(const testing::TestParamInfo<SocketPreference>& info) {
    return info.param == SocketPreference::RawOnly ? "Raw" : "Ping";
}

// One lab for a suite's tests, which skip without root.
template <typename Base = testing::Test>
class LabSuite : public Base {
protected:
    static void SetUpTestSuite() {
        if (::geteuid() != 0) return;
        try {
            lab_ = std::make_unique<NamespaceLab>();
        } catch (const std::exception& error) {
            buildFailure_ = error.what();
        }
    }
    static void TearDownTestSuite() { lab_.reset(); }

    void SetUp() override {
        if (::geteuid() != 0) GTEST_SKIP() << "needs root to create network namespaces (CI runs as root)";
        ASSERT_TRUE(lab_) << "cannot build the namespaces: " << buildFailure_;
    }

    static inline std::unique_ptr<NamespaceLab> lab_;
    static inline std::string buildFailure_;
};

}  // namespace velmora::test

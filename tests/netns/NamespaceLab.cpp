#include "tests/netns/LabSuite.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <thread>

namespace velmora::test {

namespace {

constexpr const char* kNamePrefix = "velmora-lab-";
constexpr const char* kNamespaceDir = "/run/netns/";

// True when the command succeeded.
bool Try(const std::string& command) { return std::system(command.c_str()) == 0; }

void Run(const std::string& command) {
    if (!Try(command + " >/dev/null")) throw std::runtime_error("command failed: " + command);
}

// Labs of runs that died before their destructor: their pid is gone.
void RemoveAbandonedLabs() {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(kNamespaceDir, error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(kNamePrefix, 0) != 0) continue;
        const long pid = std::strtol(name.c_str() + std::string(kNamePrefix).size(), nullptr, 10);
        if (pid > 0 && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH) Try("ip netns del " + name + " 2>/dev/null");
    }
}

// Moves the calling thread into the namespace at `path`; false when it cannot.
bool Enter(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    const bool entered = fd >= 0 && ::setns(fd, CLONE_NEWNET) == 0;
    if (fd >= 0) ::close(fd);
    return entered;
}

}  // namespace

NamespaceLab::NamespaceLab() : prefix_(kNamePrefix + std::to_string(::getpid()) + "-") {
    RemoveAbandonedLabs();
    try {
        Build();
    } catch (...) {
        Remove();
        throw;
    }
}

NamespaceLab::~NamespaceLab() { Remove(); }

std::string NamespaceLab::Name(Node node) const {
    static constexpr std::array<const char*, 4> kRoles{"client", "router", "target", "quiet"};
    return prefix_ + kRoles[std::size_t(node)];
}

void NamespaceLab::Build() {
    for (const Node node : {Node::Client, Node::Router, Node::Target, Node::Quiet}) {
        Run("ip netns add " + Name(node));
        Run("ip -n " + Name(node) + " link set lo up");
    }
    // Each pair: the outer node's end and the router's end, in subnet 10.77.N.0/24.
    const struct {
        Node node;
        std::string device, routerDevice, subnet;
    } links[] = {{Node::Client, "c0", "r0", "10.77.1."}, {Node::Target, "t0", "r1", "10.77.2."},
                 {Node::Quiet, "q0", "r2", "10.77.3."}};
    const std::string router = "ip -n " + Name(Node::Router) + " ";
    for (const auto& link : links) {
        const std::string outer = "ip -n " + Name(link.node) + " ";
        Run(outer + "link add " + link.device + " type veth peer name " + link.routerDevice + " netns " +
            Name(Node::Router));
        Run(outer + "addr add " + link.subnet + "2/24 dev " + link.device);
        Run(outer + "link set " + link.device + " up");
        Run(outer + "route add default via " + link.subnet + "1");
        Run(router + "addr add " + link.subnet + "1/24 dev " + link.routerDevice);
        Run(router + "link set " + link.routerDevice + " up");
    }
    Run(router + "route add unreachable 10.77.9.0/24");
    Run("ip netns exec " + Name(Node::Router) + " sysctl -qw net.ipv4.ip_forward=1 net.ipv4.icmp_ratelimit=0");
    // A fresh namespace lets no group open ping sockets ("1 0").
    Run("ip netns exec " + Name(Node::Client) + " sysctl -qw net.ipv4.ping_group_range='0 2147483647'");
    Run("ip netns exec " + Name(Node::Quiet) + " sysctl -qw net.ipv4.icmp_echo_ignore_all=1");
}

void NamespaceLab::Remove() const {
    for (const Node node : {Node::Client, Node::Router, Node::Target, Node::Quiet}) {
        Try("ip netns del " + Name(node) + " 2>/dev/null");
    }
}

void NamespaceLab::RunIn(Node node, const std::function<void()>& work) const {
    std::exception_ptr failure;
    const std::string path = kNamespaceDir + Name(node);
    std::thread worker([&] {
        try {
            if (!Enter(path)) throw std::runtime_error("cannot enter " + path);
            work();
        } catch (...) {
            failure = std::current_exception();
        }
    });
    worker.join();
    if (failure) std::rethrow_exception(failure);
}

std::string NamespaceLab::WhyUnavailable() {
    if (::geteuid() != 0) {
        return "needs root: the test creates network namespaces with `ip netns add` (CI runs as root)";
    }
    if (!Try("ip -V >/dev/null 2>&1")) return "needs the `ip` command of iproute2";
    return {};
}

}  // namespace velmora::test

// The ICMPv6 echo against the real kernel, in the namespaces of NamespaceLab:
// with a raw and with a ping socket, answers and errors as the network sends
// them, and a host-name pass to a name that has only an IPv6 address.

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "main_window/PingRun.h"
#include "platform/LinuxNetworkServices.h"
#include "tests/netns/NamespaceLab.h"
#include "tests/support/IcmpBytes.h"
#include "tests/support/FakeRunView.h"
#include "tests/support/FakeUiServices.h"

namespace velmora::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const std::string kRouter6 = "fd00:77:1::1";
const std::string kTarget6 = "fd00:77:2::2";
const std::string kNarrow6 = "fd00:77:4::2";

struct Echoed6 {
    std::uint32_t replies = 0;
    ReplyRecord6 record{};
    std::string from;  // "" when the answer named nobody
    Clock::duration took{};
    std::int32_t Status() const { return std::int32_t(record.reply.Status); }
};

class Ipv6EchoInNamespaces : public LabSuite<testing::TestWithParam<SocketPreference>> {
protected:
    // One echo from the client, as the engine makes it.
    static Echoed6 EchoFromClient(const std::string& to, const Bytes& payload, std::uint8_t hopLimit = 64,
                                  std::uint32_t timeoutMs = 1000) {
        Echoed6 echoed;
        lab_->RunIn(Node::Client, [&] {
            LinuxNetworkServices net(GetParam());
            const auto destination = net.RtlIpv6StringToAddressEx(to);
            ASSERT_TRUE(destination) << to;
            IP_OPTION_INFORMATION options;
            options.Ttl = hopLimit;
            const IcmpHandle handle = net.Icmp6CreateFile();
            ASSERT_NE(handle, INVALID_HANDLE_VALUE) << net.IcmpPermissionAdvice();
            const auto start = Clock::now();
            echoed.replies = net.Icmp6SendEcho2(handle, *destination, payload.data(), std::uint16_t(payload.size()),
                                                &options, &echoed.record, kReplyBuffer6Size, timeoutMs);
            echoed.took = Clock::now() - start;
            EXPECT_TRUE(net.IcmpCloseHandle(handle));
            if (echoed.record.reply.Address.sin6_addr != IPV6_ADDRESS_EX{}.sin6_addr) {
                echoed.from = net.RtlIpv6AddressToStringEx(echoed.record.reply.Address);
            }
        });
        return echoed;
    }

    static void ForgetPathMtus() { test::Run("ip -n " + lab_->Name(Node::Client) + " -6 route flush cache"); }
};

// The replier, the echoed data and the reply's hop limit (64 less the
// router's hop); the round trip never more than the call took.
TEST_P(Ipv6EchoInNamespaces, RepliesCarryTheDataTheHopLimitAndTheReplier) {
    const struct {
        const char* name;
        std::string to;
        std::size_t size;
        std::string from;
        int hopLimit;
    } cases[] = {
        {"Target", kTarget6, 32, kTarget6, 63},
        {"TargetNoData", kTarget6, 0, kTarget6, 63},
        {"TargetLargest", kTarget6, 1452, kTarget6, 63},
        {"RouterLinkLocalWithZone", "fe80::1%c0", 56, "fe80::1%c0", 64},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Echoed6 echoed = EchoFromClient(c.to, Bytes(c.size, 0x7E));
        ASSERT_EQ(echoed.replies, 1U) << "status " << echoed.Status();
        EXPECT_EQ(echoed.Status(), IP_SUCCESS);
        EXPECT_EQ(echoed.from, c.from);
        EXPECT_EQ(EchoedData(echoed.record), Bytes(c.size, 0x7E));
        EXPECT_EQ(int(echoed.record.reply.HopLimit), c.hopLimit);
        const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(echoed.took);
        EXPECT_LE(echoed.record.reply.RoundTripTime, std::uint32_t(took.count()));
    }
    EXPECT_EQ(EchoFromClient("::1", Bytes(8, 1), 64, 0).Status(), IP_SUCCESS) << "loopback answers within the send";
}

TEST_P(Ipv6EchoInNamespaces, ErrorsGiveTheirStatusAndTheRouterThatSentThem) {
    const struct {
        const char* name;
        std::string to;
        std::uint8_t hopLimit;
        std::int32_t status;
        std::string from;
        std::uint32_t timeoutMs = 2000;
    } cases[] = {
        {"HopLimitOneExpiresAtTheRouter", kTarget6, 1, IP_TTL_EXPIRED_TRANSIT, kRouter6},
        {"HopLimitZeroIsAGeneralFailureAndSendsNothing", kTarget6, 0, IP_GENERAL_FAILURE, ""},
        {"UnreachableRoute", "fd00:77:9::1", 64, IP_DEST_NET_UNREACHABLE, kRouter6},
        {"NoRoute", "fd00:78::1", 64, IP_DEST_NET_UNREACHABLE, kRouter6},
        {"ProhibitedRoute", "fd00:77:8::1", 64, IP_DEST_HOST_UNREACHABLE, kRouter6},
        {"NoNeighbourAnswers", "fd00:77:2::99", 64, IP_DEST_HOST_UNREACHABLE, kRouter6},
        {"SilentDrop", "fd00:77:7::1", 64, IP_REQ_TIMED_OUT, "", 300},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Echoed6 echoed = EchoFromClient(c.to, Bytes(32, 0x61), c.hopLimit, c.timeoutMs);
        EXPECT_EQ(echoed.replies, 0U);
        EXPECT_EQ(echoed.Status(), c.status);
        EXPECT_EQ(echoed.from, c.from);
        if (c.status == IP_REQ_TIMED_OUT) {
            EXPECT_GE(echoed.took, 300ms) << "not before the deadline";
        }
    }
}

// Routers never fragment IPv6: the first request larger than the narrow
// link comes back as too big, and the kernel, told the path's MTU, sends the
// next in fragments.
TEST_P(Ipv6EchoInNamespaces, AnOversizedPayloadIsTooBigAtTheRouterThenGoesInFragments) {
    ForgetPathMtus();
    const Echoed6 tooBig = EchoFromClient(kNarrow6, Bytes(1400, 0x42));
    EXPECT_EQ(tooBig.Status(), IP_PACKET_TOO_BIG);
    EXPECT_EQ(tooBig.from, kRouter6);
    const Echoed6 fragmented = EchoFromClient(kNarrow6, Bytes(1400, 0x42));
    EXPECT_EQ(fragmented.Status(), IP_SUCCESS);
    EXPECT_EQ(EchoedData(fragmented.record), Bytes(1400, 0x42));
    EXPECT_EQ(fragmented.from, kNarrow6);
}

// Stop closes the handle of an echo that waits for a silent route: its wait
// ends at once, not at its timeout.
TEST_P(Ipv6EchoInNamespaces, ClosingTheHandleEndsTheWaitAtOnce) {
    lab_->RunIn(Node::Client, [] {
        LinuxNetworkServices net(GetParam());
        const auto silent = net.RtlIpv6StringToAddressEx("fd00:77:7::1");
        ASSERT_TRUE(silent);
        const IcmpHandle handle = net.Icmp6CreateFile();
        IP_OPTION_INFORMATION options;
        options.Ttl = 64;
        ReplyRecord6 record{};
        const auto start = Clock::now();
        std::thread stop([&] {
            std::this_thread::sleep_for(100ms);
            EXPECT_TRUE(net.IcmpCloseHandle(handle));
        });
        EXPECT_EQ(net.Icmp6SendEcho2(handle, *silent, nullptr, 0, &options, &record, kReplyBuffer6Size, 5000), 0u);
        const auto took = Clock::now() - start;
        stop.join();
        EXPECT_EQ(record.reply.Status, std::uint32_t(IP_GENERAL_FAILURE));
        EXPECT_LT(took, 2s) << "ended by the close, not timed out";
    });
}

INSTANTIATE_TEST_SUITE_P(Kinds, Ipv6EchoInNamespaces, kBothSocketKinds, SocketKindName);

// A file of ours with the contents, bound over `target` in the calling
// thread's mount namespace.
void BindFile(const std::string& contents, const char* target) {
    char path[] = "/tmp/velmora-names-XXXXXX";
    const int fd = ::mkstemp(path);
    ASSERT_GE(fd, 0);
    ::close(fd);
    std::ofstream(path) << contents;
    const int bound = ::mount(path, target, nullptr, MS_BIND, nullptr);
    std::remove(path);
    ASSERT_EQ(bound, 0) << "cannot bind a file over " << target;
}

// Runs `work` with a hosts file of our own in place of /etc/hosts, in a
// mount namespace of the calling thread's own. Names it lacks go to a
// resolver on the namespace's loopback, where none listens: they fail at once.
void WithHostsFile(const std::string& contents, const std::function<void()>& work) {
    ASSERT_EQ(::unshare(CLONE_NEWNS), 0);
    ASSERT_EQ(::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr), 0);
    BindFile(contents, "/etc/hosts");
    BindFile("nameserver 127.0.0.1\n", "/etc/resolv.conf");
    if (!testing::Test::HasFatalFailure()) work();
}

class Ipv6HostNamePass : public LabSuite<> {};

// Through the whole run, in the client's namespace: a name whose only
// address is IPv6 pings as an IPv4 name does, and one with no address at all
// gives the look-up failure.
TEST_F(Ipv6HostNamePass, ANameWithOnlyAnIpv6AddressIsPingedAndTheLineNamesItsAddress) {
    lab_->RunIn(Node::Client, [] {
        WithHostsFile("127.0.0.1 localhost\n" + kTarget6 + " six-only.velmora.test\n", [] {
            LinuxNetworkServices net;
            FakeUiServices ui;
            FakeRunView view;
            view.targetMode = 1;
            EchoStore echoes;
            PingRun run(view, net, ui, echoes);
            for (const char* host : {"six-only.velmora.test", "none.velmora.test"}) {
                view.hostName = host;
                run.StartPinging();
            }
            const auto lines = view.Lines();
            ASSERT_EQ(lines.size(), 2u) << view.log;
            EXPECT_EQ(lines[0].rfind("IP success from fd00:77:2::2    RoundTripTime=", 0), 0u) << lines[0];
            EXPECT_NE(lines[0].find("ms    DataSize=120 bytes    TTL=63"), std::string::npos) << lines[0];
            EXPECT_EQ(lines[1], "none resolved host name from ");
        });
    });
}

}  // namespace
}  // namespace velmora::test

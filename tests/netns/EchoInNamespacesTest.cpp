// The real LinuxNetworkServices against the real kernel, inside the lab's
// namespaces, once with a raw socket and once with a ping socket.

#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sched.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <optional>
#include <thread>

#include "platform/LinuxNetworkServices.h"
#include "tests/netns/LabSuite.h"

namespace velmora::test {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

// Written into Address before each echo to see whether the echo touched it.
constexpr std::uint32_t kUntouched = AddressFromOctets(203, 0, 113, 99);

struct EchoOrder {
    std::uint32_t to = kTarget;
    Bytes payload = Bytes(32, 0x61);
    std::uint8_t ttl = 64;
    std::uint32_t timeoutMs = 1000;
};

struct Echoed {
    std::uint32_t replies = 0;
    ReplyRecord record{};
    Clock::duration elapsed{};

    std::int32_t Status() const { return std::int32_t(record.reply.Status); }
    std::uint32_t Address() const { return record.reply.Address; }
    std::uint32_t RoundTrip() const { return record.reply.RoundTripTime; }
    Bytes Data() const {
        const auto size = std::clamp<std::ptrdiff_t>(record.reply.DataSize, 0, std::ptrdiff_t(record.data.size()));
        return Bytes(record.data.begin(), record.data.begin() + size);
    }
};

// One echo from the calling thread's namespace, as the engine makes it.
Echoed SendEcho(SocketPreference kind, const EchoOrder& order) {
    LinuxNetworkServices net(kind);
    Echoed echoed;
    echoed.record.reply.Address = kUntouched;
    IP_OPTION_INFORMATION options;
    options.Ttl = order.ttl;
    const IcmpHandle handle = net.IcmpCreateFile();
    EXPECT_NE(handle, INVALID_HANDLE_VALUE) << net.IcmpPermissionAdvice();
    const auto start = Clock::now();
    echoed.replies = net.IcmpSendEcho(handle, order.to, order.payload.data(), std::uint16_t(order.payload.size()),
                                      &options, &echoed.record, kReplyBufferSize, order.timeoutMs);
    echoed.elapsed = Clock::now() - start;
    net.IcmpCloseHandle(handle);
    return echoed;
}

class EchoInNamespaces : public LabSuite<testing::TestWithParam<SocketPreference>> {
protected:
    Echoed EchoFromClient(const EchoOrder& order) const {
        Echoed echoed;
        lab_->RunIn(Node::Client, [&] { echoed = SendEcho(GetParam(), order); });
        return echoed;
    }

    static inline Clock::time_point lastRouterError_;
};

// Answers of the target's kernel and of our responder, altered, shortened,
// late or amid noise, are handed on as received, with the replier and the
// reply's TTL (64 less the router's hop). The round trip is whole
// milliseconds of a monotonic clock: never less than a delay, never more
// than the call took.
TEST_P(EchoInNamespaces, AnswersAreHandedOnAsReceivedWithReplierTtlAndRoundTrip) {
    const struct {
        const char* name;
        std::vector<std::string> responder;  // empty: the target's kernel answers
        std::size_t size;
        Bytes data;
        std::uint32_t leastRoundTrip = 0;
    } cases[] = {
        {"Kernel", {}, 32, Bytes(32, 0x7E)},
        {"KernelNoData", {}, 0, {}},
        {"KernelLargest", {}, 1499, Bytes(1499, 0x7E)},
        {"Altered", {"--alter"}, 32, Bytes(32, 0x7E ^ 0xFF)},
        {"Shorter", {"--length", "16"}, 32, Bytes(16, 0x7E)},
        {"AmidNoise", {"--noise"}, 32, Bytes(32, 0x7E)},
        {"Late", {"--delay", "50"}, 32, Bytes(32, 0x7E), 50},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<Responder> responder;
        if (!c.responder.empty()) responder.emplace(*lab_, Node::Quiet, c.responder);
        const Echoed echoed = EchoFromClient({responder ? kQuiet : kTarget, Bytes(c.size, 0x7E)});
        ASSERT_EQ(echoed.replies, 1U) << "status " << echoed.Status();
        EXPECT_EQ(echoed.Status(), IP_SUCCESS);
        EXPECT_EQ(echoed.Address(), responder ? kQuiet : kTarget);
        EXPECT_EQ(echoed.Data(), c.data);
        EXPECT_EQ(echoed.record.reply.Options.Ttl, 63);
        EXPECT_GE(echoed.RoundTrip(), c.leastRoundTrip);
        const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(echoed.elapsed);
        EXPECT_LE(echoed.RoundTrip(), std::uint32_t(took.count()));
    }
}

TEST_P(EchoInNamespaces, ErrorsGiveTheirStatusAndTheHostThatSentThem) {
    const struct {
        const char* name;
        std::vector<std::string> responder;  // the quiet node's answer; empty: the network's own
        std::uint32_t to;
        std::uint8_t ttl;
        std::int32_t status;
        std::uint32_t from;
        std::uint32_t timeoutMs = 1000;
    } cases[] = {
        {"SilentDropTimesOut", {}, kQuiet, 64, IP_REQ_TIMED_OUT, kUntouched, 300},
        {"TtlOneExpiresAtTheRouter", {}, kTarget, 1, IP_TTL_EXPIRED_TRANSIT, kRouter},
        {"TtlZeroIsAGeneralFailureAndSendsNothing", {}, kTarget, 0, IP_GENERAL_FAILURE, kUntouched},
        {"ZeroAddressIsABadDestinationAtOnce", {}, 0, 64, IP_BAD_DESTINATION, kUntouched, 60000},
        {"UnreachableRouteAtTheRouter", {}, kUnreachable, 64, IP_DEST_HOST_UNREACHABLE, kRouter},
        {"NoRouteAtTheRouter", {}, kNoRoute, 64, IP_DEST_NET_UNREACHABLE, kRouter},
        {"AnswerLargerThanTheDataArea", {"--length", "1600"}, kQuiet, 64, IP_BUF_TOO_SMALL, kUntouched},
        {"ParameterProblemFromTheHost", {"--param-problem"}, kQuiet, 64, IP_PARAM_PROBLEM, kQuiet},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<Responder> responder;
        if (!c.responder.empty()) responder.emplace(*lab_, Node::Quiet, c.responder);
        // The router's unreachable answers (ip_error) spend a token bucket that
        // refills one answer a second (net.ipv4.route.error_cost, global), and with
        // icmp_ratelimit 0 every other ICMP error it sends to us empties it.
        if (c.to == kUnreachable || c.to == kNoRoute) std::this_thread::sleep_until(lastRouterError_ + 1100ms);
        const Echoed echoed = EchoFromClient({c.to, Bytes(32, 0x61), c.ttl, c.timeoutMs});
        if (c.from == kRouter) lastRouterError_ = Clock::now();
        EXPECT_EQ(echoed.replies, 0U);
        EXPECT_EQ(echoed.Status(), c.status);
        EXPECT_EQ(echoed.Address(), c.from);
        if (c.status == IP_REQ_TIMED_OUT) {
            EXPECT_GE(echoed.elapsed, 300ms) << "not before the deadline";
        }
    }
}

// Every raw socket sees every reply; each echo must still take only its own,
// and the quick ones need not wait for the slow one.
TEST_P(EchoInNamespaces, ConcurrentEchoesEachTakeTheirOwnAnswer) {
    const Responder slow(*lab_, Node::Quiet, {"--delay", "100"});
    constexpr int kEchoes = 6;
    std::vector<EchoOrder> orders(kEchoes);
    std::vector<Echoed> results(kEchoes);
    std::vector<std::thread> threads;
    for (int i = 0; i < kEchoes; ++i) {
        orders[i].to = i == 0 ? kQuiet : kTarget;
        orders[i].payload = Bytes(std::size_t(20 + i), std::uint8_t(0x30 + i));
        threads.emplace_back([&, i] { results[i] = EchoFromClient(orders[i]); });
    }
    for (auto& thread : threads) thread.join();
    for (int i = 0; i < kEchoes; ++i) {
        ASSERT_EQ(results[i].replies, 1U) << i << " status " << results[i].Status();
        EXPECT_EQ(results[i].Address(), orders[i].to) << i;
        EXPECT_EQ(results[i].Data(), orders[i].payload) << i;
        if (i > 0) {
            EXPECT_LT(results[i].RoundTrip(), results[0].RoundTrip()) << i;
        }
    }
}

// Loopback answers within the send: a Timeout of 0 still takes that answer.
TEST_P(EchoInNamespaces, TimeoutZeroTakesAnAnswerAlreadyThere) {
    EXPECT_EQ(EchoFromClient({AddressFromOctets(127, 0, 0, 1), Bytes(8, 1), 64, 0}).Status(), IP_SUCCESS);
}

// Stop closes the handle of an echo that waits for a silent host: the wait
// ends at once with a failure, not at its timeout, and the socket goes with it.
TEST_P(EchoInNamespaces, ClosingTheHandleFromAnotherThreadAbandonsTheEcho) {
    lab_->RunIn(Node::Client, [&] {
        LinuxNetworkServices net(GetParam());
        const IcmpHandle handle = net.IcmpCreateFile();
        ReplyRecord record{};
        std::thread closer([&] {
            std::this_thread::sleep_for(100ms);
            EXPECT_TRUE(net.IcmpCloseHandle(handle));
        });
        EXPECT_EQ(net.IcmpSendEcho(handle, kQuiet, nullptr, 0, nullptr, &record, kReplyBufferSize, 60000), 0U);
        closer.join();
        EXPECT_EQ(record.reply.Status, std::uint32_t(IP_GENERAL_FAILURE));
        EXPECT_FALSE(net.IcmpCloseHandle(handle)) << "already gone";
    });
}

INSTANTIATE_TEST_SUITE_P(Kinds, EchoInNamespaces,
                         testing::Values(SocketPreference::RawOnly, SocketPreference::PingOnly),
                         [](const auto& info) { return info.param == SocketPreference::RawOnly ? "Raw" : "Ping"; });

// A fresh namespace of this thread's own, whose ping_group_range ("1 0")
// lets no group open a ping socket; `withoutRaw` also drops CAP_NET_RAW.
void InAFreshNamespace(bool withoutRaw, const std::function<void()>& work) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to enter a fresh network namespace";
    std::thread worker([&] {
        ASSERT_EQ(::unshare(CLONE_NEWNET), 0);  // unshare and capset act on this thread only
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};
        ASSERT_EQ(::syscall(SYS_capget, &header, data), 0);
        if (withoutRaw) data[CAP_TO_INDEX(CAP_NET_RAW)].effective &= ~CAP_TO_MASK(CAP_NET_RAW);
        ASSERT_EQ(::syscall(SYS_capset, &header, data), 0);
        work();
    });
    worker.join();
}

TEST(RefusedEcho, NeitherSocketGivesNoHandleAndPlainAdvice) {
    InAFreshNamespace(true, [] {
        LinuxNetworkServices net;
        // The second attempt no longer asks for a ping socket, and still advises.
        for (int attempt = 0; attempt < 2; ++attempt) {
            EXPECT_EQ(net.IcmpCreateFile(), INVALID_HANDLE_VALUE) << attempt;
            const std::string advice = net.IcmpPermissionAdvice();
            EXPECT_NE(advice.find("sudo setcap cap_net_raw+ep /"), std::string::npos) << attempt << advice;
            EXPECT_NE(advice.find("net.ipv4.ping_group_range"), std::string::npos) << attempt << advice;
        }
    });
}

// The socket type of a new handle, as SOCK_RAW or SOCK_DGRAM; -1 for none.
int OpenAndCloseEchoSocket(LinuxNetworkServices& net) {
    const IcmpHandle handle = net.IcmpCreateFile();
    const auto kind = net.SocketKindOf(handle);
    net.IcmpCloseHandle(handle);
    if (!kind) return -1;
    return *kind == icmp::SocketKind::Raw ? SOCK_RAW : SOCK_DGRAM;
}

void WritePingGroupRange(const char* range) {
    std::ofstream("/proc/sys/net/ipv4/ping_group_range") << range;
}

TEST(RefusedPingSocket, GoesStraightToRawUntilTheNextStartUp) {
    InAFreshNamespace(false, [] {
        LinuxNetworkServices net;
        WSADATA data;
        ASSERT_EQ(net.WSAStartup(0x0101, data), 0);
        EXPECT_EQ(OpenAndCloseEchoSocket(net), SOCK_RAW);
        EXPECT_EQ(net.IcmpPermissionAdvice(), "");
        WritePingGroupRange("0 2147483647");
        EXPECT_EQ(OpenAndCloseEchoSocket(net), SOCK_RAW) << "the refusal is remembered within a run";
        ASSERT_EQ(net.WSAStartup(0x0101, data), 0);
        EXPECT_EQ(OpenAndCloseEchoSocket(net), SOCK_DGRAM) << "a new run asks again";
        // The tests' own preferences ask every time.
        WritePingGroupRange("1 0");
        LinuxNetworkServices pingOnly(SocketPreference::PingOnly);
        EXPECT_EQ(OpenAndCloseEchoSocket(pingOnly), -1);
        WritePingGroupRange("0 2147483647");
        EXPECT_EQ(OpenAndCloseEchoSocket(pingOnly), SOCK_DGRAM);
    });
}

TEST(NameLookup, LocalhostIsTheLoopbackAddress) {
    EXPECT_EQ(LinuxNetworkServices().gethostbyname("localhost"), AddressFromOctets(127, 0, 0, 1));
}

}  // namespace
}  // namespace velmora::test

// The real platform code against the real kernel, in namespaces of our own:
// echoes with a raw and with a ping socket (answers and errors as the network
// sends them, a ping socket's error queue, a wait woken by closing its
// socket, socket rights), a sweep's echoes through one socket, and the ARP
// and interface tables over netlink.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <netinet/in.h>
#include <sched.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <latch>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>

#include "arp_table/ArpTableReader.h"
#include "interfaces/CIpHelper.h"
#include "platform/LinuxNetworkServices.h"
#include "tests/netns/NamespaceLab.h"
#include "tests/support/IcmpBytes.h"
#include "tests/support/FakeUiServices.h"

namespace velmora::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Written into Address before each echo to see whether the echo touched it.
constexpr std::uint32_t kUntouched = AddressFromOctets(203, 0, 113, 99);

// How the quiet node answers in place of its kernel, which ignores echoes.
struct AnswerWay {
    int delayMs = 0;
    std::optional<std::size_t> length = std::nullopt;
    bool alter = false;
    bool noise = false;  // first packets that look like the answer but are not
};

// An echo request that reached the quiet node, as its raw socket reads it.
struct ReceivedRequest {
    Bytes packet;
    sockaddr_in from{};
    std::size_t icmp = 0;  // where the ICMP header starts

    std::uint16_t Field(std::size_t at) const { return std::uint16_t(packet[icmp + at] << 8 | packet[icmp + at + 1]); }
    std::uint16_t Id() const { return Field(4); }
    std::uint16_t Seq() const { return Field(6); }
    Bytes Headers() const { return Prefix(packet, icmp + 8); }  // what an error quotes
    Bytes Data() const { return Bytes(packet.begin() + std::ptrdiff_t(icmp + 8), packet.end()); }
};

// A raw socket on the quiet node, whose kernel ignores echoes, served on a
// thread of its own until it goes: shutting it down ends the receive.
class QuietSocket {
public:
    explicit QuietSocket(const NamespaceLab& lab) {
        lab.RunIn(Node::Quiet, [this] { fd_ = ::socket(AF_INET, SOCK_RAW, IPPROTO_ICMP); });
        if (fd_ < 0) throw std::runtime_error("cannot answer on the quiet node");
    }
    ~QuietSocket() {
        ::shutdown(fd_, SHUT_RDWR);
        if (thread_.joinable()) thread_.join();
        ::close(fd_);
    }
    QuietSocket(const QuietSocket&) = delete;
    QuietSocket& operator=(const QuietSocket&) = delete;

    int Fd() const { return fd_; }

    // Calls `step` on the serving thread until it returns false.
    void Serve(std::function<bool()> step) {
        thread_ = std::thread([step = std::move(step)] {
            while (step()) continue;
        });
    }

    // The next echo request, other packets passed over; none once shut down.
    std::optional<ReceivedRequest> NextRequest() const {
        for (;;) {
            ReceivedRequest request{Bytes(65536)};
            socklen_t fromLength = sizeof request.from;
            const ssize_t length = ::recvfrom(fd_, request.packet.data(), request.packet.size(), 0,
                                              reinterpret_cast<sockaddr*>(&request.from), &fromLength);
            if (length <= 0) return std::nullopt;
            request.packet.resize(std::size_t(length));
            request.icmp = std::size_t(request.packet[0] & 0x0F) * 4;
            if (request.packet.size() >= request.icmp + 8 && request.packet[request.icmp] == 8) return request;
        }
    }

    void SendTo(const sockaddr_in& to, const Bytes& message) const {
        ::sendto(fd_, message.data(), message.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    }

private:
    int fd_ = -1;
    std::thread thread_;
};

// Answers the quiet node's echo requests in place of its kernel, until it goes.
class Answerer {
public:
    Answerer(const NamespaceLab& lab, AnswerWay way) : way_(way), socket_(lab) {
        const int fragment = IP_PMTUDISC_DONT;  // an answer longer than the link goes in pieces
        if (::setsockopt(socket_.Fd(), IPPROTO_IP, IP_MTU_DISCOVER, &fragment, sizeof fragment) != 0) {
            throw std::runtime_error("cannot answer on the quiet node");
        }
        socket_.Serve([this] { return AnswerNext(); });
    }

private:
    // False once the socket is shut down.
    bool AnswerNext() const {
        const auto request = socket_.NextRequest();
        if (!request) return false;
        Bytes data = request->Data();
        std::vector<Bytes> answers;
        if (way_.noise) {
            // A reply to another request; errors quoting ours but another sequence or destination.
            Bytes otherSequence = request->Headers();
            Bytes otherDestination = otherSequence;
            otherSequence[request->icmp + 7] ^= 1;
            otherDestination[19] ^= 1;
            answers = {IcmpMessage(0, 0, request->Id() ^ 0x5555, request->Seq(), data),
                       IcmpMessage(11, 0, 0, 0, otherSequence), IcmpMessage(3, 1, 0, 0, otherDestination)};
        }
        if (way_.length) data.resize(*way_.length, 0x5A);
        if (way_.alter) std::ranges::for_each(data, [](std::uint8_t& byte) { byte ^= 0xFF; });
        answers.push_back(IcmpMessage(0, 0, request->Id(), request->Seq(), data));
        std::this_thread::sleep_for(std::chrono::milliseconds(way_.delayMs));
        for (const Bytes& answer : answers) socket_.SendTo(request->from, answer);
        return true;
    }

    const AnswerWay way_;
    QuietSocket socket_;  // last: goes first, ending the thread before the rest
};

struct Echoed {
    std::uint32_t replies = 0;
    ReplyRecord record{};
    Clock::duration took{};
    std::int32_t Status() const { return std::int32_t(record.reply.Status); }
};

// One echo from the calling thread's namespace, as the engine makes it.
Echoed SendEcho(LinuxNetworkServices& net, std::uint32_t to, const Bytes& payload, std::uint8_t ttl = 64,
                std::uint32_t timeoutMs = 1000) {
    Echoed echoed;
    echoed.record.reply.Address = kUntouched;
    IP_OPTION_INFORMATION options;
    options.Ttl = ttl;
    const IcmpHandle handle = net.IcmpCreateFile();
    EXPECT_NE(handle, INVALID_HANDLE_VALUE) << net.IcmpPermissionAdvice();
    const auto start = Clock::now();
    echoed.replies = net.IcmpSendEcho(handle, to, payload.data(), std::uint16_t(payload.size()), &options,
                                      &echoed.record, kReplyBufferSize, timeoutMs);
    echoed.took = Clock::now() - start;
    net.IcmpCloseHandle(handle);
    return echoed;
}

class EchoInNamespaces : public LabSuite<testing::TestWithParam<SocketPreference>> {
protected:
    static Echoed EchoFromClient(std::uint32_t to, const Bytes& payload, std::uint8_t ttl = 64,
                                 std::uint32_t timeoutMs = 1000) {
        Echoed echoed;
        lab_->RunIn(Node::Client, [&] {
            LinuxNetworkServices net(GetParam());
            echoed = SendEcho(net, to, payload, ttl, timeoutMs);
        });
        return echoed;
    }

    static inline Clock::time_point lastRouterError_;
};

// Answers are handed on as received, with the replier and the reply's TTL
// (64 less the router's hop); the round trip, in microseconds and in their
// whole milliseconds, is of a monotonic clock, never less than a delay, never
// more than the call took.
// The quiet node answers late, short and altered, amid packets that are not
// the answer.
TEST_P(EchoInNamespaces, AnswersAreHandedOnAsReceivedWithReplierTtlAndRoundTrip) {
    const struct {
        const char* name;
        std::optional<AnswerWay> way;  // none: the target's kernel answers
        std::size_t size;
        Bytes data;
        std::uint32_t leastRoundTrip = 0;
    } cases[] = {
        {"Kernel", {}, 32, Bytes(32, 0x7E)},
        {"KernelNoData", {}, 0, {}},
        {"KernelLargest", {}, 1499, Bytes(1499, 0x7E)},
        {"LateShortAlteredAmidNoise", AnswerWay{50, 16, true, true}, 32, Bytes(16, 0x7E ^ 0xFF), 50},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<Answerer> answerer;
        if (c.way) answerer.emplace(*lab_, *c.way);
        const Echoed echoed = EchoFromClient(c.way ? kQuiet : kTarget, Bytes(c.size, 0x7E));
        ASSERT_EQ(echoed.replies, 1U) << "status " << echoed.Status();
        EXPECT_EQ(echoed.Status(), IP_SUCCESS);
        EXPECT_EQ(echoed.record.reply.Address, c.way ? kQuiet : kTarget);
        EXPECT_EQ(EchoedData(echoed.record), c.data);
        EXPECT_EQ(echoed.record.reply.Options.Ttl, 63);
        const ICMP_ECHO_REPLY& reply = echoed.record.reply;
        EXPECT_GE(reply.RoundTripMicroseconds, c.leastRoundTrip * 1000);
        const auto took = std::chrono::duration_cast<std::chrono::microseconds>(echoed.took);
        EXPECT_LE(reply.RoundTripMicroseconds, std::uint32_t(took.count()));
        EXPECT_EQ(reply.RoundTripTime, reply.RoundTripMicroseconds / 1000);
    }
    // Loopback answers within the send, before the deadline is looked at.
    EXPECT_EQ(EchoFromClient(AddressFromOctets(127, 0, 0, 1), Bytes(8, 1), 64, 0).Status(), IP_SUCCESS);
}

TEST_P(EchoInNamespaces, ErrorsGiveTheirStatusAndTheHostThatSentThem) {
    const struct {
        const char* name;
        std::uint32_t to;
        std::uint8_t ttl;
        std::int32_t status;
        std::uint32_t from;
        std::uint32_t timeoutMs = 1000;
    } cases[] = {
        {"TtlOneExpiresAtTheRouter", kTarget, 1, IP_TTL_EXPIRED_TRANSIT, kRouter},
        {"TtlZeroIsAGeneralFailureAndSendsNothing", kTarget, 0, IP_GENERAL_FAILURE, kUntouched},
        {"ZeroAddressIsABadDestinationAtOnce", 0, 64, IP_BAD_DESTINATION, kUntouched, 60000},
        {"UnreachableRouteAtTheRouter", kUnreachable, 64, IP_DEST_HOST_UNREACHABLE, kRouter},
        {"NoRouteAtTheRouter", kNoRoute, 64, IP_DEST_NET_UNREACHABLE, kRouter},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // The router's unreachable answers spend a host-wide token bucket that
        // refills one a second (net.ipv4.route.error_cost); its other errors empty it.
        if (c.to == kUnreachable || c.to == kNoRoute) std::this_thread::sleep_until(lastRouterError_ + 1100ms);
        const Echoed echoed = EchoFromClient(c.to, Bytes(32, 0x61), c.ttl, c.timeoutMs);
        if (c.from == kRouter) lastRouterError_ = Clock::now();
        EXPECT_EQ(echoed.replies, 0U);
        EXPECT_EQ(echoed.Status(), c.status);
        EXPECT_EQ(echoed.record.reply.Address, c.from);
    }
    const Answerer tooLong(*lab_, {.length = 1600});
    const Echoed echoed = EchoFromClient(kQuiet, Bytes(32, 0x61));
    EXPECT_EQ(echoed.Status(), IP_BUF_TOO_SMALL);
    EXPECT_EQ(echoed.record.reply.Address, kUntouched) << "nothing of an answer too large is written";
}

std::ptrdiff_t ThreadCount() {
    const std::filesystem::directory_iterator tasks("/proc/self/task");
    return std::distance(begin(tasks), end(tasks));
}

// Every raw socket sees every reply; each echo must still take its own. Stop
// closes the handle of an echo that waits for a silent host: its wait ends
// at once, not at its timeout.
TEST_P(EchoInNamespaces, EchoesInFlightTakeTheirOwnAnswersOnOneWaitingThreadAndClosingAHandleEndsItsWait) {
    lab_->RunIn(Node::Client, [] {
        LinuxNetworkServices net(GetParam());
        std::latch done(35);
        std::vector<IcmpHandle> handles;
        std::deque<ReplyRecord> records;
        IP_OPTION_INFORMATION options;
        options.Ttl = 64;
        auto send = [&](std::uint32_t to, const Bytes& payload, std::uint32_t timeoutMs) {
            handles.push_back(net.IcmpCreateFile());
            net.IcmpSendEcho2(
                handles.back(), [&](std::uint32_t) { done.count_down(); }, to, payload.data(),
                std::uint16_t(payload.size()), &options, &records.emplace_back(), kReplyBufferSize, timeoutMs);
            return &records.back();
        };
        const std::ptrdiff_t threadsBefore = ThreadCount();
        std::vector<const ReplyRecord*> toTarget;
        for (std::uint8_t i = 0; i < 32; ++i) toTarget.push_back(send(kTarget, Bytes(24, i), 2000));
        const ReplyRecord* toRouter = send(kRouter, Bytes(40, 0xAA), 2000);
        const ReplyRecord* toQuiet = send(kQuiet, Bytes(8, 0x55), 300);
        const ReplyRecord* closed = send(kQuiet, Bytes(8, 1), 5000);
        EXPECT_EQ(ThreadCount(), threadsBefore + 1) << "one waiting thread for every echo";
        net.IcmpCloseHandle(handles.back());
        done.wait();
        for (std::uint8_t i = 0; i < 32; ++i) {
            EXPECT_EQ(toTarget[i]->reply.Status, std::uint32_t(IP_SUCCESS)) << int(i);
            EXPECT_EQ(toTarget[i]->reply.Address, kTarget);
            EXPECT_EQ(EchoedData(*toTarget[i]), Bytes(24, i)) << "the payload of its own request";
        }
        EXPECT_EQ(toRouter->reply.Address, kRouter);
        EXPECT_EQ(EchoedData(*toRouter), Bytes(40, 0xAA));
        EXPECT_EQ(toQuiet->reply.Status, std::uint32_t(IP_REQ_TIMED_OUT));
        EXPECT_EQ(closed->reply.Status, std::uint32_t(IP_GENERAL_FAILURE)) << "ended by the close, not timed out";
        for (const IcmpHandle handle : handles) net.IcmpCloseHandle(handle);
    });
}

// A socket serves one handle after another.
TEST_P(EchoInNamespaces, AnEchoTimesOutAtItsDeadlineAndItsLateReplyIsNotTakenForTheNextOne) {
    const Answerer slow(*lab_, {.delayMs = 300});
    lab_->RunIn(Node::Client, [] {
        LinuxNetworkServices net(GetParam());
        const Echoed early = SendEcho(net, kQuiet, Bytes(16, 0x11), 64, 100);
        EXPECT_EQ(early.replies, 0U);
        EXPECT_EQ(early.Status(), IP_REQ_TIMED_OUT);
        EXPECT_EQ(early.record.reply.Address, kUntouched);
        EXPECT_GE(early.took, 100ms) << "not before the deadline";
        const Echoed next = SendEcho(net, kQuiet, Bytes(16, 0x22), 64, 2000);
        EXPECT_EQ(next.replies, 1U);
        EXPECT_EQ(EchoedData(next.record), Bytes(16, 0x22)) << "the reply to its own request";
    });
}

INSTANTIATE_TEST_SUITE_P(Kinds, EchoInNamespaces, kBothSocketKinds, SocketKindName);

// The sweep's socket: many echoes in flight through one socket, each answer
// matched to its own echo. The quiet node owns 10.77.3.16/28 through a local
// route and answers there as a test says (HeldAnswerer).
constexpr std::uint32_t QuietHost(std::uint8_t last) { return AddressFromOctets(10, 77, 3, last); }

enum class Reply { Echo, Unreachable };

// Holds the quiet node's requests until `batch` have come, then answers them
// last first, each from the address it was sent to; an unreachable error
// comes from the quiet node itself, quoting the request. Batch after batch,
// until it goes.
class HeldAnswerer {
public:
    HeldAnswerer(const NamespaceLab& lab, std::size_t batch, std::function<Reply(std::uint32_t to)> way,
                 std::chrono::milliseconds delay = 0ms)
        : batch_(batch), way_(std::move(way)), delay_(delay), socket_(lab) {
        socket_.Serve([this] { return AnswerBatch(); });
    }

private:
    // False once the socket is shut down.
    bool AnswerBatch() const {
        std::vector<ReceivedRequest> held;
        while (held.size() < batch_) {
            auto request = socket_.NextRequest();
            if (!request) return false;
            held.push_back(std::move(*request));
        }
        std::this_thread::sleep_for(delay_);
        for (auto request = held.rbegin(); request != held.rend(); ++request) Answer(*request);
        return true;
    }

    void Answer(const ReceivedRequest& request) const {
        const Bytes& packet = request.packet;
        const std::uint32_t to = AddressFromOctets(packet[16], packet[17], packet[18], packet[19]);
        if (way_(to) == Reply::Unreachable) {
            socket_.SendTo(request.from, IcmpMessage(3, 1, 0, 0, request.Headers()));
            return;
        }
        Bytes reply = IcmpMessage(0, 0, request.Id(), request.Seq(), request.Data());
        // The reply leaves from the address the request was sent to.
        iovec data{reply.data(), reply.size()};
        alignas(cmsghdr) std::array<std::uint8_t, CMSG_SPACE(sizeof(in_pktinfo))> control{};
        msghdr message{const_cast<sockaddr_in*>(&request.from), sizeof request.from, &data, 1, control.data(),
                       control.size(), 0};
        cmsghdr* const source = CMSG_FIRSTHDR(&message);
        source->cmsg_level = IPPROTO_IP;
        source->cmsg_type = IP_PKTINFO;
        source->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
        in_pktinfo info{};
        std::memcpy(&info.ipi_spec_dst, &packet[16], 4);
        std::memcpy(CMSG_DATA(source), &info, sizeof info);
        ::sendmsg(socket_.Fd(), &message, 0);
    }

    const std::size_t batch_;
    const std::function<Reply(std::uint32_t)> way_;
    const std::chrono::milliseconds delay_;
    QuietSocket socket_;  // last: goes first, ending the thread before the rest
};

struct SweepEcho {
    std::uint32_t to;
    Bytes payload;
    std::uint32_t timeoutMs = 2000;
    std::uint8_t ttl = 64;
};

struct Swept {
    ReplyRecord record{};
    int order = -1;  // place among the answers
    std::uint32_t Status() const { return record.reply.Status; }
};

// Sends the echoes through the sweep handle in turn, then waits for all their answers.
std::deque<Swept> Sweep(LinuxNetworkServices& net, IcmpHandle sweep, const std::vector<SweepEcho>& echoes,
                        const std::function<void()>& afterEachSend = [] {}) {
    std::deque<Swept> swept(echoes.size());
    std::latch done(std::ptrdiff_t(echoes.size()));
    std::atomic<int> answers{0};
    for (std::size_t i = 0; i < echoes.size(); ++i) {
        IP_OPTION_INFORMATION options;
        options.Ttl = echoes[i].ttl;
        swept[i].record.reply.Address = kUntouched;
        net.IcmpSendEcho2(
            sweep,
            [&, i](std::uint32_t) {
                swept[i].order = answers++;
                done.count_down();
            },
            echoes[i].to, echoes[i].payload.data(), std::uint16_t(echoes[i].payload.size()), &options,
            &swept[i].record, kReplyBufferSize, echoes[i].timeoutMs);
        afterEachSend();
    }
    done.wait();
    return swept;
}

class SweepInNamespaces : public EchoInNamespaces {
protected:
    static void SetUpTestSuite() {
        EchoInNamespaces::SetUpTestSuite();
        if (lab_) velmora::test::Run("ip -n " + lab_->Name(Node::Quiet) + " route add local 10.77.3.16/28 dev lo");
    }

    // Runs the work in the client's namespace with a sweep handle of the socket kind under test.
    static void WithSweep(const std::function<void(LinuxNetworkServices&, IcmpHandle)>& work) {
        lab_->RunIn(Node::Client, [&] {
            LinuxNetworkServices net(GetParam());
            const IcmpHandle sweep = net.IcmpCreateSweepFile();
            ASSERT_NE(sweep, INVALID_HANDLE_VALUE) << net.IcmpPermissionAdvice();
            work(net, sweep);
            EXPECT_TRUE(net.IcmpCloseHandle(sweep));
        });
    }
};

TEST_P(SweepInNamespaces, RepliesArrivingInReverseOrderEachCompleteTheirOwnEcho) {
    constexpr std::uint8_t kCount = 14;
    const HeldAnswerer reversing(*lab_, kCount, [](std::uint32_t) { return Reply::Echo; });
    WithSweep([](LinuxNetworkServices& net, IcmpHandle sweep) {
        std::vector<SweepEcho> echoes;
        for (std::uint8_t i = 0; i < kCount; ++i) echoes.push_back({QuietHost(17 + i), Bytes(20 + i, i)});
        const auto swept = Sweep(net, sweep, echoes);
        for (std::uint8_t i = 0; i < kCount; ++i) {
            SCOPED_TRACE(int(i));
            EXPECT_EQ(swept[i].Status(), std::uint32_t(IP_SUCCESS));
            EXPECT_EQ(swept[i].record.reply.Address, QuietHost(17 + i));
            EXPECT_EQ(EchoedData(swept[i].record), Bytes(20 + i, i)) << "the payload of its own request";
            EXPECT_EQ(swept[i].order, kCount - 1 - i) << "answered as the replies came, last sent first";
        }
    });
}

// Pass after pass on one sweep: the first pass's replies come after it gave
// up, while the second waits for its own to the same addresses.
TEST_P(SweepInNamespaces, AReplyAfterItsEchoWasGivenUpIsNotTakenByTheNextPass) {
    constexpr std::uint8_t kCount = 4;
    const HeldAnswerer late(*lab_, kCount, [](std::uint32_t) { return Reply::Echo; }, 300ms);
    WithSweep([](LinuxNetworkServices& net, IcmpHandle sweep) {
        auto pass = [&](std::uint8_t payload, std::uint32_t timeoutMs) {
            std::vector<SweepEcho> echoes;
            for (std::uint8_t i = 0; i < kCount; ++i) echoes.push_back({QuietHost(20 + i), Bytes(16, payload), timeoutMs});
            return Sweep(net, sweep, echoes);
        };
        const auto first = pass(0x11, 100);
        const auto second = pass(0x22, 2000);
        for (std::uint8_t i = 0; i < kCount; ++i) {
            SCOPED_TRACE(int(i));
            EXPECT_EQ(first[i].Status(), std::uint32_t(IP_REQ_TIMED_OUT));
            EXPECT_EQ(first[i].record.reply.Address, kUntouched);
            EXPECT_EQ(second[i].Status(), std::uint32_t(IP_SUCCESS));
            EXPECT_EQ(EchoedData(second[i].record), Bytes(16, 0x22)) << "the reply to its own request";
            EXPECT_GE(second[i].record.reply.RoundTripTime, 250u) << "not the first pass's late reply";
        }
    });
}

// The router's unreachable answers spend a token bucket that refills one a
// second and that its other errors empty too: they come first, after a rest.
TEST_P(SweepInNamespaces, RouterErrorsCompleteTheEchoTheyQuoteAndOnlyThatOne) {
    const HeldAnswerer quiet(*lab_, 2, [](std::uint32_t to) {
        return to == QuietHost(18) ? Reply::Unreachable : Reply::Echo;
    });
    std::this_thread::sleep_for(1100ms);
    WithSweep([](LinuxNetworkServices& net, IcmpHandle sweep) {
        const struct {
            const char* name;
            SweepEcho echo;
            std::int32_t status;
            std::uint32_t from;
        } cases[] = {
            {"UnreachableRoute", {kUnreachable, Bytes(8, 3)}, IP_DEST_HOST_UNREACHABLE, kRouter},
            {"Answered", {kTarget, Bytes(8, 1)}, IP_SUCCESS, kTarget},
            {"TtlExpiresAtTheRouter", {kTarget, Bytes(8, 2), 2000, 1}, IP_TTL_EXPIRED_TRANSIT, kRouter},
            {"AnsweredBetweenErrors", {kTarget, Bytes(8, 4)}, IP_SUCCESS, kTarget},
            {"QuietAnswers", {QuietHost(17), Bytes(8, 6)}, IP_SUCCESS, QuietHost(17)},
            {"QuietSaysUnreachable", {QuietHost(18), Bytes(8, 7)}, IP_DEST_HOST_UNREACHABLE, kQuiet},
            {"TtlExpiresAgain", {kTarget, Bytes(8, 8), 2000, 1}, IP_TTL_EXPIRED_TRANSIT, kRouter},
        };
        std::vector<SweepEcho> echoes;
        for (const auto& c : cases) echoes.push_back(c.echo);
        const auto swept = Sweep(net, sweep, echoes);
        for (std::size_t i = 0; i < std::size(cases); ++i) {
            SCOPED_TRACE(cases[i].name);
            EXPECT_EQ(swept[i].Status(), std::uint32_t(cases[i].status));
            EXPECT_EQ(swept[i].record.reply.Address, cases[i].from);
        }
    });
}

std::ptrdiff_t DescriptorCount() {
    const std::filesystem::directory_iterator open("/proc/self/fd");
    return std::distance(begin(open), end(open));
}

// Replies and silence alike: no descriptor is opened or closed while echoes
// come and go. Stop closes the sweep: every echo still waiting ends at once,
// not at its timeout, and the close gives back what opening it took.
TEST_P(SweepInNamespaces, TheDescriptorCountStaysConstantDuringASweepAndClosingItAbandonsEveryEchoAtOnce) {
    lab_->RunIn(Node::Client, [] {
        LinuxNetworkServices net(GetParam());
        const std::ptrdiff_t before = DescriptorCount();
        const std::ptrdiff_t threadsBefore = ThreadCount();
        const IcmpHandle sweep = net.IcmpCreateSweepFile();
        ASSERT_NE(sweep, INVALID_HANDLE_VALUE) << net.IcmpPermissionAdvice();
        const std::ptrdiff_t during = DescriptorCount();
        EXPECT_EQ(ThreadCount(), threadsBefore + 1) << "one waiting thread for the sweep";
        std::vector<SweepEcho> echoes;
        for (int i = 0; i < 300; ++i) echoes.push_back({i % 3 == 0 ? QuietHost(30) : kTarget, Bytes(8, std::uint8_t(i)), 300});
        std::vector<std::ptrdiff_t> counts;
        const auto swept = Sweep(net, sweep, echoes, [&] { counts.push_back(DescriptorCount()); });
        EXPECT_EQ(std::ranges::count(counts, during), std::ptrdiff_t(counts.size()));
        EXPECT_EQ(swept[1].Status(), std::uint32_t(IP_SUCCESS));
        EXPECT_EQ(swept[0].Status(), std::uint32_t(IP_REQ_TIMED_OUT));

        std::deque<ReplyRecord> waiting(50);
        std::latch abandoned(50);
        IP_OPTION_INFORMATION options;
        options.Ttl = 64;
        const Bytes payload(8, 1);
        for (ReplyRecord& record : waiting) {
            net.IcmpSendEcho2(sweep, [&](std::uint32_t) { abandoned.count_down(); }, QuietHost(31), payload.data(),
                              std::uint16_t(payload.size()), &options, &record, kReplyBufferSize, 60000);
        }
        const auto start = Clock::now();
        EXPECT_TRUE(net.IcmpCloseHandle(sweep));
        abandoned.wait();
        EXPECT_LT(Clock::now() - start, 1s);
        for (const ReplyRecord& record : waiting) EXPECT_EQ(record.reply.Status, std::uint32_t(IP_GENERAL_FAILURE));
        EXPECT_EQ(net.IcmpSendEcho(sweep, kTarget, payload.data(), 8, &options, &waiting[0], kReplyBufferSize, 100), 0u)
            << "a closed sweep sends nothing";
        EXPECT_EQ(DescriptorCount(), before);
    });
}

INSTANTIATE_TEST_SUITE_P(Kinds, SweepInNamespaces, kBothSocketKinds, SocketKindName);

// Drops the capability from the calling thread alone, permitted too so the
// program cannot raise it again; sockets made after it take the thread's rights.
void DropCapability(int capability) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct caps[_LINUX_CAPABILITY_U32S_3]{};
    ASSERT_EQ(::syscall(SYS_capget, &header, caps), 0);
    caps[CAP_TO_INDEX(capability)].effective &= ~CAP_TO_MASK(capability);
    caps[CAP_TO_INDEX(capability)].permitted &= ~CAP_TO_MASK(capability);
    ASSERT_EQ(::syscall(SYS_capset, &header, caps), 0);
}

std::optional<icmp::SocketKind> OpenAndCloseEchoSocket(LinuxNetworkServices& net) {
    const IcmpHandle handle = net.IcmpCreateFile();
    const auto kind = net.SocketKindOf(handle);
    net.IcmpCloseHandle(handle);
    return kind;
}

void WritePingGroupRange(const char* range) { std::ofstream("/proc/sys/net/ipv4/ping_group_range") << range; }

// In a fresh namespace of this thread's own, whose ping_group_range ("1 0")
// lets no group open a ping socket.
TEST(RefusedSockets, APingRefusalHoldsUntilTheNextStartUpAndNeitherSocketGivesPlainAdvice) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to enter a fresh network namespace";
    std::thread worker([] {
        ASSERT_EQ(::unshare(CLONE_NEWNET), 0);  // on this thread only
        LinuxNetworkServices net;
        WSADATA data;
        ASSERT_EQ(net.WSAStartup(0x0101, data), 0);
        EXPECT_EQ(OpenAndCloseEchoSocket(net), icmp::SocketKind::Raw);
        EXPECT_EQ(net.IcmpPermissionAdvice(), "");
        WritePingGroupRange("0 2147483647");
        EXPECT_EQ(OpenAndCloseEchoSocket(net), icmp::SocketKind::Raw) << "the refusal is remembered within a run";
        ASSERT_EQ(net.WSAStartup(0x0101, data), 0);
        EXPECT_EQ(OpenAndCloseEchoSocket(net), icmp::SocketKind::Ping) << "a new run asks again";

        WritePingGroupRange("1 0");
        DropCapability(CAP_NET_RAW);
        ASSERT_EQ(net.WSAStartup(0x0101, data), 0);
        // The second attempt no longer asks for a ping socket, and still advises.
        for (int attempt = 0; attempt < 2; ++attempt) {
            EXPECT_EQ(net.IcmpCreateFile(), INVALID_HANDLE_VALUE) << attempt;
            const std::string advice = net.IcmpPermissionAdvice();
            EXPECT_NE(advice.find("sudo setcap cap_net_raw+p /"), std::string::npos) << attempt << advice;
            EXPECT_NE(advice.find("net.ipv4.ping_group_range"), std::string::npos) << attempt << advice;
        }
    });
    worker.join();
}

// Where `address` stands among the rows; rows.size() when it is not there.
std::size_t Place(const std::vector<ArpRow>& rows, const std::string& address) {
    const auto it = std::ranges::find(rows, address, [](const ArpRow& r) -> const std::string& { return r.texts[1]; });
    return std::size_t(it - rows.begin());
}

CInterface Link(NetworkServices& net, const std::string& name) {
    FakeUiServices ui;
    for (const CInterface& record : CIpHelper(net, ui).Interfaces()) {
        if (record.InterfaceName == name) return record;
    }
    ADD_FAILURE() << "no link " << name;
    return {};
}

class TablesInNamespaces : public LabSuite<> {
protected:
    void Shell(const std::string& command) const {
        ASSERT_EQ(std::system(("ip -n " + lab_->Name(Node::Client) + " " + command + " >/dev/null").c_str()), 0)
            << command;
    }

    FakeUiServices ui;
};

// Sorted by address, not by its bytes in memory: 10.77.1.50 before 10.77.2.49.
TEST_F(TablesInNamespaces, NeighboursReadBackSortedWithTheirTextsAndADeleteNeedsTheRight) {
    Shell("neigh replace 10.77.2.49 lladdr 02:00:00:00:00:49 dev c0 nud reachable");
    Shell("neigh replace 10.77.1.50 lladdr 00:0a:95:9d:68:16 dev c0 nud permanent");
    Shell("neigh replace 10.77.1.51 lladdr 02:00:00:00:00:51 dev c0 nud noarp");
    lab_->RunIn(Node::Client, [this] {
        LinuxNetworkServices net;
        ArpTableReader reader(net, ui);
        const auto rows = reader.GetArpTabel();
        EXPECT_EQ(Place(rows, "10.77.1.51"), rows.size()) << "an entry that needs no resolution is left out";
        const std::size_t permanent = Place(rows, "10.77.1.50"), reachable = Place(rows, "10.77.2.49");
        ASSERT_LT(reachable, rows.size());
        EXPECT_LT(permanent, reachable);
        EXPECT_EQ(rows[permanent].texts, (std::array<std::string, 4>{"c0", "10.77.1.50", "0.A.95.9D.68.16", "Static"}));
        EXPECT_EQ(rows[reachable].texts[3], "Dynamic");

        EXPECT_TRUE(reader.DeleteArpEntry(rows[permanent].key));
        EXPECT_TRUE(ui.boxes.empty());
        EXPECT_FALSE(reader.DeleteArpEntry(rows[permanent].key));
        DropCapability(CAP_NET_ADMIN);
        LinuxNetworkServices unprivileged;
        ArpTableReader weak(unprivileged, ui);
        EXPECT_FALSE(weak.DeleteArpEntry(rows[reachable].key));
        ASSERT_EQ(ui.boxes.size(), 2u);
        EXPECT_EQ(ui.boxes[0].title, "Error #1168") << "not found";
        EXPECT_EQ(ui.boxes[1].title, "Error #5") << "not permitted";
        const auto after = weak.GetArpTabel();
        EXPECT_EQ(Place(after, "10.77.1.50"), after.size());
        EXPECT_LT(Place(after, "10.77.2.49"), after.size()) << "a dump needs no privilege";
    });
}

// Between notifications a read asks the kernel for counters only: what a
// notification announces must show at the next read all the same.
TEST_F(TablesInNamespaces, TheVethShowsItsAddressStateAndCountersAndChangesShowAtTheNextRead) {
    Shell("link set c0 address 02:77:01:00:00:02");
    lab_->RunIn(Node::Client, [this] {
        LinuxNetworkServices net;
        const CInterface veth = Link(net, "c0");
        EXPECT_EQ(veth.AdapterAddress, "2-77-1-00-00-2");
        EXPECT_EQ(veth.MaximumTransmissionUnit, 1500u);
        EXPECT_EQ(veth.InterfaceType, 6u);
        EXPECT_EQ(veth.AdminStatus, 1u);
        EXPECT_EQ(veth.OperationalStatus, 5u);
        EXPECT_EQ(veth.InterfaceDescription, "c0");
        EXPECT_EQ(veth.LastChange, DateTime{}) << "no change seen yet";
        const CInterface loopback = Link(net, "lo");
        EXPECT_EQ(loopback.InterfaceType, 24u);
        EXPECT_EQ(loopback.AdapterAddress, "") << "the loopback has no adapter address";

        for (int i = 0; i < 3; ++i) EXPECT_EQ(SendEcho(net, kRouter, Bytes(1000, 0x61)).replies, 1u);
        const CInterface echoed = Link(net, "c0");
        EXPECT_GE(echoed.OctetsReceived, veth.OctetsReceived + 3000);
        EXPECT_GE(echoed.OctetsSent, veth.OctetsSent + 3000);

        Shell("link set c0 mtu 1400");
        const CInterface changed = Link(net, "c0");
        Shell("link add x0 type veth peer name x1");
        const CInterface added = Link(net, "x1");
        Shell("link set c0 mtu 1500");
        Shell("link del x0");
        EXPECT_EQ(changed.MaximumTransmissionUnit, 1400u);
        EXPECT_EQ(added.AdminStatus, 2u);

        const auto started = std::chrono::time_point_cast<DateTime::duration>(std::chrono::system_clock::now());
        Shell("link set c0 down");
        // The kernel reports the new state through its link watcher, a moment later.
        CInterface down;
        for (int attempt = 0; attempt < 100 && (down = Link(net, "c0")).OperationalStatus != 0; ++attempt) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        Shell("link set c0 up");
        EXPECT_EQ(down.OperationalStatus, 0u);
        EXPECT_EQ(down.AdminStatus, 2u);
        EXPECT_GE(down.LastChange, started - std::chrono::milliseconds(1));
    });
}

// A token bucket far slower than a burst of datagrams holds most of them in
// the link's root qdisc, which is what the link's output queue length reads.
TEST_F(TablesInNamespaces, TheOutputQueueLengthIsTheRootQdiscsBacklogInPackets) {
    static constexpr int kBurst = 50;
    // A neighbour that needs no lookup: the datagrams go straight to the queue.
    Shell("neigh replace 10.77.1.77 lladdr 02:00:00:00:00:77 dev c0 nud permanent");
    ASSERT_TRUE(Try("ip netns exec " + lab_->Name(Node::Client) +
                    " tc qdisc replace dev c0 root tbf rate 8kbit burst 1600 limit 200000"));
    lab_->RunIn(Node::Client, [] {
        LinuxNetworkServices net;
        EXPECT_EQ(Link(net, "c0").OutputQueueLength, 0u) << "nothing waits yet";
        const int datagrams = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        ASSERT_GE(datagrams, 0);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(9);
        to.sin_addr.s_addr = AddressFromOctets(10, 77, 1, 77);
        const Bytes payload(1000, 0x5A);
        int sent = 0;
        for (int i = 0; i < kBurst; ++i) {
            sent += ::sendto(datagrams, payload.data(), payload.size(), 0, reinterpret_cast<const sockaddr*>(&to),
                             sizeof to) == ssize_t(payload.size());
        }
        std::this_thread::sleep_for(60ms);  // past the time for which reads share one qdisc dump
        const CInterface busy = Link(net, "c0");
        ::close(datagrams);
        EXPECT_EQ(sent, kBurst);
        // The bucket's burst lets one datagram through at once; a second may follow in a second. The
        // kernel's own packets on the link (neighbour discovery, multicast reports) may wait behind ours.
        EXPECT_GE(busy.OutputQueueLength, std::uint64_t(kBurst - 3));
        EXPECT_LE(busy.OutputQueueLength, std::uint64_t(kBurst + 5)) << "packets, not bytes";
        EXPECT_EQ(Link(net, "lo").OutputQueueLength, 0u);
    });
    Try("ip netns exec " + lab_->Name(Node::Client) + " tc qdisc del dev c0 root");
    Shell("neigh del 10.77.1.77 dev c0");
}

}  // namespace
}  // namespace velmora::test

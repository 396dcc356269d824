// The asynchronous echo of LinuxNetworkServices against the real kernel,
// inside the lab's namespaces, with each kind of socket: echoes in flight
// together each take their own answer, all on one waiting thread, and closing
// a handle abandons its echo. And a socket that serves a second handle never
// takes the first one's late reply.

#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <vector>

#include "platform/LinuxNetworkServices.h"
#include "tests/netns/LabSuite.h"

namespace velmora::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Echoes sent without waiting; Wait returns when every one has completed.
class AsyncEchoes {
public:
    explicit AsyncEchoes(SocketPreference kind) : net_(kind) {}

    ~AsyncEchoes() {
        for (const IcmpHandle handle : handles_) net_.IcmpCloseHandle(handle);
    }

    // Sends one echo; its record is records()[index] once Wait has returned.
    std::size_t Send(std::uint32_t to, const Bytes& payload, std::uint32_t timeoutMs) {
        const std::size_t index = handles_.size();
        handles_.push_back(net_.IcmpCreateFile());
        records_.push_back(std::make_unique<ReplyRecord>());
        IP_OPTION_INFORMATION options;
        options.Ttl = 64;
        {
            std::lock_guard lock(mutex_);
            ++waiting_;
        }
        net_.IcmpSendEcho2(
            handles_.back(),
            [this](std::uint32_t) {
                std::lock_guard lock(mutex_);
                --waiting_;
                done_.notify_all();
            },
            to, payload.data(), std::uint16_t(payload.size()), &options, records_.back().get(), kReplyBufferSize,
            timeoutMs);
        return index;
    }

    void Wait() {
        std::unique_lock lock(mutex_);
        done_.wait(lock, [this] { return waiting_ == 0; });
    }

    void Close(std::size_t index) { net_.IcmpCloseHandle(handles_.at(index)); }
    const ReplyRecord& Record(std::size_t index) const { return *records_.at(index); }

private:
    LinuxNetworkServices net_;
    std::vector<IcmpHandle> handles_;
    std::vector<std::unique_ptr<ReplyRecord>> records_;
    std::mutex mutex_;
    std::condition_variable done_;
    int waiting_ = 0;
};

Bytes EchoedData(const ReplyRecord& record) {
    return Bytes(record.data.begin(), record.data.begin() + std::max<std::int16_t>(record.reply.DataSize, 0));
}

std::ptrdiff_t ThreadCount() {
    const std::filesystem::directory_iterator tasks("/proc/self/task");
    return std::distance(begin(tasks), end(tasks));
}

using AsyncEchoInNamespaces = LabSuite<testing::TestWithParam<SocketPreference>>;

TEST_P(AsyncEchoInNamespaces, EchoesInFlightTogetherEachTakeTheirOwnAnswerOnOneWaitingThread) {
    lab_->RunIn(Node::Client, [] {
        AsyncEchoes echoes(GetParam());
        const std::ptrdiff_t threadsBefore = ThreadCount();
        std::vector<std::size_t> toTarget;
        for (std::uint8_t i = 0; i < 32; ++i) toTarget.push_back(echoes.Send(kTarget, Bytes(24, i), 2000));
        const std::size_t toRouter = echoes.Send(kRouter, Bytes(40, 0xAA), 2000);
        const std::size_t toQuiet = echoes.Send(kQuiet, Bytes(8, 0x55), 300);
        EXPECT_EQ(ThreadCount(), threadsBefore + 1) << "one waiting thread for every echo";
        echoes.Wait();

        for (std::uint8_t i = 0; i < 32; ++i) {
            const ReplyRecord& record = echoes.Record(toTarget[i]);
            EXPECT_EQ(record.reply.Status, std::uint32_t(IP_SUCCESS)) << int(i);
            EXPECT_EQ(record.reply.Address, kTarget);
            EXPECT_EQ(EchoedData(record), Bytes(24, i)) << "the payload of its own request";
        }
        EXPECT_EQ(echoes.Record(toRouter).reply.Address, kRouter);
        EXPECT_EQ(EchoedData(echoes.Record(toRouter)), Bytes(40, 0xAA));
        EXPECT_EQ(echoes.Record(toQuiet).reply.Status, std::uint32_t(IP_REQ_TIMED_OUT));
    });
}

TEST_P(AsyncEchoInNamespaces, ClosingTheHandleAbandonsTheEchoAtOnce) {
    lab_->RunIn(Node::Client, [] {
        AsyncEchoes echoes(GetParam());
        const std::size_t silent = echoes.Send(kQuiet, Bytes(8, 1), 600'000);
        echoes.Close(silent);
        echoes.Wait();
        EXPECT_EQ(echoes.Record(silent).reply.Status, std::uint32_t(IP_GENERAL_FAILURE));
    });
}

TEST_P(AsyncEchoInNamespaces, ALateReplyToTheSocketsEarlierEchoIsNotTakenForTheNextOne) {
    const Responder slow(*lab_, Node::Quiet, {"--delay", "300"});
    lab_->RunIn(Node::Client, [] {
        LinuxNetworkServices net(GetParam());
        IP_OPTION_INFORMATION options;
        options.Ttl = 64;
        const Bytes early(16, 0x11);
        const Bytes next(16, 0x22);
        ReplyRecord record{};
        const IcmpHandle first = net.IcmpCreateFile();
        EXPECT_EQ(net.IcmpSendEcho(first, kQuiet, early.data(), 16, &options, &record, kReplyBufferSize, 100), 0U);
        net.IcmpCloseHandle(first);
        const IcmpHandle second = net.IcmpCreateFile();
        EXPECT_EQ(net.IcmpSendEcho(second, kQuiet, next.data(), 16, &options, &record, kReplyBufferSize, 2000), 1U);
        net.IcmpCloseHandle(second);
        EXPECT_EQ(EchoedData(record), next) << "the reply to its own request";
    });
}

INSTANTIATE_TEST_SUITE_P(Kinds, AsyncEchoInNamespaces,
                         testing::Values(SocketPreference::RawOnly, SocketPreference::PingOnly),
                         [](const auto& info) { return info.param == SocketPreference::RawOnly ? "Raw" : "Ping"; });

}  // namespace
}  // namespace velmora::test

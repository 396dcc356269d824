#pragma once
// One ICMP socket that carries every echo of a sweep at once. Each echo is
// filed under its request's sequence and destination; a reply or an error
// is matched by those (and, on a raw socket, by the identifier the parser
// checks), so it completes its own echo only. An echo timed out is taken
// off the file: its late reply finds nothing and is dropped, whatever sweep
// or pass comes next. One thread of the socket's own waits for the answers.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <mutex>
#include <set>
#include <span>
#include <thread>
#include <utility>

#include "platform/EchoSocketIo.h"

namespace velmora {

class SweepSocket {
public:
    // Takes the configured socket, which it closes when it goes.
    explicit SweepSocket(EchoSocket socket);
    // Abandons every echo in flight at once: each completes with a general failure.
    ~SweepSocket();
    SweepSocket(const SweepSocket&) = delete;
    SweepSocket& operator=(const SweepSocket&) = delete;

    // Sends one echo as IcmpSendEcho2 does: the answer goes into replyBuffer,
    // then completion runs on the socket's thread (or within this call when
    // nothing could be sent).
    void Send(std::uint32_t destination, std::span<const std::uint8_t> payload, std::uint8_t ttl,
              std::uint32_t timeoutMs, void* replyBuffer, std::uint32_t replySize,
              std::function<void(std::uint32_t)> completion);

private:
    using Key = std::pair<std::uint16_t, std::uint32_t>;  // sequence, destination
    struct Echo {
        icmp::EchoRequest request;
        EchoClock::time_point start;
        EchoClock::time_point deadline;
        void* replyBuffer;
        std::uint32_t replySize;
        std::function<void(std::uint32_t)> completion;
    };

    // A request whose sequence and destination no echo in flight has.
    icmp::EchoRequest FreshRequest(std::uint32_t destination) const;
    std::optional<Answer> SendUnlessRefused(const icmp::EchoRequest& request, std::span<const std::uint8_t> payload,
                                            std::uint8_t ttl);
    void Wake();
    void Serve();
    // The earliest deadline in flight, nothing when none; false once the socket goes.
    bool NextDeadline(std::optional<EchoClock::time_point>& earliest);
    void ReadErrorQueue();
    void ReadPackets();
    void FinishDue(EchoClock::time_point now);
    void FinishAll(const Answer& answer);
    // Takes the echo off the file; nothing when it was answered already.
    std::optional<Echo> Take(const Key& key);
    Echo TakeLocked(std::map<Key, Echo>::iterator entry);
    static void Finish(Echo& echo, const Answer& answer);

    const EchoSocket socket_;
    const std::uint16_t identifier_;
    const int wakeFd_;
    std::mutex mutex_;
    std::map<Key, Echo> inFlight_;
    std::set<std::pair<EchoClock::time_point, Key>> deadlines_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace velmora

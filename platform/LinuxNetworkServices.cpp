#include "platform/LinuxNetworkServices.h"

#include <arpa/inet.h>
#include <ctime>  // linux/errqueue.h uses timespec without including it
#include <linux/errqueue.h>
#include <linux/icmp.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <span>
#include <system_error>
#include <thread>

#include "platform/EchoSocketIo.h"
#include "platform/EchoSupport.h"
#include "platform/IcmpParser.h"
#include "platform/LinuxIcmp6Echo.h"
#include "platform/NetRawCapability.h"
#include "platform/SweepSocket.h"

namespace velmora {

namespace {

using Clock = EchoClock;
using echo::ReceiveBuffer;
using echo::SetOption;
using echo::WaitUntil;
using icmp::SocketKind;

constexpr std::uint16_t kHighestSocketsVersion = 0x0202;
constexpr std::int16_t kMaxSocketsReported = 32767;
constexpr std::uint16_t kMaxUdpDatagram = 65467;

// The options every echo wants, set once for the socket's life.
bool ConfigureEchoSocket(int fd, SocketKind kind) {
    // Linux sets DF by default; the request's flags are 0, so let it fragment.
    const bool ok = SetOption(fd, IPPROTO_IP, IP_MTU_DISCOVER, int(IP_PMTUDISC_DONT)) &&
                    SetOption(fd, IPPROTO_IP, IP_RECVERR, 1);
    if (kind == SocketKind::Ping) return ok && SetOption(fd, IPPROTO_IP, IP_RECVTTL, 1);
    // A raw socket sees every ICMP packet of the host: keep only replies and errors.
    icmp_filter filter{~(1U << ICMP_ECHOREPLY | 1U << ICMP_DEST_UNREACH | 1U << ICMP_SOURCE_QUENCH |
                         1U << ICMP_TIME_EXCEEDED | 1U << ICMP_PARAMETERPROB)};
    return ok && SetOption(fd, SOL_RAW, ICMP_FILTER, filter);
}

// An ICMP socket descriptor of the type, or minus the errno that refused it.
int OpenIcmpSocket(int type) {
    const int fd = ::socket(AF_INET, type | SOCK_CLOEXEC, IPPROTO_ICMP);
    return fd < 0 ? -errno : fd;
}

// A raw socket needs cap_net_raw: it is effective for this one call only.
int OpenRawIcmpSocket() {
    RaiseNetRawCapability();
    const int result = OpenIcmpSocket(SOCK_RAW);
    LowerNetRawCapability();
    return result;
}

// A configured socket descriptor, or minus the errno that refused it.
int OpenEchoSocket(SocketKind kind) {
    const int fd = kind == SocketKind::Ping ? OpenIcmpSocket(SOCK_DGRAM) : OpenRawIcmpSocket();
    if (fd < 0) return fd;
    if (ConfigureEchoSocket(fd, kind)) return fd;
    const int error = errno;
    ::close(fd);
    return -error;
}

bool IsPermissionRefusal(int result) {
    // EACCES: ping socket, the user's group is outside net.ipv4.ping_group_range.
    // EPERM: raw socket, the program lacks CAP_NET_RAW.
    return result == -EACCES || result == -EPERM;
}

// Why a request is not sent at all; nothing when it may go.
std::optional<Answer> RequestRefusal(std::uint32_t destination, const void* requestData, std::uint16_t requestSize) {
    if (requestData == nullptr && requestSize != 0) return MakeAnswer(IP_GENERAL_FAILURE);
    // 0.0.0.0 names no host; the kernel would take it for this one.
    if (destination == 0) return MakeAnswer(IP_BAD_DESTINATION);
    return std::nullopt;
}

std::span<const std::uint8_t> PayloadOf(const void* requestData, std::uint16_t requestSize) {
    return {static_cast<const std::uint8_t*>(requestData), requestSize};
}

std::uint8_t TtlOf(const IP_OPTION_INFORMATION* requestOptions) {
    return requestOptions != nullptr ? requestOptions->Ttl : 128;  // the platform's default
}

// One request and the wait for its answer on a socket the caller owns.
class EchoExchange {
public:
    EchoExchange(EchoSocket socket, std::uint32_t destination)
        : socket_(socket), request_(NextEchoRequest(destination)) {}

    Answer Run(std::span<const std::uint8_t> payload, std::uint8_t ttl, std::uint32_t timeoutMs) {
        if (const auto failure = Start(payload, ttl, timeoutMs)) return *failure;
        return Wait();
    }

    // Sends the request; the answer already when it could not be sent.
    std::optional<Answer> Start(std::span<const std::uint8_t> payload, std::uint8_t ttl, std::uint32_t timeoutMs) {
        start_ = Clock::now();
        deadline_ = start_ + std::chrono::milliseconds(timeoutMs);
        return SendEchoRequest(socket_, request_, payload, ttl);
    }

    // The answer the socket's poll events bring; nothing while the echo waits on.
    std::optional<Answer> TakeEvents(short events) {
        // POLLHUP: the handle was closed from another thread to abandon the echo.
        if ((events & (POLLNVAL | POLLHUP)) != 0) return MakeAnswer(IP_GENERAL_FAILURE);
        if ((events & POLLERR) != 0) {
            if (auto answer = DrainErrorQueue()) return answer;
        }
        // A pending socket error shows as POLLERR too; a receive clears it.
        if ((events & (POLLIN | POLLERR)) != 0) return ReadPacket();
        return std::nullopt;
    }

    int Fd() const { return socket_.fd; }
    Clock::time_point Deadline() const { return deadline_; }

private:
    Answer Wait() {
        // A near host's answer is often queued by the time sendmsg returns
        // (loopback delivers it within the call): look once before waiting.
        // That look comes before the deadline's, so a Timeout of 0 still takes it.
        if (auto answer = ReadPacket()) return *answer;
        for (;;) {
            const auto now = Clock::now();
            if (now >= deadline_) return MakeAnswer(IP_REQ_TIMED_OUT);
            const timespec wait = WaitUntil(deadline_, now);
            pollfd ready{socket_.fd, POLLIN, 0};
            const int count = ::ppoll(&ready, 1, &wait, nullptr);
            if (count < 0 && errno != EINTR) return MakeAnswer(IP_GENERAL_FAILURE);
            if (count <= 0) continue;
            if (auto answer = TakeEvents(ready.revents)) return *answer;
        }
    }

    // A raw socket takes its errors from the packets that quote the request,
    // so its queue is only emptied; a ping socket's queue is where they are.
    std::optional<Answer> DrainErrorQueue() {
        const auto buffer = ReceiveBuffer();
        for (;;) {
            sockaddr_in quotedDestination{};
            alignas(cmsghdr) std::array<std::uint8_t, 512> control{};
            iovec data{buffer.data(), buffer.size()};
            msghdr message{&quotedDestination, sizeof quotedDestination, &data, 1, control.data(), control.size(), 0};
            const ssize_t length = ::recvmsg(socket_.fd, &message, MSG_ERRQUEUE | MSG_DONTWAIT);
            if (length < 0) return std::nullopt;
            if (socket_.kind == SocketKind::Raw) continue;
            const auto quote = std::span<const std::uint8_t>(buffer.data(), std::size_t(length));
            if (FromInAddr(quotedDestination.sin_addr) != request_.destination ||
                !icmp::QuotesOurPingRequest(quote, request_.sequence)) {
                continue;
            }
            if (auto answer = ErrorFromControl(message)) return answer;
        }
    }

    std::optional<Answer> ReadPacket() {
        const auto buffer = ReceiveBuffer();
        sockaddr_in from{};
        alignas(cmsghdr) std::array<std::uint8_t, 128> control{};
        iovec data{buffer.data(), buffer.size()};
        msghdr message{&from, sizeof from, &data, 1, control.data(), control.size(), 0};
        ssize_t length = ::recvmsg(socket_.fd, &message, MSG_DONTWAIT);
        // With IP_RECVERR a raw socket reports an ICMP error once as a failed
        // receive; the packet behind it is still queued, so read again.
        if (length < 0 && socket_.kind == SocketKind::Raw && errno != EAGAIN && errno != EWOULDBLOCK) {
            length = ::recvmsg(socket_.fd, &message, MSG_DONTWAIT);
        }
        if (length < 0) return std::nullopt;
        const auto received = Clock::now();

        const auto packet = std::span<const std::uint8_t>(buffer.data(), std::size_t(length));
        const auto found = icmp::Classify(packet, socket_.kind, request_, FromInAddr(from.sin_addr));
        if (found.verdict == icmp::Verdict::NotOurs) return std::nullopt;
        return AnswerOfPacket(found, packet, FromInAddr(from.sin_addr), received - start_, message);
    }

    const EchoSocket socket_;
    const icmp::EchoRequest request_;
    Clock::time_point start_;
    Clock::time_point deadline_;
};

std::string ProgramPath() {
    std::error_code error;
    const auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string("<path of the program>") : path.string();
}

// Versions compare by major (low byte), then minor (high byte).
int VersionRank(std::uint16_t version) {
    return (version & 0xFF) << 8 | version >> 8;
}

std::int16_t MaxSockets() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return kMaxSocketsReported;
    return std::int16_t(std::clamp<rlim_t>(limit.rlim_cur, 1, rlim_t(kMaxSocketsReported)));
}

}  // namespace

IcmpHandle LinuxNetworkServices::IcmpCreateFile() { return CreateEchoHandle(false); }

IcmpHandle LinuxNetworkServices::Icmp6CreateFile() { return CreateEchoHandle(true); }

IcmpHandle LinuxNetworkServices::CreateEchoHandle(bool ipv6) {
    std::array<SocketKind, 2> kinds{};
    std::size_t kindCount = 0;
    // A ping socket refused once for the group (EACCES) is refused until the
    // sysctl changes; WSAStartup, at the start of each run, asks again.
    const bool pingKnownRefused = preference_ == SocketPreference::PingFirst && pingRefused_.load(std::memory_order_relaxed);
    if (preference_ != SocketPreference::RawOnly && !pingKnownRefused) kinds[kindCount++] = SocketKind::Ping;
    if (preference_ != SocketPreference::PingOnly) kinds[kindCount++] = SocketKind::Raw;
    bool refusedForPermission = true;
    for (std::size_t i = 0; i < kindCount; ++i) {
        if (const auto idle = TakeIdleSocket(kinds[i], ipv6)) {
            permissionRefused_.store(false, std::memory_order_relaxed);
            return AddHandle(*idle);
        }
        const int result = ipv6 ? OpenEcho6Socket(kinds[i]) : OpenEchoSocket(kinds[i]);
        if (result >= 0) {
            permissionRefused_.store(false, std::memory_order_relaxed);
            return AddHandle(EchoSocket{result, kinds[i], ipv6});
        }
        if (kinds[i] == SocketKind::Ping && result == -EACCES) pingRefused_.store(true, std::memory_order_relaxed);
        refusedForPermission = refusedForPermission && IsPermissionRefusal(result);
    }
    permissionRefused_.store(refusedForPermission, std::memory_order_relaxed);
    return INVALID_HANDLE_VALUE;
}

// The sweep takes over the socket a handle would have had.
IcmpHandle LinuxNetworkServices::IcmpCreateSweepFile() {
    const IcmpHandle handle = IcmpCreateFile();
    const auto socket = TakeForEcho(handle, false);
    if (!socket) return INVALID_HANDLE_VALUE;
    {
        std::lock_guard lock(handlesMutex_);
        handles_.erase(handle);
    }
    auto sweep = std::make_shared<SweepSocket>(*socket);  // closes the socket if it cannot start
    std::lock_guard lock(handlesMutex_);
    sweeps_.emplace(handle, std::move(sweep));
    return handle;
}

// Every asynchronous echo between its send and its answer waits on the one
// thread this serves: a ppoll over their sockets and an eventfd that wakes it
// when an echo is added or the services end.
class EchoWaiter {
public:
    struct Echo {
        IcmpHandle handle;
        std::unique_ptr<EchoExchange> exchange;
        void* replyBuffer;
        std::uint32_t replySize;
        std::function<void(std::uint32_t)> completion;
    };

    explicit EchoWaiter(std::function<void(IcmpHandle)> returnHandle)
        : returnHandle_(std::move(returnHandle)), wakeFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
        if (wakeFd_ < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
        try {
            thread_ = std::thread([this] { Serve(); });
        } catch (...) {
            ::close(wakeFd_);
            throw;
        }
    }

    ~EchoWaiter() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        Wake();
        thread_.join();
        for (Echo& echo : added_) returnHandle_(echo.handle);
        ::close(wakeFd_);
    }

    EchoWaiter(const EchoWaiter&) = delete;
    EchoWaiter& operator=(const EchoWaiter&) = delete;

    void Add(Echo echo) {
        {
            std::lock_guard lock(mutex_);
            added_.push_back(std::move(echo));
        }
        Wake();
    }

private:
    void Wake() {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = ::write(wakeFd_, &one, sizeof one);
    }

    void Serve() {
        std::vector<Echo> waiting;
        std::vector<pollfd> events;
        while (TakeAdded(waiting)) {
            events.assign(1, pollfd{wakeFd_, POLLIN, 0});
            auto earliest = Clock::time_point::max();
            for (const Echo& echo : waiting) {
                events.push_back(pollfd{echo.exchange->Fd(), POLLIN, 0});
                earliest = std::min(earliest, echo.exchange->Deadline());
            }
            const timespec wait = WaitUntil(earliest, Clock::now());
            const int count = ::ppoll(events.data(), events.size(), waiting.empty() ? nullptr : &wait, nullptr);
            const bool failed = count < 0 && errno != EINTR;
            if ((events[0].revents & POLLIN) != 0) {
                std::uint64_t wakes = 0;
                [[maybe_unused]] const auto read = ::read(wakeFd_, &wakes, sizeof wakes);
            }
            const auto now = Clock::now();
            for (std::size_t i = 0; i < waiting.size(); ++i) {
                auto answer = failed ? MakeAnswer(IP_GENERAL_FAILURE) : waiting[i].exchange->TakeEvents(events[i + 1].revents);
                if (!answer && now >= waiting[i].exchange->Deadline()) answer = MakeAnswer(IP_REQ_TIMED_OUT);
                if (answer) Finish(waiting[i], *answer);
            }
            std::erase_if(waiting, [](const Echo& echo) { return !echo.completion; });
        }
        for (Echo& echo : waiting) returnHandle_(echo.handle);
    }

    // Moves the echoes added since into waiting; false when the services end.
    bool TakeAdded(std::vector<Echo>& waiting) {
        std::lock_guard lock(mutex_);
        if (stopping_) return false;
        for (Echo& echo : added_) waiting.push_back(std::move(echo));
        added_.clear();
        return true;
    }

    // The handle is free again before the caller hears of the answer.
    void Finish(Echo& echo, const Answer& answer) {
        const std::uint32_t replies = WriteAnswer(echo.replyBuffer, echo.replySize, answer);
        returnHandle_(echo.handle);
        const auto completion = std::move(echo.completion);
        echo.completion = nullptr;
        try {
            completion(replies);
        } catch (...) {
            // The caller's failure must not end the wait for every other echo.
        }
    }

    const std::function<void(IcmpHandle)> returnHandle_;
    const int wakeFd_;
    std::mutex mutex_;
    std::vector<Echo> added_;
    bool stopping_ = false;
    std::thread thread_;
};

LinuxNetworkServices::LinuxNetworkServices(SocketPreference preference) : preference_(preference) {}

LinuxNetworkServices::~LinuxNetworkServices() {
    sweeps_.clear();
    waiter_.reset();
    CloseIdleSockets();
}

// A run starts with new sockets, so it meets the rights of the moment (a
// socket kept from before would still send where new ones are refused).
void LinuxNetworkServices::CloseIdleSockets() {
    std::lock_guard lock(handlesMutex_);
    for (const EchoSocket& socket : idleSockets_) ::close(socket.fd);
    idleSockets_.clear();
}

std::uint32_t LinuxNetworkServices::IcmpSendEcho(IcmpHandle handle, std::uint32_t destinationAddress,
                                                 const void* requestData, std::uint16_t requestSize,
                                                 const IP_OPTION_INFORMATION* requestOptions, void* replyBuffer,
                                                 std::uint32_t replySize, std::uint32_t timeoutMs) {
    // Without room for the record there is nowhere to put even a status.
    if (replyBuffer == nullptr || replySize < sizeof(ICMP_ECHO_REPLY)) return 0;
    if (const auto refusal = RequestRefusal(destinationAddress, requestData, requestSize)) {
        return WriteAnswer(replyBuffer, replySize, *refusal);
    }
    const auto socket = TakeForEcho(handle, false);
    if (!socket) return WriteAnswer(replyBuffer, replySize, MakeAnswer(IP_GENERAL_FAILURE));
    EchoExchange exchange(*socket, destinationAddress);
    const Answer answer = exchange.Run(PayloadOf(requestData, requestSize), TtlOf(requestOptions), timeoutMs);
    const std::uint32_t replies = WriteAnswer(replyBuffer, replySize, answer);
    ReturnFromEcho(handle);
    return replies;
}

void LinuxNetworkServices::IcmpSendEcho2(IcmpHandle handle, std::function<void(std::uint32_t)> completion,
                                         std::uint32_t destinationAddress, const void* requestData,
                                         std::uint16_t requestSize, const IP_OPTION_INFORMATION* requestOptions,
                                         void* replyBuffer, std::uint32_t replySize, std::uint32_t timeoutMs) {
    if (replyBuffer == nullptr || replySize < sizeof(ICMP_ECHO_REPLY)) return completion(0);
    if (const auto refusal = RequestRefusal(destinationAddress, requestData, requestSize)) {
        return completion(WriteAnswer(replyBuffer, replySize, *refusal));
    }
    if (const auto sweep = SweepOf(handle)) {
        return sweep->Send(destinationAddress, PayloadOf(requestData, requestSize), TtlOf(requestOptions), timeoutMs,
                           replyBuffer, replySize, std::move(completion));
    }
    EchoWaiter& waiter = Waiter();
    const auto socket = TakeForEcho(handle, false);
    if (!socket) return completion(WriteAnswer(replyBuffer, replySize, MakeAnswer(IP_GENERAL_FAILURE)));
    auto exchange = std::make_unique<EchoExchange>(*socket, destinationAddress);
    if (const auto failure = exchange->Start(PayloadOf(requestData, requestSize), TtlOf(requestOptions), timeoutMs)) {
        const std::uint32_t replies = WriteAnswer(replyBuffer, replySize, *failure);
        ReturnFromEcho(handle);
        return completion(replies);
    }
    waiter.Add({handle, std::move(exchange), replyBuffer, replySize, std::move(completion)});
}

// A hop limit of 0 would leave the host and be dropped at the first router;
// as the IPv4 TTL of 0, it is refused before it is sent.
std::uint32_t LinuxNetworkServices::Icmp6SendEcho2(IcmpHandle handle, const IPV6_ADDRESS_EX& destination,
                                                   const void* requestData, std::uint16_t requestSize,
                                                   const IP_OPTION_INFORMATION* requestOptions, void* replyBuffer,
                                                   std::uint32_t replySize, std::uint32_t timeoutMs) {
    if (replyBuffer == nullptr || replySize < sizeof(ICMPV6_ECHO_REPLY)) return 0;
    const std::uint8_t hopLimit = TtlOf(requestOptions);
    if ((requestData == nullptr && requestSize != 0) || hopLimit == 0) {
        return WriteEcho6Failure(replyBuffer, replySize, IP_GENERAL_FAILURE);
    }
    const auto socket = TakeForEcho(handle, true);
    if (!socket) return WriteEcho6Failure(replyBuffer, replySize, IP_GENERAL_FAILURE);
    const std::uint32_t replies = RunEcho6(socket->fd, socket->kind, destination, PayloadOf(requestData, requestSize),
                                           hopLimit, timeoutMs, replyBuffer, replySize);
    ReturnFromEcho(handle);
    return replies;
}

EchoWaiter& LinuxNetworkServices::Waiter() {
    std::lock_guard lock(waiterMutex_);
    if (!waiter_) waiter_ = std::make_unique<EchoWaiter>([this](IcmpHandle handle) { ReturnFromEcho(handle); });
    return *waiter_;
}

std::shared_ptr<SweepSocket> LinuxNetworkServices::SweepOf(IcmpHandle handle) const {
    std::lock_guard lock(handlesMutex_);
    const auto entry = sweeps_.find(handle);
    return entry == sweeps_.end() ? nullptr : entry->second;
}

// The sweep's last owner, maybe a send still under way, ends its echoes.
bool LinuxNetworkServices::CloseSweep(IcmpHandle handle) {
    std::shared_ptr<SweepSocket> sweep;
    {
        std::lock_guard lock(handlesMutex_);
        const auto entry = sweeps_.find(handle);
        if (entry == sweeps_.end()) return false;
        sweep = std::move(entry->second);
        sweeps_.erase(entry);
    }
    return true;
}

bool LinuxNetworkServices::IcmpCloseHandle(IcmpHandle handle) {
    if (CloseSweep(handle)) return true;
    std::lock_guard lock(handlesMutex_);
    const auto entry = handles_.find(handle);
    if (entry == handles_.end() || entry->second.closing) return false;
    if (entry->second.inEcho) {
        // Wakes the echo's wait at once; the echo closes the socket when it returns.
        entry->second.closing = true;
        ::shutdown(entry->second.socket.fd, SHUT_RDWR);
        return true;
    }
    KeepIdle(entry->second.socket);
    handles_.erase(entry);
    return true;
}

std::optional<EchoSocket> LinuxNetworkServices::TakeIdleSocket(SocketKind kind, bool ipv6) {
    std::lock_guard lock(handlesMutex_);
    const auto idle = std::find_if(idleSockets_.begin(), idleSockets_.end(), [kind, ipv6](const EchoSocket& socket) {
        return socket.kind == kind && socket.ipv6 == ipv6;
    });
    if (idle == idleSockets_.end()) return std::nullopt;
    const EchoSocket socket = *idle;
    idleSockets_.erase(idle);
    return socket;
}

// Called with handlesMutex_ held.
void LinuxNetworkServices::KeepIdle(EchoSocket socket) {
    if (idleSockets_.size() < kMaxIdleSockets) {
        idleSockets_.push_back(socket);
    } else {
        ::close(socket.fd);
    }
}

std::optional<SocketKind> LinuxNetworkServices::SocketKindOf(IcmpHandle handle) const {
    std::lock_guard lock(handlesMutex_);
    const auto entry = handles_.find(handle);
    if (entry == handles_.end()) return std::nullopt;
    return entry->second.socket.kind;
}

IcmpHandle LinuxNetworkServices::AddHandle(EchoSocket socket) {
    std::lock_guard lock(handlesMutex_);
    const IcmpHandle handle = nextHandle_++;
    handles_.emplace(handle, HandleEntry{socket, false, false});
    return handle;
}

std::optional<EchoSocket> LinuxNetworkServices::TakeForEcho(IcmpHandle handle, bool ipv6) {
    std::lock_guard lock(handlesMutex_);
    const auto entry = handles_.find(handle);
    if (entry == handles_.end() || entry->second.closing || entry->second.inEcho ||
        entry->second.socket.ipv6 != ipv6) {
        return std::nullopt;
    }
    entry->second.inEcho = true;
    return entry->second.socket;
}

void LinuxNetworkServices::ReturnFromEcho(IcmpHandle handle) {
    std::lock_guard lock(handlesMutex_);
    const auto entry = handles_.find(handle);
    if (entry == handles_.end()) return;
    entry->second.inEcho = false;
    if (!entry->second.closing) return;
    ::close(entry->second.socket.fd);
    handles_.erase(entry);
}

std::string LinuxNetworkServices::IcmpPermissionAdvice() const {
    if (!permissionRefused_.load(std::memory_order_relaxed)) return {};
    return "Velmora may not send ICMP echo requests. Allow it with: sudo setcap cap_net_raw+p " + ProgramPath() +
           " (or widen net.ipv4.ping_group_range to include your group).";
}

int LinuxNetworkServices::WSAStartup(std::uint16_t versionRequested, WSADATA& data) {
    data.wHighVersion = kHighestSocketsVersion;
    data.wVersion = VersionRank(versionRequested) < VersionRank(kHighestSocketsVersion) ? versionRequested
                                                                                        : kHighestSocketsVersion;
    data.iMaxSockets = MaxSockets();
    data.iMaxUdpDg = kMaxUdpDatagram;
    startCount_.fetch_add(1);
    pingRefused_.store(false, std::memory_order_relaxed);
    CloseIdleSockets();
    return 0;
}

int LinuxNetworkServices::WSACleanup() {
    int count = startCount_.load();
    do {
        if (count == 0) return -1;
    } while (!startCount_.compare_exchange_weak(count, count - 1));
    return 0;
}

std::optional<std::uint32_t> LinuxNetworkServices::gethostbyname(const std::string& name) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;  // one entry per address
    addrinfo* found = nullptr;
    if (::getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) return std::nullopt;
    const std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> owner(found, &::freeaddrinfo);
    sockaddr_in first{};
    std::memcpy(&first, found->ai_addr, std::min<std::size_t>(found->ai_addrlen, sizeof first));
    return FromInAddr(first.sin_addr);
}

std::optional<IPV6_ADDRESS_EX> LinuxNetworkServices::gethostbyname6(const std::string& name) {
    return LookUpIpv6(name, false);
}

std::optional<IPV6_ADDRESS_EX> LinuxNetworkServices::RtlIpv6StringToAddressEx(const std::string& text) {
    return LookUpIpv6(text, true);
}

std::string LinuxNetworkServices::RtlIpv6AddressToStringEx(const IPV6_ADDRESS_EX& address) {
    return Ipv6Text(address);
}

std::string LinuxNetworkServices::inet_ntoa(std::uint32_t address) {
    return std::to_string(OctetOf(address, 0)) + '.' + std::to_string(OctetOf(address, 1)) + '.' +
           std::to_string(OctetOf(address, 2)) + '.' + std::to_string(OctetOf(address, 3));
}

std::uint32_t LinuxNetworkServices::GetIpNetTable(void* table, std::uint32_t& size, bool sort) {
    return netlink_.GetIpNetTable(table, size, sort);
}

std::uint32_t LinuxNetworkServices::DeleteIpNetEntry(const MIB_IPNETROW& row) { return netlink_.DeleteIpNetEntry(row); }

// The kernel's order (by index) is kept whatever sort asks.
std::uint32_t LinuxNetworkServices::GetIfTable(void* table, std::uint32_t& size, bool) {
    return netlink_.GetIfTable(table, size);
}

}  // namespace velmora

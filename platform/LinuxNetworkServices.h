#pragma once
// The network services over the Linux kernel: ICMP echoes through an
// unprivileged ping socket or a raw socket, the sockets library's start count,
// name look-up through getaddrinfo, and the ARP and interface tables over
// netlink (LinuxNetlink). Echoes may run on several threads at once; what
// they share is three atomics and the table of open handles. Asynchronous
// echoes all wait on one thread of the services' own (EchoWaiter), but a
// sweep's, which share one socket and wait on its thread (SweepSocket).
// ICMPv6 echoes (LinuxIcmp6Echo) share the handles, the socket kinds and the
// idle pool.

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/LinuxNetlink.h"
#include "platform/EchoSocketIo.h"
#include "platform/IcmpParser.h"
#include "platform/NetworkServices.h"

namespace velmora {

// Which echo socket IcmpCreateFile may open. The program uses PingFirst; the
// others let tests exercise each kind on its own.
enum class SocketPreference { PingFirst, RawOnly, PingOnly };

class EchoWaiter;
class SweepSocket;

class LinuxNetworkServices final : public NetworkServices {
public:
    explicit LinuxNetworkServices(SocketPreference preference = SocketPreference::PingFirst);
    // Asynchronous echoes still waiting are dropped: their completions never run.
    ~LinuxNetworkServices() override;
    LinuxNetworkServices(const LinuxNetworkServices&) = delete;
    LinuxNetworkServices& operator=(const LinuxNetworkServices&) = delete;

    IcmpHandle IcmpCreateFile() override;
    IcmpHandle IcmpCreateSweepFile() override;
    std::uint32_t IcmpSendEcho(IcmpHandle handle, std::uint32_t destinationAddress, const void* requestData,
                               std::uint16_t requestSize, const IP_OPTION_INFORMATION* requestOptions,
                               void* replyBuffer, std::uint32_t replySize, std::uint32_t timeoutMs) override;
    void IcmpSendEcho2(IcmpHandle handle, std::function<void(std::uint32_t replies)> completion,
                       std::uint32_t destinationAddress, const void* requestData, std::uint16_t requestSize,
                       const IP_OPTION_INFORMATION* requestOptions, void* replyBuffer, std::uint32_t replySize,
                       std::uint32_t timeoutMs) override;
    bool IcmpCloseHandle(IcmpHandle handle) override;
    std::string IcmpPermissionAdvice() const override;
    IcmpHandle Icmp6CreateFile() override;
    std::uint32_t Icmp6SendEcho2(IcmpHandle handle, const IPV6_ADDRESS_EX& destination, const void* requestData,
                                 std::uint16_t requestSize, const IP_OPTION_INFORMATION* requestOptions,
                                 void* replyBuffer, std::uint32_t replySize, std::uint32_t timeoutMs) override;
    // The kind of socket behind an open handle (the tests ask which one was opened).
    std::optional<icmp::SocketKind> SocketKindOf(IcmpHandle handle) const;

    int WSAStartup(std::uint16_t versionRequested, WSADATA& data) override;
    int WSACleanup() override;

    std::optional<std::uint32_t> gethostbyname(const std::string& name) override;
    std::string inet_ntoa(std::uint32_t address) override;
    std::optional<IPV6_ADDRESS_EX> gethostbyname6(const std::string& name) override;
    std::optional<IPV6_ADDRESS_EX> RtlIpv6StringToAddressEx(const std::string& text) override;
    std::string RtlIpv6AddressToStringEx(const IPV6_ADDRESS_EX& address) override;

    std::uint32_t GetIpNetTable(void* table, std::uint32_t& size, bool sort) override;
    std::uint32_t DeleteIpNetEntry(const MIB_IPNETROW& row) override;
    std::uint32_t GetIfTable(void* table, std::uint32_t& size, bool sort) override;

private:
    // An open handle. Closed while its echo waits, it wakes that wait and the
    // echo closes the socket on its way out, so no descriptor is closed under
    // a thread that still uses it. Closed otherwise, it leaves its socket to
    // serve a later handle: opening and configuring a socket costs more than
    // the echo on loopback.
    struct HandleEntry {
        EchoSocket socket;
        bool inEcho;
        bool closing;
    };

    // A handle on a socket of the preferred kind that works, for IPv4 or IPv6.
    IcmpHandle CreateEchoHandle(bool ipv6);
    IcmpHandle AddHandle(EchoSocket socket);
    std::shared_ptr<SweepSocket> SweepOf(IcmpHandle handle) const;
    bool CloseSweep(IcmpHandle handle);
    // The handle's socket for one echo; nothing when it is unknown, closing,
    // busy or of the other family.
    std::optional<EchoSocket> TakeForEcho(IcmpHandle handle, bool ipv6);
    void ReturnFromEcho(IcmpHandle handle);
    std::optional<EchoSocket> TakeIdleSocket(icmp::SocketKind kind, bool ipv6);
    void KeepIdle(EchoSocket socket);
    void CloseIdleSockets();
    EchoWaiter& Waiter();

    const SocketPreference preference_;
    mutable std::mutex handlesMutex_;
    std::unordered_map<IcmpHandle, HandleEntry> handles_;
    static constexpr std::size_t kMaxIdleSockets = 16;
    std::vector<EchoSocket> idleSockets_;  // configured, of closed handles
    IcmpHandle nextHandle_ = 1;  // never reused: a stale handle finds nothing
    std::atomic<bool> permissionRefused_{false};
    // The group may not open ping sockets (EACCES): go straight to a raw
    // socket until the next WSAStartup.
    std::atomic<bool> pingRefused_{false};
    std::atomic<int> startCount_{0};
    LinuxNetlink netlink_;
    std::mutex waiterMutex_;
    std::unique_ptr<EchoWaiter> waiter_;  // started by the first asynchronous echo
    std::unordered_map<IcmpHandle, std::shared_ptr<SweepSocket>> sweeps_;  // under handlesMutex_
};

}  // namespace velmora

#pragma once
// The network services over the Linux kernel: ICMP echoes through an
// unprivileged ping socket or a raw socket, the sockets library's start count,
// name look-up through getaddrinfo, and the ARP and interface tables over
// netlink (LinuxNetlink). Holds no state an echo shares with
// another beyond three atomics, so echoes may run on several threads at once.

#include <atomic>

#include "platform/LinuxNetlink.h"
#include "platform/NetworkServices.h"

namespace velmora {

// Which echo socket IcmpCreateFile may open. The program uses PingFirst; the
// others let tests exercise each kind on its own.
enum class SocketPreference { PingFirst, RawOnly, PingOnly };

class LinuxNetworkServices final : public NetworkServices {
public:
    explicit LinuxNetworkServices(SocketPreference preference = SocketPreference::PingFirst)
        : preference_(preference) {}

    IcmpHandle IcmpCreateFile() override;
    std::uint32_t IcmpSendEcho(IcmpHandle handle, std::uint32_t destinationAddress, const void* requestData,
                               std::uint16_t requestSize, const IP_OPTION_INFORMATION* requestOptions,
                               void* replyBuffer, std::uint32_t replySize, std::uint32_t timeoutMs) override;
    bool IcmpCloseHandle(IcmpHandle handle) override;
    std::string IcmpPermissionAdvice() const override;

    int WSAStartup(std::uint16_t versionRequested, WSADATA& data) override;
    int WSACleanup() override;

    std::optional<std::uint32_t> gethostbyname(const std::string& name) override;
    std::string inet_ntoa(std::uint32_t address) override;

    std::uint32_t GetIpNetTable(void* table, std::uint32_t& size, bool sort) override;
    std::uint32_t DeleteIpNetEntry(const MIB_IPNETROW& row) override;
    std::uint32_t GetIfTable(void* table, std::uint32_t& size, bool sort) override;

private:
    const SocketPreference preference_;
    std::atomic<bool> permissionRefused_{false};
    // The group may not open ping sockets (EACCES): go straight to a raw
    // socket until the next WSAStartup.
    std::atomic<bool> pingRefused_{false};
    std::atomic<int> startCount_{0};
    LinuxNetlink netlink_;
};

}  // namespace velmora

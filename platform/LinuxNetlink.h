#pragma once
// The kernel's IPv4 neighbour table and link table over rtnetlink
// (libnl-route-3), answered as the platform's ARP and interface tables.
//
// A dump needs no privilege; deleting a neighbour needs CAP_NET_ADMIN. The
// kernel keeps no time of a link's last operational change, so a second
// socket listens to link notifications and is drained at every link-table
// read: a link's LastChange is the time this process saw its state change,
// 0 until it has seen one. Whether a link is wireless and its hardware model
// come from /sys and the hardware database once per link, its speed again
// after every notification about it.
//
// A link's output queue length is its root qdisc's backlog in packets, from
// a qdisc dump that reads within 50 ms of each other share.
//
// The interface table is read once per ARP row, so it must be cheap. A link's
// attributes change only with a notification, so a read dumps the links'
// 64-bit counters alone (RTM_GETSTATS, far less for the kernel to write than
// a link dump) and dumps the links again only after a notification or when
// the set of links differs.
//
// The size query of a table reads it and keeps what it measured; the call
// with the buffer writes that same snapshot, so the two calls agree even when
// the kernel's table changes between them.

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/NetworkServices.h"

struct nl_msg;
struct nl_object;
struct nl_sock;
struct rtnl_link;
struct udev;
struct udev_hwdb;

namespace velmora {

// The rules that turn the kernel's values into the platform's codes.
std::uint32_t ArpEntryType(int neighbourState);                        // NUD_* flags
bool ListedNeighbour(int neighbourState);                              // NUD_* flags
std::uint32_t InterfaceTypeCode(unsigned hardwareType, bool wireless);  // ARPHRD_*
std::uint32_t OperationalStatusCode(std::uint8_t operstate, unsigned flags);  // IF_OPER_*, IFF_*
std::uint32_t NeighbourDeleteAnswer(int netlinkError);                 // 0 or -NLE_*

class LinuxNetlink {
public:
    // Packets waiting in each link's root qdisc, by link index.
    using QueueLengths = std::map<int, std::uint64_t>;

    LinuxNetlink();
    ~LinuxNetlink();
    LinuxNetlink(const LinuxNetlink&) = delete;
    LinuxNetlink& operator=(const LinuxNetlink&) = delete;

    std::uint32_t GetIpNetTable(void* table, std::uint32_t& size, bool sort);
    std::uint32_t DeleteIpNetEntry(const MIB_IPNETROW& row);
    std::uint32_t GetIfTable(void* table, std::uint32_t& size);

private:
    // What is known of one link between reads.
    struct LinkMemory {
        std::string name;
        std::uint8_t operstate = 0;
        std::int64_t lastChangeMs = 0;
        // Read from /sys when first seen and again after each notification
        // for the link: a new speed comes with a carrier change.
        std::optional<std::uint64_t> speed;
        bool wireless = false;
        std::string description;
        MIB_IFROW row;  // everything but the counters, as of the last link dump
    };

    struct SocketDeleter {
        void operator()(nl_sock* socket) const;
    };
    struct UdevDeleter {
        void operator()(udev* handle) const;
        void operator()(udev_hwdb* handle) const;
    };
    using Socket = std::unique_ptr<nl_sock, SocketDeleter>;

    std::optional<std::vector<MIB_IPNETROW>> DumpNeighbours();
    std::optional<std::vector<MIB_IFROW>> DumpLinks();
    bool DumpLinkAttributes();
    void DrainLinkNotifications();
    void NoteOperState(int ifindex, std::uint8_t operstate, std::int64_t nowMs);
    LinkMemory& Remember(int ifindex, const std::string& name);
    std::string HardwareModel(const std::string& name) const;
    int KeepAttributes(rtnl_link* link);
    const QueueLengths& RecentQueueLengths();

    static void OnNeighbour(nl_object* object, void* context);
    static void OnLink(nl_object* object, void* context);
    static int OnNotification(nl_msg* message, void* context);

    std::mutex mutex_;
    Socket requests_;
    Socket notifications_;
    std::unique_ptr<udev, UdevDeleter> udev_;
    std::unique_ptr<udev_hwdb, UdevDeleter> hwdb_;
    std::map<int, LinkMemory> links_;
    std::vector<int> linkOrder_;  // the kernel's order of the last link dump
    // A link notification (or a lost one) since the last link dump: the
    // attributes are dumped again; otherwise a read asks only for counters.
    bool linksStale_ = true;
    std::optional<std::vector<MIB_IPNETROW>> measuredNeighbours_;
    std::optional<std::vector<MIB_IFROW>> measuredLinks_;
    QueueLengths queues_;
    std::int64_t queuesAtMs_ = -1;  // steady clock, -1 before the first qdisc dump
};

}  // namespace velmora

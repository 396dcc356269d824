#include "platform/LinuxNetlink.h"

#include <libudev.h>
#include <linux/if.h>
#include <linux/if_arp.h>
#include <linux/if_link.h>
#include <linux/neighbour.h>
#include <linux/pkt_sched.h>
#include <linux/rtnetlink.h>
#include <netlink/errno.h>
#include <netlink/msg.h>
#include <netlink/netlink.h>
#include <netlink/route/link.h>
#include <netlink/route/neighbour.h>
#include <netlink/route/qdisc.h>
#include <netlink/route/tc.h>
#include <netlink/route/rtnl.h>
#include <netlink/socket.h>
#include <sys/socket.h>

#include <QString>
#include <algorithm>
#include <cstring>
#include <chrono>
#include <filesystem>
#include <fstream>

namespace velmora {

namespace {

// A dump the kernel interrupted because its table changed is asked again.
constexpr int kDumpAttempts = 3;
// Receives per drain at most: notifications arrive only as fast as links change.
constexpr int kMaxDrainReceives = 1000;

std::int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

std::string SysNetFile(const std::string& name, const char* leaf) {
    return "/sys/class/net/" + name + "/" + leaf;
}

// The link speed in bit/s; the kernel gives Mb/s, or -1 (or an error) when unknown.
std::uint64_t LinkSpeed(const std::string& name) {
    std::ifstream file(SysNetFile(name, "speed"));
    long long megabits = 0;
    if (!(file >> megabits) || megabits <= 0) return 0;
    return std::uint64_t(megabits) * 1'000'000;
}

bool IsWireless(const std::string& name) {
    std::error_code error;
    if (std::filesystem::exists(SysNetFile(name, "wireless"), error)) return true;
    std::ifstream uevent(SysNetFile(name, "uevent"));
    for (std::string line; std::getline(uevent, line);) {
        if (line == "DEVTYPE=wlan") return true;
    }
    return false;
}

// The address's first bytes, as many as the record holds.
std::uint32_t CopyAddress(nl_addr* address, std::array<std::uint8_t, MAXLEN_PHYSADDR>& bytes) {
    if (address == nullptr) return 0;
    const auto length = std::min<std::size_t>(nl_addr_get_len(address), bytes.size());
    const auto* data = static_cast<const std::uint8_t*>(nl_addr_get_binary_addr(address));
    std::copy_n(data, length, bytes.begin());
    return std::uint32_t(length);
}

// Host-order key, so that 10.0.0.2 sorts before 10.0.0.10.
std::uint32_t AddressOrder(std::uint32_t address) {
    return std::uint32_t(OctetOf(address, 0)) << 24 | std::uint32_t(OctetOf(address, 1)) << 16 |
           std::uint32_t(OctetOf(address, 2)) << 8 | OctetOf(address, 3);
}

void CopyName(const std::string& name, MIB_IFROW& row) {
    const QString wide = QString::fromUtf8(name.data(), qsizetype(name.size()));
    const auto length = std::min<std::size_t>(std::size_t(wide.size()), row.wszName.size());
    std::copy_n(reinterpret_cast<const char16_t*>(wide.utf16()), length, row.wszName.begin());
}

// UTF-8 text cut to the record's bytes at a character boundary.
void CopyDescription(const std::string& text, MIB_IFROW& row) {
    std::size_t length = std::min(text.size(), row.bDescr.size());
    if (length < text.size()) {
        while (length > 0 && (std::uint8_t(text[length]) & 0xC0) == 0x80) --length;
    }
    std::copy_n(text.begin(), length, row.bDescr.begin());
    row.dwDescrLen = std::uint32_t(length);
}

void CopyCounters(const rtnl_link_stats64& stats, MIB_IFROW& row) {
    row.dwInOctets = stats.rx_bytes;
    row.dwInUcastPkts = stats.rx_packets > stats.multicast ? stats.rx_packets - stats.multicast : 0;
    row.dwInNUcastPkts = stats.multicast;
    row.dwInDiscards = stats.rx_dropped;
    row.dwInErrors = stats.rx_errors;
    row.dwInUnknownProtos = stats.rx_nohandler;
    // The kernel counts no multicast or broadcast packets sent apart from the
    // rest: that counter stays 0. The queue length comes from the qdiscs.
    row.dwOutOctets = stats.tx_bytes;
    row.dwOutUcastPkts = stats.tx_packets;
    row.dwOutDiscards = stats.tx_dropped;
    row.dwOutErrors = stats.tx_errors;
}

// Sends a dump request (its type and body) and hands every answer to onMessage.
bool Dump(nl_sock* socket, int type, const void* body, std::size_t length, int (*onMessage)(nl_msg*, void*),
          void* context) {
    nl_socket_modify_cb(socket, NL_CB_VALID, NL_CB_CUSTOM, onMessage, context);
    const bool done = nl_send_simple(socket, type, NLM_F_DUMP, const_cast<void*>(body), length) >= 0 &&
                      nl_recvmsgs_default(socket) >= 0;
    nl_socket_modify_cb(socket, NL_CB_VALID, NL_CB_DEFAULT, nullptr, nullptr);
    return done;
}

struct ParseContext {
    void (*onObject)(nl_object*, void*);
    void* context;
};

int ParseObjects(nl_msg* message, void* argument) {
    auto* parse = static_cast<ParseContext*>(argument);
    nl_msg_parse(message, parse->onObject, parse->context);
    return NL_OK;
}

// A dump of rtnetlink objects of one family, each handed to onObject.
bool DumpObjects(nl_sock* socket, int type, int family, void (*onObject)(nl_object*, void*), void* context) {
    ParseContext parse{onObject, context};
    const rtgenmsg request{std::uint8_t(family)};
    return Dump(socket, type, &request, sizeof request, &ParseObjects, &parse);
}

using LinkCounters = std::map<int, rtnl_link_stats64>;

int OnCounters(nl_msg* message, void* argument) {
    nlmsghdr* header = nlmsg_hdr(message);
    if (header->nlmsg_type != RTM_NEWSTATS || !nlmsg_valid_hdr(header, sizeof(if_stats_msg))) return NL_OK;
    const auto* info = static_cast<const if_stats_msg*>(nlmsg_data(header));
    rtnl_link_stats64 stats{};
    // Older kernels send a shorter record; newer ones a longer one.
    if (nlattr* found = nlmsg_find_attr(header, sizeof(if_stats_msg), IFLA_STATS_LINK_64)) {
        std::memcpy(&stats, nla_data(found), std::min<std::size_t>(std::size_t(nla_len(found)), sizeof stats));
    }
    (*static_cast<LinkCounters*>(argument))[int(info->ifindex)] = stats;
    return NL_OK;
}

std::optional<LinkCounters> DumpCounters(nl_sock* socket) {
    if_stats_msg request{};
    request.family = AF_UNSPEC;
    request.filter_mask = IFLA_STATS_FILTER_BIT(IFLA_STATS_LINK_64);
    for (int attempt = 0; attempt < kDumpAttempts; ++attempt) {
        LinkCounters counters;
        if (Dump(socket, RTM_GETSTATS, &request, sizeof request, &OnCounters, &counters)) return counters;
    }
    return std::nullopt;
}

// Reads this close together share one qdisc dump.
constexpr std::int64_t kQueueReuseMs = 50;

void OnQdisc(nl_object* object, void* context) {
    auto* qdisc = reinterpret_cast<rtnl_tc*>(object);
    if (rtnl_tc_get_parent(qdisc) != TC_H_ROOT) return;
    (*static_cast<LinuxNetlink::QueueLengths*>(context))[rtnl_tc_get_ifindex(qdisc)] = rtnl_tc_get_stat(qdisc, RTNL_TC_QLEN);
}

// A failed dump leaves every queue length 0: the counters are still worth showing.
LinuxNetlink::QueueLengths DumpQueueLengths(nl_sock* socket) {
    tcmsg request{};
    request.tcm_family = AF_UNSPEC;
    for (int attempt = 0; attempt < kDumpAttempts; ++attempt) {
        LinuxNetlink::QueueLengths lengths;
        ParseContext parse{&OnQdisc, &lengths};
        if (Dump(socket, RTM_GETQDISC, &request, sizeof request, &ParseObjects, &parse)) return lengths;
    }
    return {};
}

bool SameLinks(const LinkCounters& counters, const std::vector<int>& order) {
    return counters.size() == order.size() &&
           std::all_of(order.begin(), order.end(), [&](int ifindex) { return counters.contains(ifindex); });
}

}  // namespace

std::uint32_t ArpEntryType(int state) {
    if (state & (NUD_PERMANENT | NUD_NOARP)) return MIB_IPNET_TYPE_STATIC;
    if (state & (NUD_REACHABLE | NUD_STALE | NUD_DELAY | NUD_PROBE)) return MIB_IPNET_TYPE_DYNAMIC;
    if (state == NUD_NONE || state & (NUD_INCOMPLETE | NUD_FAILED)) return MIB_IPNET_TYPE_INVALID;
    return MIB_IPNET_TYPE_OTHER;
}

// Left out as the neighbour table's usual listing leaves them out: entries
// without a state, and those that need no resolution (the loopback's, a
// multicast group's).
bool ListedNeighbour(int state) { return state != NUD_NONE && (state & NUD_NOARP) == 0; }

std::uint32_t InterfaceTypeCode(unsigned hardwareType, bool wireless) {
    switch (hardwareType) {
        case ARPHRD_ETHER: return wireless ? 71 : 6;
        case ARPHRD_LOOPBACK: return 24;
        case ARPHRD_PPP: return 23;
        case ARPHRD_SLIP:
        case ARPHRD_CSLIP:
        case ARPHRD_SLIP6:
        case ARPHRD_CSLIP6: return 28;
        case ARPHRD_FDDI: return 15;
        case ARPHRD_IEEE802_TR: return 9;
        default: return 1;
    }
}

// The platform's codes: 0 non operational, 1 unreachable, 2 disconnected,
// 3 connecting, 4 connected, 5 operational.
std::uint32_t OperationalStatusCode(std::uint8_t operstate, unsigned flags) {
    const bool up = (flags & IFF_UP) != 0;
    switch (operstate) {
        case IF_OPER_UP: return 5;
        case IF_OPER_DORMANT: return 3;
        case IF_OPER_DOWN:
        case IF_OPER_LOWERLAYERDOWN: return up ? 2 : 0;
        // Drivers that do not track the state (loopback, tunnels) say unknown:
        // up and running counts as operational.
        case IF_OPER_UNKNOWN:
            if (up && (flags & IFF_RUNNING)) return 5;
            return up ? 2 : 0;
        default: return 0;
    }
}

// libnl answers -NLE_* codes; any other refusal is shown with its own code.
std::uint32_t NeighbourDeleteAnswer(int error) {
    const int code = error < 0 ? -error : error;
    switch (code) {
        case 0: return NO_ERROR;
        case NLE_PERM:
        case NLE_NOACCESS: return ERROR_ACCESS_DENIED;
        case NLE_OBJ_NOTFOUND: return ERROR_NOT_FOUND;
        default: return std::uint32_t(code);
    }
}

void LinuxNetlink::SocketDeleter::operator()(nl_sock* socket) const { nl_socket_free(socket); }
void LinuxNetlink::UdevDeleter::operator()(udev* handle) const { udev_unref(handle); }
void LinuxNetlink::UdevDeleter::operator()(udev_hwdb* handle) const { udev_hwdb_unref(handle); }

LinuxNetlink::LinuxNetlink() : udev_(udev_new()) {
    if (udev_) hwdb_.reset(udev_hwdb_new(udev_.get()));

    Socket requests(nl_socket_alloc());
    if (requests && nl_connect(requests.get(), NETLINK_ROUTE) == 0) {
        nl_socket_enable_msg_peek(requests.get());
        requests_ = std::move(requests);
    }
    // Joined before the first dump, so no change after it goes unseen.
    Socket notifications(nl_socket_alloc());
    if (notifications) {
        nl_socket_disable_seq_check(notifications.get());
        nl_socket_modify_cb(notifications.get(), NL_CB_VALID, NL_CB_CUSTOM, &LinuxNetlink::OnNotification, this);
        if (nl_connect(notifications.get(), NETLINK_ROUTE) == 0 &&
            nl_socket_add_membership(notifications.get(), RTNLGRP_LINK) == 0 &&
            nl_socket_set_nonblocking(notifications.get()) == 0) {
            notifications_ = std::move(notifications);
        }
    }
}

LinuxNetlink::~LinuxNetlink() = default;

namespace {

template <typename Row, typename DumpRows>
std::uint32_t AnswerSnapshot(std::optional<std::vector<Row>>& measured, DumpRows dump, void* table,
                             std::uint32_t& size) {
    std::optional<std::vector<Row>> rows = table != nullptr && measured ? std::move(measured) : dump();
    measured.reset();
    if (!rows) {
        size = 0;
        return ERROR_GEN_FAILURE;
    }
    const std::uint32_t answer = AnswerTable(*rows, table, size);
    if (answer == ERROR_INSUFFICIENT_BUFFER) measured = std::move(rows);
    return answer;
}

}  // namespace

std::uint32_t LinuxNetlink::GetIpNetTable(void* table, std::uint32_t& size, bool sort) {
    const std::lock_guard lock(mutex_);
    if (!requests_) {
        size = 0;
        return ERROR_NOT_SUPPORTED;
    }
    return AnswerSnapshot(
        measuredNeighbours_,
        [&] {
            auto rows = DumpNeighbours();
            if (rows && sort) {
                std::stable_sort(rows->begin(), rows->end(), [](const MIB_IPNETROW& a, const MIB_IPNETROW& b) {
                    return AddressOrder(a.dwAddr) < AddressOrder(b.dwAddr);
                });
            }
            return rows;
        },
        table, size);
}

std::uint32_t LinuxNetlink::GetIfTable(void* table, std::uint32_t& size) {
    const std::lock_guard lock(mutex_);
    if (!requests_) {
        size = 0;
        return ERROR_NOT_SUPPORTED;
    }
    return AnswerSnapshot(measuredLinks_, [this] { return DumpLinks(); }, table, size);
}

std::uint32_t LinuxNetlink::DeleteIpNetEntry(const MIB_IPNETROW& row) {
    const std::lock_guard lock(mutex_);
    if (!requests_) return ERROR_NOT_SUPPORTED;
    const std::unique_ptr<rtnl_neigh, decltype(&rtnl_neigh_put)> neighbour(rtnl_neigh_alloc(), &rtnl_neigh_put);
    const std::array<std::uint8_t, 4> octets{OctetOf(row.dwAddr, 0), OctetOf(row.dwAddr, 1), OctetOf(row.dwAddr, 2),
                                             OctetOf(row.dwAddr, 3)};
    const std::unique_ptr<nl_addr, decltype(&nl_addr_put)> address(
        nl_addr_build(AF_INET, octets.data(), octets.size()), &nl_addr_put);
    if (!neighbour || !address) return ERROR_GEN_FAILURE;
    rtnl_neigh_set_family(neighbour.get(), AF_INET);
    rtnl_neigh_set_ifindex(neighbour.get(), int(row.dwIndex));
    rtnl_neigh_set_dst(neighbour.get(), address.get());
    return NeighbourDeleteAnswer(rtnl_neigh_delete(requests_.get(), neighbour.get(), 0));
}

void LinuxNetlink::OnNeighbour(nl_object* object, void* context) {
    auto* neighbour = reinterpret_cast<rtnl_neigh*>(object);
    nl_addr* destination = rtnl_neigh_get_dst(neighbour);
    if (rtnl_neigh_get_family(neighbour) != AF_INET || destination == nullptr ||
        nl_addr_get_len(destination) != 4 || !ListedNeighbour(rtnl_neigh_get_state(neighbour))) {
        return;
    }
    const auto* octets = static_cast<const std::uint8_t*>(nl_addr_get_binary_addr(destination));
    MIB_IPNETROW row;
    row.dwIndex = std::uint32_t(rtnl_neigh_get_ifindex(neighbour));
    row.dwPhysAddrLen = CopyAddress(rtnl_neigh_get_lladdr(neighbour), row.bPhysAddr);
    row.dwAddr = AddressFromOctets(octets[0], octets[1], octets[2], octets[3]);
    row.dwType = ArpEntryType(rtnl_neigh_get_state(neighbour));
    static_cast<std::vector<MIB_IPNETROW>*>(context)->push_back(row);
}

std::optional<std::vector<MIB_IPNETROW>> LinuxNetlink::DumpNeighbours() {
    for (int attempt = 0; attempt < kDumpAttempts; ++attempt) {
        std::vector<MIB_IPNETROW> rows;
        if (DumpObjects(requests_.get(), RTM_GETNEIGH, AF_INET, &LinuxNetlink::OnNeighbour, &rows)) return rows;
    }
    return std::nullopt;
}

void LinuxNetlink::OnLink(nl_object* object, void* context) {
    auto* dump = static_cast<std::pair<LinuxNetlink*, std::vector<int>>*>(context);
    dump->second.push_back(dump->first->KeepAttributes(reinterpret_cast<rtnl_link*>(object)));
}

bool LinuxNetlink::DumpLinkAttributes() {
    for (int attempt = 0; attempt < kDumpAttempts; ++attempt) {
        std::pair<LinuxNetlink*, std::vector<int>> dump{this, {}};
        if (!DumpObjects(requests_.get(), RTM_GETLINK, AF_UNSPEC, &LinuxNetlink::OnLink, &dump)) continue;
        linkOrder_ = std::move(dump.second);
        std::erase_if(links_, [&](const auto& entry) {
            return std::find(linkOrder_.begin(), linkOrder_.end(), entry.first) == linkOrder_.end();
        });
        linksStale_ = false;
        return true;
    }
    return false;
}

std::optional<std::vector<MIB_IFROW>> LinuxNetlink::DumpLinks() {
    DrainLinkNotifications();
    if (linksStale_ && !DumpLinkAttributes()) return std::nullopt;
    std::optional<LinkCounters> counters = DumpCounters(requests_.get());
    // A link came or went without a notification seen yet.
    if (counters && !SameLinks(*counters, linkOrder_)) {
        if (!DumpLinkAttributes()) return std::nullopt;
        counters = DumpCounters(requests_.get());
    }
    if (!counters) return std::nullopt;
    const QueueLengths& queues = RecentQueueLengths();
    std::vector<MIB_IFROW> rows;
    rows.reserve(linkOrder_.size());
    for (const int ifindex : linkOrder_) {
        rows.push_back(links_[ifindex].row);
        if (const auto found = counters->find(ifindex); found != counters->end()) CopyCounters(found->second, rows.back());
        if (const auto found = queues.find(ifindex); found != queues.end()) rows.back().dwOutQLen = found->second;
    }
    return rows;
}

// A refresh of the ARP window reads the table once per row, within a few
// milliseconds; a queue changes faster than anyone reads it in any case.
const LinuxNetlink::QueueLengths& LinuxNetlink::RecentQueueLengths() {
    const auto nowMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::steady_clock::now().time_since_epoch())
                           .count();
    if (queuesAtMs_ < 0 || nowMs - queuesAtMs_ >= kQueueReuseMs) {
        queues_ = DumpQueueLengths(requests_.get());
        queuesAtMs_ = nowMs;
    }
    return queues_;
}

// Records the link's attributes for the reads until the next notification; its index.
int LinuxNetlink::KeepAttributes(rtnl_link* link) {
    const int ifindex = rtnl_link_get_ifindex(link);
    const char* kernelName = rtnl_link_get_name(link);
    const std::string name = kernelName ? kernelName : "";
    const unsigned flags = rtnl_link_get_flags(link);
    NoteOperState(ifindex, rtnl_link_get_operstate(link), NowMs());
    LinkMemory& memory = Remember(ifindex, name);
    if (!memory.speed) memory.speed = LinkSpeed(name);

    MIB_IFROW row;
    CopyName(name, row);
    row.dwIndex = std::uint32_t(ifindex);
    row.dwType = InterfaceTypeCode(rtnl_link_get_arptype(link), memory.wireless);
    row.dwMtu = rtnl_link_get_mtu(link);
    row.dwSpeed = *memory.speed;
    // The kernel gives the loopback six zero bytes; it has no adapter address.
    if (rtnl_link_get_arptype(link) != ARPHRD_LOOPBACK) {
        row.dwPhysAddrLen = CopyAddress(rtnl_link_get_addr(link), row.bPhysAddr);
    }
    row.dwAdminStatus = (flags & IFF_UP) != 0 ? 1 : 2;
    row.dwOperStatus = OperationalStatusCode(rtnl_link_get_operstate(link), flags);
    row.dwLastChange = memory.lastChangeMs;
    CopyDescription(memory.description, row);
    memory.row = row;
    return ifindex;
}

// A link seen for the first time has no known change; a state that differs
// from the last one seen is a change, timed now.
void LinuxNetlink::NoteOperState(int ifindex, std::uint8_t operstate, std::int64_t nowMs) {
    const auto [entry, first] = links_.try_emplace(ifindex);
    LinkMemory& memory = entry->second;
    if (!first && memory.operstate != operstate) memory.lastChangeMs = nowMs;
    memory.operstate = operstate;
}

// The facts of a link that do not change while it keeps its name.
LinuxNetlink::LinkMemory& LinuxNetlink::Remember(int ifindex, const std::string& name) {
    LinkMemory& memory = links_[ifindex];
    if (memory.name != name || memory.description.empty()) {
        memory.name = name;
        memory.speed.reset();
        memory.wireless = IsWireless(name);
        const std::string model = HardwareModel(name);
        memory.description = model.empty() ? name : name + " - " + model;
    }
    return memory;
}

// "Vendor Model" of the adapter from the hardware database, or empty.
std::string LinuxNetlink::HardwareModel(const std::string& name) const {
    if (!udev_) return {};
    const std::unique_ptr<udev_device, decltype(&udev_device_unref)> device(
        udev_device_new_from_subsystem_sysname(udev_.get(), "net", name.c_str()), &udev_device_unref);
    if (!device) return {};
    std::string vendor, model;
    const auto take = [&](const char* key, const char* value) {
        if (value == nullptr) return;
        if (std::string_view(key) == "ID_VENDOR_FROM_DATABASE" && vendor.empty()) vendor = value;
        if (std::string_view(key) == "ID_MODEL_FROM_DATABASE" && model.empty()) model = value;
    };
    take("ID_VENDOR_FROM_DATABASE", udev_device_get_property_value(device.get(), "ID_VENDOR_FROM_DATABASE"));
    take("ID_MODEL_FROM_DATABASE", udev_device_get_property_value(device.get(), "ID_MODEL_FROM_DATABASE"));
    // Without udev's own database (no udevd), ask the hardware database with
    // the modalias of the nearest parent that has one.
    if (model.empty() && hwdb_) {
        for (udev_device* parent = udev_device_get_parent(device.get()); parent != nullptr;
             parent = udev_device_get_parent(parent)) {
            const char* modalias = udev_device_get_property_value(parent, "MODALIAS");
            if (modalias == nullptr) continue;
            udev_list_entry* entry = udev_hwdb_get_properties_list_entry(hwdb_.get(), modalias, 0);
            for (; entry != nullptr; entry = udev_list_entry_get_next(entry)) {
                take(udev_list_entry_get_name(entry), udev_list_entry_get_value(entry));
            }
            break;
        }
    }
    if (model.empty()) return {};
    return vendor.empty() ? model : vendor + " " + model;
}

int LinuxNetlink::OnNotification(nl_msg* message, void* context) {
    auto* self = static_cast<LinuxNetlink*>(context);
    const int type = nlmsg_hdr(message)->nlmsg_type;
    struct Seen {
        LinuxNetlink* self;
        int type;
    } seen{self, type};
    nl_msg_parse(
        message,
        [](nl_object* object, void* argument) {
            const auto* what = static_cast<Seen*>(argument);
            auto* link = reinterpret_cast<rtnl_link*>(object);
            if (what->type == RTM_DELLINK) {
                what->self->links_.erase(rtnl_link_get_ifindex(link));
            } else {
                what->self->NoteOperState(rtnl_link_get_ifindex(link), rtnl_link_get_operstate(link), NowMs());
                what->self->links_[rtnl_link_get_ifindex(link)].speed.reset();
            }
            what->self->linksStale_ = true;
        },
        &seen);
    return NL_OK;
}

void LinuxNetlink::DrainLinkNotifications() {
    if (!notifications_) return;
    // Until the socket has nothing more. A full receive queue (ENOBUFS) lost
    // some notifications: the dump's comparison makes up for the states, and
    // every speed is read again.
    for (int receive = 0; receive < kMaxDrainReceives; ++receive) {
        const int result = nl_recvmsgs_default(notifications_.get());
        if (result == -NLE_NOMEM) {
            linksStale_ = true;
            for (auto& entry : links_) entry.second.speed.reset();
        } else if (result < 0) {
            return;
        }
    }
}

}  // namespace velmora

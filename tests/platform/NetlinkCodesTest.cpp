// The rules that turn the kernel's neighbour states, hardware types, operstates
// and netlink errors into the platform's codes.

#include <gtest/gtest.h>
#include <linux/if.h>
#include <linux/if_arp.h>
#include <linux/neighbour.h>
#include <netlink/errno.h>

#include "platform/LinuxNetlink.h"

namespace velmora {
namespace {

TEST(NetlinkCodes, MapAsTheCallersExpect) {
    const struct {
        const char* name;
        std::uint32_t code;
        std::uint32_t expected;
    } rows[] = {
        {"PermanentIsStatic", ArpEntryType(NUD_PERMANENT), 4},
        {"NoArpIsStatic", ArpEntryType(NUD_NOARP), 4},
        {"ReachableIsDynamic", ArpEntryType(NUD_REACHABLE), 3},
        {"StaleIsDynamic", ArpEntryType(NUD_STALE), 3},
        {"DelayIsDynamic", ArpEntryType(NUD_DELAY), 3},
        {"ProbeIsDynamic", ArpEntryType(NUD_PROBE), 3},
        {"IncompleteIsInvalid", ArpEntryType(NUD_INCOMPLETE), 2},
        {"FailedIsInvalid", ArpEntryType(NUD_FAILED), 2},
        {"NoneIsInvalid", ArpEntryType(NUD_NONE), 2},
        {"UnknownStateIsOther", ArpEntryType(0x4000), 1},
        {"Ethernet", InterfaceTypeCode(ARPHRD_ETHER, false), 6},
        {"Wireless", InterfaceTypeCode(ARPHRD_ETHER, true), 71},
        {"Loopback", InterfaceTypeCode(ARPHRD_LOOPBACK, false), 24},
        {"Ppp", InterfaceTypeCode(ARPHRD_PPP, false), 23},
        {"Slip", InterfaceTypeCode(ARPHRD_CSLIP, false), 28},
        {"Tunnel", InterfaceTypeCode(ARPHRD_NONE, false), 1},
        {"Up", OperationalStatusCode(IF_OPER_UP, IFF_UP | IFF_RUNNING), 5},
        {"UnknownButRunning", OperationalStatusCode(IF_OPER_UNKNOWN, IFF_UP | IFF_RUNNING), 5},
        {"UnknownAndDown", OperationalStatusCode(IF_OPER_UNKNOWN, 0), 0},
        {"AdminDown", OperationalStatusCode(IF_OPER_DOWN, 0), 0},
        {"NoCarrier", OperationalStatusCode(IF_OPER_DOWN, IFF_UP), 2},
        {"LowerLayerDown", OperationalStatusCode(IF_OPER_LOWERLAYERDOWN, IFF_UP), 2},
        {"Dormant", OperationalStatusCode(IF_OPER_DORMANT, IFF_UP), 3},
        {"Deleted", NeighbourDeleteAnswer(0), 0},
        {"NotPermitted", NeighbourDeleteAnswer(-NLE_PERM), 5},
        {"NotFound", NeighbourDeleteAnswer(-NLE_OBJ_NOTFOUND), 1168},
        {"OtherErrorKeepsItsCode", NeighbourDeleteAnswer(-NLE_NODEV), std::uint32_t(NLE_NODEV)},
    };
    for (const auto& row : rows) EXPECT_EQ(row.code, row.expected) << row.name;
}

// The neighbour table's usual listing leaves out entries without a state and
// those needing no resolution, such as the loopback's.
TEST(NetlinkCodes, NeighboursListedAreThoseTheUsualListingShows) {
    const struct {
        const char* name;
        int state;
        bool listed;
    } rows[] = {
        {"reachable", NUD_REACHABLE, true},   {"stale", NUD_STALE, true},         {"delay", NUD_DELAY, true},
        {"probe", NUD_PROBE, true},           {"incomplete", NUD_INCOMPLETE, true}, {"failed", NUD_FAILED, true},
        {"permanent", NUD_PERMANENT, true},   {"noarp", NUD_NOARP, false},       {"none", NUD_NONE, false},
        {"noarp with another bit", NUD_NOARP | NUD_PERMANENT, false},
    };
    for (const auto& row : rows) EXPECT_EQ(ListedNeighbour(row.state), row.listed) << row.name;
}

}  // namespace
}  // namespace velmora

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

struct CodeCase {
    const char* name;
    std::uint32_t code;
    std::uint32_t expected;
};

class NetlinkCodes : public testing::TestWithParam<CodeCase> {};

TEST_P(NetlinkCodes, MapAsTheCallersExpect) { EXPECT_EQ(GetParam().code, GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Rows, NetlinkCodes,
    testing::Values(
        CodeCase{"PermanentIsStatic", ArpEntryType(NUD_PERMANENT), 4},
        CodeCase{"NoArpIsStatic", ArpEntryType(NUD_NOARP), 4},
        CodeCase{"ReachableIsDynamic", ArpEntryType(NUD_REACHABLE), 3},
        CodeCase{"StaleIsDynamic", ArpEntryType(NUD_STALE), 3},
        CodeCase{"DelayIsDynamic", ArpEntryType(NUD_DELAY), 3},
        CodeCase{"ProbeIsDynamic", ArpEntryType(NUD_PROBE), 3},
        CodeCase{"IncompleteIsInvalid", ArpEntryType(NUD_INCOMPLETE), 2},
        CodeCase{"FailedIsInvalid", ArpEntryType(NUD_FAILED), 2},
        CodeCase{"NoneIsInvalid", ArpEntryType(NUD_NONE), 2},
        CodeCase{"UnknownStateIsOther", ArpEntryType(0x4000), 1},
        CodeCase{"Ethernet", InterfaceTypeCode(ARPHRD_ETHER, false), 6},
        CodeCase{"Wireless", InterfaceTypeCode(ARPHRD_ETHER, true), 71},
        CodeCase{"Loopback", InterfaceTypeCode(ARPHRD_LOOPBACK, false), 24},
        CodeCase{"Ppp", InterfaceTypeCode(ARPHRD_PPP, false), 23},
        CodeCase{"Slip", InterfaceTypeCode(ARPHRD_CSLIP, false), 28},
        CodeCase{"Tunnel", InterfaceTypeCode(ARPHRD_NONE, false), 1},
        CodeCase{"Up", OperationalStatusCode(IF_OPER_UP, IFF_UP | IFF_RUNNING), 5},
        CodeCase{"UnknownButRunning", OperationalStatusCode(IF_OPER_UNKNOWN, IFF_UP | IFF_RUNNING), 5},
        CodeCase{"UnknownAndDown", OperationalStatusCode(IF_OPER_UNKNOWN, 0), 0},
        CodeCase{"AdminDown", OperationalStatusCode(IF_OPER_DOWN, 0), 0},
        CodeCase{"NoCarrier", OperationalStatusCode(IF_OPER_DOWN, IFF_UP), 2},
        CodeCase{"LowerLayerDown", OperationalStatusCode(IF_OPER_LOWERLAYERDOWN, IFF_UP), 2},
        CodeCase{"Dormant", OperationalStatusCode(IF_OPER_DORMANT, IFF_UP), 3},
        CodeCase{"Deleted", NeighbourDeleteAnswer(0), 0},
        CodeCase{"NotPermitted", NeighbourDeleteAnswer(-NLE_PERM), 5},
        CodeCase{"NotFound", NeighbourDeleteAnswer(-NLE_OBJ_NOTFOUND), 1168},
        CodeCase{"OtherErrorKeepsItsCode", NeighbourDeleteAnswer(-NLE_NODEV), std::uint32_t(NLE_NODEV)}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velmora

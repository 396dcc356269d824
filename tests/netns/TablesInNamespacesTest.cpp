// The real ARP and interface tables over netlink, inside the lab's client
// namespace: entries made with `ip neigh`, their delete with and without the
// right to, and the client's veth with its address, state and counters.

#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "interfaces/CIpHelper.h"
#include "platform/LinuxNetworkServices.h"
#include "tests/netns/LabSuite.h"
#include "tests/support/FakeUiServices.h"

namespace velmora::test {
namespace {

constexpr std::uint32_t kPermanent = AddressFromOctets(10, 77, 1, 50);
constexpr std::uint32_t kReachable = AddressFromOctets(10, 77, 1, 51);

template <typename Row>
std::vector<Row> ReadTable(std::uint32_t (NetworkServices::*read)(void*, std::uint32_t&, bool), NetworkServices& net,
                           bool sort) {
    std::uint32_t size = 0;
    (net.*read)(nullptr, size, sort);
    std::vector<std::uint8_t> buffer(size);
    EXPECT_EQ((net.*read)(buffer.data(), size, sort), NO_ERROR);
    std::uint32_t count = 0;
    std::memcpy(&count, buffer.data(), sizeof count);
    std::vector<Row> rows(count);
    std::memcpy(rows.data(), buffer.data() + sizeof count, count * sizeof(Row));
    return rows;
}

std::vector<MIB_IPNETROW> ArpRows(NetworkServices& net) {
    return ReadTable<MIB_IPNETROW>(&NetworkServices::GetIpNetTable, net, true);
}

std::uint32_t HostOrder(std::uint32_t address) {
    return std::uint32_t(OctetOf(address, 0)) << 24 | std::uint32_t(OctetOf(address, 1)) << 16 |
           std::uint32_t(OctetOf(address, 2)) << 8 | OctetOf(address, 3);
}

const MIB_IPNETROW* Find(const std::vector<MIB_IPNETROW>& rows, std::uint32_t address) {
    const auto it = std::find_if(rows.begin(), rows.end(), [&](const auto& r) { return r.dwAddr == address; });
    return it == rows.end() ? nullptr : &*it;
}

CInterface Link(NetworkServices& net, const std::string& name) {
    FakeUiServices ui;
    CIpHelper helper(net, ui);
    for (const CInterface& record : helper.Interfaces()) {
        if (record.InterfaceName == name) return record;
    }
    ADD_FAILURE() << "no link " << name;
    return {};
}

bool DropNetAdmin() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};
    if (::syscall(SYS_capget, &header, data) != 0) return false;
    data[CAP_TO_INDEX(CAP_NET_ADMIN)].effective &= ~CAP_TO_MASK(CAP_NET_ADMIN);
    return ::syscall(SYS_capset, &header, data) == 0;
}

class TablesInNamespaces : public LabSuite<> {
protected:
    void Shell(const std::string& command) const {
        ASSERT_EQ(std::system((command + " >/dev/null").c_str()), 0) << command;
    }
    std::string Client() const { return "ip -n " + lab_->Name(Node::Client) + " "; }
};

TEST_F(TablesInNamespaces, NeighboursReadBackWithTypesNamesAndAddressesAndOneIsDeleted) {
    Shell(Client() + "neigh replace 10.77.1.50 lladdr 00:0a:95:9d:68:16 dev c0 nud permanent");
    Shell(Client() + "neigh replace 10.77.1.51 lladdr 02:00:00:00:00:51 dev c0 nud reachable");
    lab_->RunIn(Node::Client, [] {
        LinuxNetworkServices net;
        const auto rows = ArpRows(net);
        EXPECT_TRUE(std::is_sorted(rows.begin(), rows.end(), [](const auto& a, const auto& b) {
            return HostOrder(a.dwAddr) < HostOrder(b.dwAddr);
        }));
        const MIB_IPNETROW* permanent = Find(rows, kPermanent);
        const MIB_IPNETROW* reachable = Find(rows, kReachable);
        ASSERT_TRUE(permanent && reachable);
        EXPECT_EQ(permanent->dwType, MIB_IPNET_TYPE_STATIC);
        EXPECT_EQ(reachable->dwType, MIB_IPNET_TYPE_DYNAMIC);
        ASSERT_EQ(permanent->dwPhysAddrLen, 6u);
        EXPECT_EQ(AdapterAddressText(permanent->bPhysAddr.data(), 6), "00-A-95-9D-68-16");
        EXPECT_EQ(Link(net, "c0").InterfaceIndex, permanent->dwIndex);

        EXPECT_EQ(net.DeleteIpNetEntry(*permanent), NO_ERROR);
        const auto after = ArpRows(net);
        EXPECT_EQ(Find(after, kPermanent), nullptr);
        EXPECT_NE(Find(after, kReachable), nullptr);
        EXPECT_EQ(net.DeleteIpNetEntry(*permanent), ERROR_NOT_FOUND);
    });
}

TEST_F(TablesInNamespaces, DeleteWithoutTheRightIsRefusedWithFive) {
    Shell(Client() + "neigh replace 10.77.1.52 lladdr 02:00:00:00:00:52 dev c0 nud permanent");
    lab_->RunIn(Node::Client, [] {
        // capset acts on this thread only; the sockets take its rights when made.
        ASSERT_TRUE(DropNetAdmin());
        LinuxNetworkServices net;
        const auto rows = ArpRows(net);
        const MIB_IPNETROW* entry = Find(rows, AddressFromOctets(10, 77, 1, 52));
        ASSERT_NE(entry, nullptr) << "a dump needs no privilege";
        EXPECT_EQ(net.DeleteIpNetEntry(*entry), ERROR_ACCESS_DENIED);
        EXPECT_NE(Find(ArpRows(net), entry->dwAddr), nullptr);
    });
}

TEST_F(TablesInNamespaces, TheVethShowsItsAddressStateAndGrowingCounters) {
    Shell(Client() + "link set c0 address 02:77:01:00:00:02");
    lab_->RunIn(Node::Client, [] {
        LinuxNetworkServices net;
        const CInterface before = Link(net, "c0");
        EXPECT_EQ(before.AdapterAddress, "2-77-1-00-00-2");
        EXPECT_EQ(before.MaximumTransmissionUnit, 1500u);
        EXPECT_EQ(before.InterfaceType, 6u);
        EXPECT_EQ(before.AdminStatus, 1u);
        EXPECT_EQ(before.OperationalStatus, 5u);
        EXPECT_EQ(before.InterfaceDescription, "c0");
        EXPECT_EQ(before.LastChange, DateTime{}) << "no change seen yet";
        const CInterface loopback = Link(net, "lo");
        EXPECT_EQ(loopback.InterfaceType, 24u);
        EXPECT_EQ(loopback.AdapterAddress, "") << "the loopback has no adapter address";

        const std::vector<std::uint8_t> payload(1000, 0x61);
        IP_OPTION_INFORMATION options;
        options.Ttl = 64;
        for (int i = 0; i < 3; ++i) {
            ReplyRecord reply{};
            const IcmpHandle handle = net.IcmpCreateFile();
            EXPECT_EQ(net.IcmpSendEcho(handle, kRouter, payload.data(), std::uint16_t(payload.size()), &options,
                                       &reply, kReplyBufferSize, 1000),
                      1u);
            net.IcmpCloseHandle(handle);
        }
        const CInterface after = Link(net, "c0");
        EXPECT_GE(after.OctetsSent, before.OctetsSent + 3 * payload.size());
        EXPECT_GE(after.OctetsReceived, before.OctetsReceived + 3 * payload.size());
        EXPECT_GE(after.UnicastPacketsSent, before.UnicastPacketsSent + 3);
    });
}

// Between notifications a read asks the kernel for counters only: what a
// notification announces must show at the next read all the same.
TEST_F(TablesInNamespaces, ChangedAndNewLinksShowAtTheNextRead) {
    lab_->RunIn(Node::Client, [this] {
        LinuxNetworkServices net;
        ASSERT_EQ(Link(net, "c0").MaximumTransmissionUnit, 1500u);
        Shell(Client() + "link set c0 mtu 1400");
        const CInterface changed = Link(net, "c0");
        Shell(Client() + "link add x0 type veth peer name x1");
        const CInterface added = Link(net, "x1");
        Shell(Client() + "link set c0 mtu 1500");
        Shell(Client() + "link del x0");
        EXPECT_EQ(changed.MaximumTransmissionUnit, 1400u);
        EXPECT_EQ(added.AdminStatus, 2u);
    });
}

TEST_F(TablesInNamespaces, AnOperationalChangeSeenIsTimed) {
    lab_->RunIn(Node::Client, [this] {
        LinuxNetworkServices net;
        ASSERT_EQ(Link(net, "c0").LastChange, DateTime{});
        const auto started = std::chrono::system_clock::now();
        Shell(Client() + "link set c0 down");
        // The kernel reports the new state through its link watcher, a moment later.
        CInterface down;
        for (int attempt = 0; attempt < 100 && (down = Link(net, "c0")).OperationalStatus != 0; ++attempt) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        Shell(Client() + "link set c0 up");
        EXPECT_EQ(down.OperationalStatus, 0u);
        EXPECT_EQ(down.AdminStatus, 2u);
        EXPECT_GE(down.LastChange, std::chrono::time_point_cast<DateTime::duration>(started) -
                                       std::chrono::milliseconds(1));
    });
}

}  // namespace
}  // namespace velmora::test

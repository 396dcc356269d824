// The real ARP and interface tables over netlink, inside the lab's client
// namespace, through the readers the windows use: entries made with
// `ip neigh` and their delete with and without the right to, and the
// client's veth with its address, state, counters and the changes it goes
// through.

#include <linux/capability.h>
#include <sys/syscall.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "arp_table/ArpTableReader.h"
#include "interfaces/CIpHelper.h"
#include "platform/LinuxNetworkServices.h"
#include "tests/netns/LabSuite.h"
#include "tests/support/FakeUiServices.h"

namespace velmora::test {
namespace {

// Where `address` stands among the rows; rows.size() when it is not there.
std::size_t Place(const std::vector<ArpRow>& rows, const char* address) {
    return std::size_t(
        std::find_if(rows.begin(), rows.end(), [&](const ArpRow& r) { return r.texts[1] == address; }) -
        rows.begin());
}

CInterface Link(NetworkServices& net, const std::string& name) {
    FakeUiServices ui;
    for (const CInterface& record : CIpHelper(net, ui).Interfaces()) {
        if (record.InterfaceName == name) return record;
    }
    ADD_FAILURE() << "no link " << name;
    return {};
}

class TablesInNamespaces : public LabSuite<> {
protected:
    void Shell(const std::string& command) const {
        ASSERT_EQ(std::system(("ip -n " + lab_->Name(Node::Client) + " " + command + " >/dev/null").c_str()), 0)
            << command;
    }

    FakeUiServices ui;
};

// Sorted by address, not by its bytes in memory: 10.77.1.50 before 10.77.2.49.
TEST_F(TablesInNamespaces, NeighboursReadBackSortedWithTheirTextsAndADeleteNeedsTheRight) {
    Shell("neigh replace 10.77.2.49 lladdr 02:00:00:00:00:49 dev c0 nud reachable");
    Shell("neigh replace 10.77.1.50 lladdr 00:0a:95:9d:68:16 dev c0 nud permanent");
    lab_->RunIn(Node::Client, [this] {
        LinuxNetworkServices net;
        ArpTableReader reader(net, ui);
        const auto rows = reader.GetArpTabel();
        const std::size_t permanent = Place(rows, "10.77.1.50");
        ASSERT_LT(Place(rows, "10.77.2.49"), rows.size());
        EXPECT_LT(permanent, Place(rows, "10.77.2.49"));
        EXPECT_EQ(rows[permanent].texts, (std::array<std::string, 4>{"c0", "10.77.1.50", "0.A.95.9D.68.16", "Static"}));
        EXPECT_EQ(rows[Place(rows, "10.77.2.49")].texts[3], "Dynamic");

        EXPECT_TRUE(reader.DeleteArpEntry(rows[permanent].key));
        const auto after = reader.GetArpTabel();
        EXPECT_EQ(Place(after, "10.77.1.50"), after.size());
        EXPECT_LT(Place(after, "10.77.2.49"), after.size());
        EXPECT_TRUE(ui.boxes.empty());
        EXPECT_FALSE(reader.DeleteArpEntry(rows[permanent].key));
        ASSERT_EQ(ui.boxes.size(), 1u);
        EXPECT_EQ(ui.boxes[0].title, "Error #1168") << "not found";
    });
    lab_->RunIn(Node::Client, [this] {
        // capset acts on this thread only; the sockets take its rights when made.
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};
        ASSERT_EQ(::syscall(SYS_capget, &header, data), 0);
        data[CAP_TO_INDEX(CAP_NET_ADMIN)].effective &= ~CAP_TO_MASK(CAP_NET_ADMIN);
        ASSERT_EQ(::syscall(SYS_capset, &header, data), 0);
        LinuxNetworkServices net;
        ArpTableReader reader(net, ui);
        const auto rows = reader.GetArpTabel();
        ASSERT_LT(Place(rows, "10.77.2.49"), rows.size()) << "a dump needs no privilege";
        EXPECT_FALSE(reader.DeleteArpEntry(rows[Place(rows, "10.77.2.49")].key));
        ASSERT_EQ(ui.boxes.size(), 2u);
        EXPECT_EQ(ui.boxes[1].title, "Error #5");
        const auto after = reader.GetArpTabel();
        EXPECT_LT(Place(after, "10.77.2.49"), after.size());
    });
}

// Between notifications a read asks the kernel for counters only: what a
// notification announces must show at the next read all the same.
TEST_F(TablesInNamespaces, TheVethShowsItsAddressStateAndCountersAndChangesShowAtTheNextRead) {
    Shell("link set c0 address 02:77:01:00:00:02");
    lab_->RunIn(Node::Client, [this] {
        LinuxNetworkServices net;
        const CInterface veth = Link(net, "c0");
        EXPECT_EQ(veth.AdapterAddress, "2-77-1-00-00-2");
        EXPECT_EQ(veth.MaximumTransmissionUnit, 1500u);
        EXPECT_EQ(veth.InterfaceType, 6u);
        EXPECT_EQ(veth.AdminStatus, 1u);
        EXPECT_EQ(veth.OperationalStatus, 5u);
        EXPECT_EQ(veth.InterfaceDescription, "c0");
        EXPECT_EQ(veth.LastChange, DateTime{}) << "no change seen yet";
        const CInterface loopback = Link(net, "lo");
        EXPECT_EQ(loopback.InterfaceType, 24u);
        EXPECT_EQ(loopback.AdapterAddress, "") << "the loopback has no adapter address";

        const std::vector<std::uint8_t> payload(1000, 0x61);
        IP_OPTION_INFORMATION options;
        options.Ttl = 64;
        for (int i = 0; i < 3; ++i) {
            ReplyRecord reply{};
            const IcmpHandle handle = net.IcmpCreateFile();
            EXPECT_EQ(net.IcmpSendEcho(handle, kRouter, payload.data(), 1000, &options, &reply, kReplyBufferSize, 1000),
                      1u);
            net.IcmpCloseHandle(handle);
        }
        const CInterface echoed = Link(net, "c0");
        EXPECT_GE(echoed.OctetsReceived, veth.OctetsReceived + 3000);
        EXPECT_GE(echoed.OctetsSent, veth.OctetsSent + 3000);

        Shell("link set c0 mtu 1400");
        const CInterface changed = Link(net, "c0");
        Shell("link add x0 type veth peer name x1");
        const CInterface added = Link(net, "x1");
        Shell("link set c0 mtu 1500");
        Shell("link del x0");
        EXPECT_EQ(changed.MaximumTransmissionUnit, 1400u);
        EXPECT_EQ(added.AdminStatus, 2u);

        const auto started = std::chrono::time_point_cast<DateTime::duration>(std::chrono::system_clock::now());
        Shell("link set c0 down");
        // The kernel reports the new state through its link watcher, a moment later.
        CInterface down;
        for (int attempt = 0; attempt < 100 && (down = Link(net, "c0")).OperationalStatus != 0; ++attempt) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        Shell("link set c0 up");
        EXPECT_EQ(down.OperationalStatus, 0u);
        EXPECT_EQ(down.AdminStatus, 2u);
        EXPECT_GE(down.LastChange, started - std::chrono::milliseconds(1));
    });
}

}  // namespace
}  // namespace velmora::test

// The real ARP and interface tables over netlink, inside the lab's client
// namespace, through the readers and the window the user sees: entries made
// with `ip neigh` and their delete with and without the right to, the
// client's veth with its address, state and the changes it goes through, and
// the interface window's counters moving with echoes across the veth.

#include <QComboBox>
#include <QLabel>
#include <QTreeWidget>
#include <linux/capability.h>
#include <sys/syscall.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "arp_table/ArpTableReader.h"
#include "interfaces/frmInterfaceInfo.h"
#include "platform/LinuxNetworkServices.h"
#include "tests/main_window/WindowTesting.h"
#include "tests/netns/LabSuite.h"

namespace velmora::test {
namespace {

std::uint32_t HostOrder(std::uint32_t address) {
    return std::uint32_t(OctetOf(address, 0)) << 24 | std::uint32_t(OctetOf(address, 1)) << 16 |
           std::uint32_t(OctetOf(address, 2)) << 8 | OctetOf(address, 3);
}

// The row of `address`, or none.
std::optional<ArpRow> Find(const std::vector<ArpRow>& rows, const char* address) {
    const auto it = std::find_if(rows.begin(), rows.end(), [&](const ArpRow& r) { return r.texts[1] == address; });
    return it == rows.end() ? std::nullopt : std::optional(*it);
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
    static void SetUpTestSuite() {
        LabSuite::SetUpTestSuite();
        EnsureApplication();
    }
    void Shell(const std::string& command) const {
        ASSERT_EQ(std::system(("ip -n " + lab_->Name(Node::Client) + " " + command + " >/dev/null").c_str()), 0)
            << command;
    }

    FakeUiServices ui;
};

TEST_F(TablesInNamespaces, NeighboursReadBackSortedWithTheirTextsAndOneIsDeleted) {
    Shell("neigh replace 10.77.1.51 lladdr 02:00:00:00:00:51 dev c0 nud reachable");
    Shell("neigh replace 10.77.1.50 lladdr 00:0a:95:9d:68:16 dev c0 nud permanent");
    lab_->RunIn(Node::Client, [this] {
        LinuxNetworkServices net;
        ArpTableReader reader(net, ui);
        const auto rows = reader.GetArpTabel();
        EXPECT_TRUE(std::is_sorted(rows.begin(), rows.end(), [](const ArpRow& a, const ArpRow& b) {
            return HostOrder(a.key.dwAddr) < HostOrder(b.key.dwAddr);
        }));
        const auto permanent = Find(rows, "10.77.1.50");
        ASSERT_TRUE(permanent && Find(rows, "10.77.1.51"));
        EXPECT_EQ(permanent->texts, (std::array<std::string, 4>{"c0", "10.77.1.50", "0.A.95.9D.68.16", "Static"}));
        EXPECT_EQ(Find(rows, "10.77.1.51")->texts[3], "Dynamic");

        EXPECT_TRUE(reader.DeleteArpEntry(permanent->key));
        const auto after = reader.GetArpTabel();
        EXPECT_FALSE(Find(after, "10.77.1.50"));
        EXPECT_TRUE(Find(after, "10.77.1.51"));
        EXPECT_TRUE(ui.boxes.empty());
        EXPECT_FALSE(reader.DeleteArpEntry(permanent->key));
        ASSERT_EQ(ui.boxes.size(), 1u);
        EXPECT_EQ(ui.boxes[0].title, "Error #1168") << "not found";
    });
}

TEST_F(TablesInNamespaces, DeleteWithoutTheRightIsRefusedWithFive) {
    Shell("neigh replace 10.77.1.52 lladdr 02:00:00:00:00:52 dev c0 nud permanent");
    lab_->RunIn(Node::Client, [this] {
        // capset acts on this thread only; the sockets take its rights when made.
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};
        ASSERT_EQ(::syscall(SYS_capget, &header, data), 0);
        data[CAP_TO_INDEX(CAP_NET_ADMIN)].effective &= ~CAP_TO_MASK(CAP_NET_ADMIN);
        ASSERT_EQ(::syscall(SYS_capset, &header, data), 0);
        LinuxNetworkServices net;
        ArpTableReader reader(net, ui);
        const auto entry = Find(reader.GetArpTabel(), "10.77.1.52");
        ASSERT_TRUE(entry) << "a dump needs no privilege";
        EXPECT_FALSE(reader.DeleteArpEntry(entry->key));
        ASSERT_EQ(ui.boxes.size(), 1u);
        EXPECT_EQ(ui.boxes[0].title, "Error #5");
        EXPECT_TRUE(Find(reader.GetArpTabel(), "10.77.1.52"));
    });
}

// Between notifications a read asks the kernel for counters only: what a
// notification announces must show at the next read all the same.
TEST_F(TablesInNamespaces, TheVethShowsItsAddressAndStateAndChangesShowAtTheNextRead) {
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

TEST_F(TablesInNamespaces, TheInterfaceWindowsOctetCountersMoveAfterEchoesAcrossTheVeth) {
    // Its netlink sockets belong to the namespace they were made in; the
    // window stays on this, the user-interface thread.
    std::unique_ptr<LinuxNetworkServices> net;
    lab_->RunIn(Node::Client, [&net] { net = std::make_unique<LinuxNetworkServices>(); });
    std::size_t selected = 0;
    frmInterfaceInfo window(*net, ui, selected);
    auto& list = *window.findChild<QComboBox*>(QStringLiteral("cmbSelInterface"));
    list.setCurrentIndex(list.findText(QStringLiteral("c0")));
    emit list.activated(list.currentIndex());
    auto& rows = *window.findChild<QTreeWidget*>(QStringLiteral("lvInterfaceInfo"));
    ASSERT_EQ(rows.topLevelItem(0)->text(1), QStringLiteral("c0"));
    // Octets received and sent, as the window's rows and labels show them.
    auto counters = [&] {
        const QString received = window.findChild<QLabel*>(QStringLiteral("lblRecv"))->text();
        const QString sent = window.findChild<QLabel*>(QStringLiteral("lblSent"))->text();
        EXPECT_EQ(rows.topLevelItem(9)->text(1), received);
        EXPECT_EQ(rows.topLevelItem(15)->text(1), sent);
        return std::pair(QString(received).remove(u' ').toULongLong(), QString(sent).remove(u' ').toULongLong());
    };
    const auto [received, sent] = counters();
    lab_->RunIn(Node::Client, [&net] {
        const std::vector<std::uint8_t> payload(1000, 0x61);
        IP_OPTION_INFORMATION options;
        options.Ttl = 64;
        for (int i = 0; i < 3; ++i) {
            ReplyRecord reply{};
            const IcmpHandle handle = net->IcmpCreateFile();
            EXPECT_EQ(net->IcmpSendEcho(handle, kRouter, payload.data(), 1000, &options, &reply, kReplyBufferSize, 1000), 1u);
            net->IcmpCloseHandle(handle);
        }
    });
    ASSERT_TRUE(ui.timers.back()->Fire());
    const auto [receivedAfter, sentAfter] = counters();
    EXPECT_GE(receivedAfter, received + 3000);
    EXPECT_GE(sentAfter, sent + 3000);
    const QImage both = QPixmap(QStringLiteral(":/interfaces/Traffic4.png")).toImage();
    EXPECT_EQ(window.findChild<QLabel*>(QStringLiteral("Image1"))->pixmap().toImage(), both);
}

}  // namespace
}  // namespace velmora::test

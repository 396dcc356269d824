// The interface information window over the real link table, opened on the
// lab client's veth: its octet counters and the traffic picture move after
// echoes across the veth.

#include <QComboBox>
#include <QLabel>
#include <QTreeWidget>
#include <memory>

#include "interfaces/frmInterfaceInfo.h"
#include "platform/LinuxNetworkServices.h"
#include "tests/main_window/WindowTesting.h"
#include "tests/netns/LabSuite.h"

namespace velmora::test {
namespace {

class InterfaceWindowInNamespaces : public LabSuite<> {
protected:
    static void SetUpTestSuite() {
        LabSuite::SetUpTestSuite();
        EnsureApplication();
    }
};

TEST_F(InterfaceWindowInNamespaces, TheVethsOctetCountersMoveAfterEchoesAcrossIt) {
    // Its netlink sockets belong to the namespace they were made in; the
    // window stays on this, the user-interface thread.
    std::unique_ptr<LinuxNetworkServices> net;
    lab_->RunIn(Node::Client, [&net] { net = std::make_unique<LinuxNetworkServices>(); });
    FakeUiServices ui;
    std::size_t selected = 0;
    frmInterfaceInfo window(*net, ui, selected);
    auto& list = *window.findChild<QComboBox*>(QStringLiteral("cmbSelInterface"));
    const int veth = list.findText(QStringLiteral("c0"));
    ASSERT_GE(veth, 0);
    list.setCurrentIndex(veth);
    emit list.activated(veth);
    auto& rows = *window.findChild<QTreeWidget*>(QStringLiteral("lvInterfaceInfo"));
    EXPECT_EQ(rows.topLevelItem(0)->text(1), QStringLiteral("c0"));
    // Octets received and sent, as the window's row and label show them.
    auto counters = [&] {
        const QString received = window.findChild<QLabel*>(QStringLiteral("lblRecv"))->text();
        const QString sent = window.findChild<QLabel*>(QStringLiteral("lblSent"))->text();
        EXPECT_EQ(rows.topLevelItem(9)->text(1), received);
        EXPECT_EQ(rows.topLevelItem(15)->text(1), sent);
        return std::pair(QString(received).remove(u' ').toULongLong(), QString(sent).remove(u' ').toULongLong());
    };
    const auto [received, sent] = counters();

    constexpr std::uint16_t kPayload = 1000;
    lab_->RunIn(Node::Client, [&net] {
        const std::vector<std::uint8_t> payload(kPayload, 0x61);
        IP_OPTION_INFORMATION options;
        options.Ttl = 64;
        for (int i = 0; i < 3; ++i) {
            ReplyRecord reply{};
            const IcmpHandle handle = net->IcmpCreateFile();
            EXPECT_EQ(net->IcmpSendEcho(handle, kRouter, payload.data(), kPayload, &options, &reply,
                                        kReplyBufferSize, 1000),
                      1u);
            net->IcmpCloseHandle(handle);
        }
    });
    ASSERT_TRUE(ui.timers.back()->Fire());

    const auto [receivedAfter, sentAfter] = counters();
    EXPECT_GE(receivedAfter, received + 3 * kPayload);
    EXPECT_GE(sentAfter, sent + 3 * kPayload);
    const QImage both = QPixmap(QStringLiteral(":/interfaces/Traffic4.png")).toImage();
    EXPECT_EQ(window.findChild<QLabel*>(QStringLiteral("Image1"))->pixmap().toImage(), both);
}

}  // namespace
}  // namespace velmora::test

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

std::uint64_t Counter(const QString& spacedDigits) {
    return QString(spacedDigits).remove(u' ').toULongLong();
}

class InterfaceWindowInNamespaces : public LabSuite<> {
protected:
    static void SetUpTestSuite() {
        LabSuite::SetUpTestSuite();
        EnsureApplication();
    }

    static QString Shown(const QWidget& window, const char* label) {
        return window.findChild<QLabel*>(QLatin1String(label))->text();
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
    const std::uint64_t received = Counter(Shown(window, "lblRecv"));
    const std::uint64_t sent = Counter(Shown(window, "lblSent"));

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

    EXPECT_GE(Counter(Shown(window, "lblRecv")), received + 3 * kPayload);
    EXPECT_GE(Counter(Shown(window, "lblSent")), sent + 3 * kPayload);
    EXPECT_EQ(rows.topLevelItem(9)->text(1), Shown(window, "lblRecv"));
    EXPECT_EQ(rows.topLevelItem(15)->text(1), Shown(window, "lblSent"));
    const QImage both = QPixmap(QStringLiteral(":/interfaces/Traffic4.png")).toImage();
    EXPECT_EQ(window.findChild<QLabel*>(QStringLiteral("Image1"))->pixmap().toImage(), both);
}

}  // namespace
}  // namespace velmora::test

// The window system's rules: where the main window may open and what of its
// placement is kept, the buttons of fixed-size windows, which window owns a
// message box, and a viewer asked for again while minimised.

#include <QPointer>
#include <QPushButton>
#include <QTreeWidget>

#include "about/frmAbout.h"
#include "arp_table/frmArpTable.h"
#include "arp_table/frmDialog.h"
#include "interfaces/frmInterfaceInfo.h"
#include "main_window/MainSettings.h"
#include "tests/desktop/DesktopTesting.h"
#include "tests/support/TableRows.h"

namespace velmora::test {
namespace {

TEST(PlacementRuleTest, APlacementMustShowEnoughOfTheWindowWithItsTitleBarInsideAUsableArea) {
    const QRect screen(0, 0, 1920, 1040);           // a panel below
    const QRect belowPanel(0, 32, 1920, 1048);      // a panel above
    const QRect screenAbove(0, -1080, 1920, 1080);  // a second screen over the first
    const struct {
        const char* name;
        QRect placement;
        QList<QRect> areas;
        bool reachable;
    } rows[] = {
        {"inside", {100, 100, 648, 400}, {screen}, true},
        {"at the top left corner", {0, 0, 648, 400}, {screen}, true},
        {"Wayland's stored title-bar margins", {-45, -450, 648, 400}, {screen}, false},
        {"title bar one pixel above the area", {100, -1, 648, 400}, {screen}, false},
        {"title bar under a top panel", {100, 10, 648, 400}, {belowPanel}, false},
        {"just below a top panel", {100, 32, 648, 400}, {belowPanel}, true},
        {"mostly off the left edge, 48 pixels seen", {-600, 100, 648, 400}, {screen}, true},
        {"47 pixels seen", {-601, 100, 648, 400}, {screen}, false},
        {"24 pixels seen at the bottom", {100, 1016, 648, 400}, {screen}, true},
        {"23 pixels seen at the bottom", {100, 1017, 648, 400}, {screen}, false},
        {"on a screen above the first", {100, -1000, 648, 400}, {screen, screenAbove}, true},
        {"above every screen", {100, -1200, 648, 400}, {screen, screenAbove}, false},
        {"no screen", {100, 100, 648, 400}, {}, false},
    };
    for (const auto& row : rows) EXPECT_EQ(PlacementReachable(row.placement, row.areas), row.reachable) << row.name;
}

TEST(PlacementRuleTest, AnUnknownPositionKeepsTheStoredOneWhileSizeAndStateAreSaved) {
    using enum WindowKey;
    const struct {
        const char* name;
        int state;
        bool positionKnown;
        std::vector<WindowKey> written;
    } rows[] = {
        {"normal", 0, true, {Window, MainLeft, MainTop, MainWidth, MainHeight}},
        {"normal on Wayland", 0, false, {Window, MainWidth, MainHeight}},
        {"maximised", 2, true, {Window}},
        {"maximised on Wayland", 2, false, {Window}},
        {"minimised", 1, true, {}},
    };
    for (const auto& row : rows) EXPECT_EQ(WindowKeysToSave(row.state, row.positionKnown), row.written) << row.name;
    for (const auto& [platform, known] : {std::pair{"xcb", true}, std::pair{"offscreen", true},
                                          std::pair{"wayland", false}, std::pair{"wayland-egl", false}}) {
        EXPECT_EQ(WindowPositionKnown(QLatin1String(platform)), known) << platform;
    }
}

TEST_F(DesktopTest, FixedSizeWindowsHaveNoMaximiseButton) {
    Open();
    net.ifRows = {IfRow(1, "lo", "lo")};
    bool deleteNoAsk = false;
    std::size_t chosen = 0;
    frmArpTable arp(net, ui, deleteNoAsk);
    frmInterfaceInfo interfaces(net, ui, chosen);
    frmDialog dialog(deleteNoAsk, &arp);
    auto* about = new frmAbout(ui);
    for (QWidget* fixed : std::initializer_list<QWidget*>{&arp, &interfaces, &dialog, about}) {
        const std::string name = fixed->objectName().toStdString();
        EXPECT_EQ(fixed->minimumSize(), fixed->maximumSize()) << name;
        EXPECT_TRUE(fixed->windowFlags() & Qt::CustomizeWindowHint) << name << ": the buttons are ours to choose";
        EXPECT_FALSE(fixed->windowFlags() & Qt::WindowMaximizeButtonHint) << name;
        EXPECT_TRUE(fixed->windowFlags() & Qt::WindowCloseButtonHint) << name;
    }
    delete about;
}

TEST_F(DesktopTest, AMessageBoxBelongsToTheWindowWhoseActionRaisedIt) {
    Open();
    net.ifRows = {IfRow(1, "lo", "lo")};
    net.arpRows = {ArpEntry(1, AddressFromOctets(10, 0, 0, 2))};
    net.deleteResult = ERROR_ACCESS_DENIED;
    bool deleteNoAsk = true;
    frmArpTable arp(net, ui, deleteNoAsk);
    arp.InitArpTabel();
    arp.GetArpTabel();
    Activate(arp);
    auto& list = Find<QTreeWidget>(arp, "ListView1");
    list.setCurrentItem(list.topLevelItem(0));
    QTest::keyClick(&list, Qt::Key_Delete);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].title, "Error #5");
    EXPECT_EQ(ui.boxes[0].owner, WindowHandle(arp.winId())) << "the ARP window's box";

    auto* about = new frmAbout(ui);
    Activate(*about);
    QTest::mouseClick(&Find<QPushButton>(*about, "cmdSysInfo"), Qt::LeftButton);
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.boxes[1].owner, WindowHandle(about->winId())) << "System Info's box, so the about box stays in front";
    EXPECT_EQ(ui.messageOwner, 0u) << "later boxes are the main window's again";
    delete about;
}

TEST_F(DesktopTest, AViewerAskedForAgainWhileMinimisedComesBackRestoredAndInFront) {
    Open().show();
    net.ifRows = {IfRow(1, "lo", "lo")};
    const auto shown = [](const char* name) -> QWidget* {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top->objectName() == QLatin1String(name) && top->isVisible()) return top;
        }
        return nullptr;
    };
    for (const auto& [command, name] : {std::pair{"mnuArpTable", "frmArpTable"},
                                        std::pair{"mnuInterfaceInfo", "frmInterfaceInfo"},
                                        std::pair{"mnuAboutSoftware", "frmAbout"}}) {
        Item(command).trigger();
        QWidget* viewer = shown(name);
        ASSERT_NE(viewer, nullptr) << command;
        viewer->showMinimized();
        ASSERT_TRUE(viewer->isMinimized()) << command;
        Item(command).trigger();
        EXPECT_FALSE(viewer->isMinimized()) << command;
        EXPECT_TRUE(viewer->isVisible()) << command;
    }
}

}  // namespace
}  // namespace velmora::test

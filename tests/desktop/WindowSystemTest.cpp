// The window system's rules: where the main window may open and what of its
// placement is kept, the buttons of fixed-size windows, which window owns a
// message box, and a viewer asked for again while minimised.

#include <QDir>
#include <QPointer>
#include <QPushButton>
#include <QDateTime>
#include <QStyle>
#include <QTreeWidget>
#include <qcustomplot.h>

#include "about/frmAbout.h"
#include "arp_table/frmArpTable.h"
#include "arp_table/frmDialog.h"
#include "interfaces/frmInterfaceInfo.h"
#include "help_viewer/HelpViewer.h"
#include "main_window/MainSettings.h"
#include "monitoring/frmLatencyGraph.h"
#include "window_helpers/SharedPictures.h"
#include "tests/desktop/DesktopTesting.h"
#include "tests/support/TableRows.h"
#include "window_helpers/ViewerWindows.h"

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
    for (const auto& [platform, placed] : {std::pair{"xcb", false}, std::pair{"offscreen", false},
                                           std::pair{"wayland", true}, std::pair{"wayland-egl", true}}) {
        EXPECT_EQ(CompositorPlacesWindows(QLatin1String(platform)), placed) << platform;
    }
}

TEST_F(DesktopTest, FixedSizeWindowsHaveNoMaximiseButton) {
    const auto viewers = OpenWithViewers();
    frmDialog dialog(viewers->deleteNoAsk, &viewers->arp);
    for (QWidget* fixed : std::initializer_list<QWidget*>{&viewers->arp, &viewers->interfaces, &dialog,
                                                          viewers->about.get()}) {
        const std::string name = fixed->objectName().toStdString();
        EXPECT_EQ(fixed->minimumSize(), fixed->maximumSize()) << name;
        EXPECT_TRUE(fixed->windowFlags() & Qt::CustomizeWindowHint) << name << ": the buttons are ours to choose";
        EXPECT_FALSE(fixed->windowFlags() & Qt::WindowMaximizeButtonHint) << name;
        EXPECT_TRUE(fixed->windowFlags() & Qt::WindowCloseButtonHint) << name;
    }
}

// A maximised window that does not fill what a Wayland compositor gives ends
// the program's connection, so there a fixed size is only the least.
TEST_F(DesktopTest, WhereTheCompositorDecidesTheStateAFixedSizeIsTheLeast) {
    for (const bool decidesState : {false, true}) {
        QWidget window;
        FixWindowSize(window, QSize(431, 202), decidesState);
        EXPECT_EQ(window.size(), QSize(431, 202)) << decidesState;
        EXPECT_EQ(window.minimumSize(), QSize(431, 202)) << decidesState;
        EXPECT_EQ(window.maximumSize() == QSize(431, 202), !decidesState) << decidesState;
    }
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
                                        std::pair{"mnuAboutSoftware", "frmAbout"},
                                        std::pair{"mnuLatencyGraph", "frmLatencyGraph"}}) {
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

// Light: the tooltips' pale yellow as today. Dark: the palette's own base and
// text, which a dark theme keeps far apart.
TEST(LookTest, TheLogPaneTakesTheTooltipColoursInALightPaletteAndTheBaseInADarkOne) {
    QPalette light(QColor(0xef, 0xef, 0xef));
    light.setColor(QPalette::Base, Qt::white);
    light.setColor(QPalette::Text, Qt::black);
    light.setColor(QPalette::ToolTipBase, QColor(0xff, 0xff, 0xdc));
    light.setColor(QPalette::ToolTipText, Qt::black);
    QPalette dark = light;
    dark.setColor(QPalette::Window, QColor(0x2b, 0x2b, 0x2b));
    dark.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
    dark.setColor(QPalette::Text, QColor(0xe0, 0xe0, 0xe0));
    const QPalette pane = LogPanePalette(light);
    EXPECT_EQ(pane.color(QPalette::Base), QColor(0xff, 0xff, 0xdc));
    EXPECT_EQ(pane.color(QPalette::Text), QColor(Qt::black));
    const QPalette darkPane = LogPanePalette(dark);
    EXPECT_EQ(darkPane.color(QPalette::Base), QColor(0x1e, 0x1e, 0x1e)) << "not the bright tooltip yellow";
    EXPECT_GT(darkPane.color(QPalette::Text).lightness() - darkPane.color(QPalette::Base).lightness(), 128)
        << "readable contrast";
}

// The latency graph's charts follow the palette: dark base, light text and axes.
TEST_F(DesktopTest, TheLatencyChartsTakeTheColoursOfADarkPalette) {
    const QPalette saved = QApplication::palette();
    QPalette dark = saved;
    dark.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
    dark.setColor(QPalette::Text, QColor(0xe0, 0xe0, 0xe0));
    QApplication::setPalette(dark);
    EchoStore echoes;
    const std::unique_ptr<frmLatencyGraph> graph(new frmLatencyGraph(echoes));
    QApplication::setPalette(saved);
    const QList<QCustomPlot*> charts = graph->findChildren<QCustomPlot*>();
    ASSERT_EQ(charts.size(), 2);
    for (QCustomPlot* chart : charts) {
        const std::string name = chart->accessibleName().toStdString();
        const QImage drawn = chart->toPixmap(200, 150).toImage();
        EXPECT_EQ(drawn.pixelColor(drawn.width() / 2, 2), QColor(0x1e, 0x1e, 0x1e)) << name << ": not a white block";
        for (QCPAxis* axis : chart->findChildren<QCPAxis*>()) {
            EXPECT_EQ(axis->tickLabelColor(), QColor(0xe0, 0xe0, 0xe0)) << name;
            EXPECT_EQ(axis->basePen().color(), QColor(0xe0, 0xe0, 0xe0)) << name;
        }
    }
}

// At twice the scale the toolbar draws its 32-pixel twins, not a 16-pixel picture blown up.
TEST_F(DesktopTest, ToolbarIconsHaveSharpPicturesForTwiceTheScale) {
    Open();
    int drawn = 0;
    for (int position = 1; position <= 13; ++position) {
        const QIcon icon = Button(position).icon();
        if (icon.isNull()) continue;  // a separator
        const QImage shown = icon.pixmap(QSize(16, 16), 2.0).toImage().convertToFormat(QImage::Format_ARGB32);
        EXPECT_EQ(shown.size(), QSize(32, 32)) << position;
        EXPECT_EQ(shown.pixelColor(1, 1), shown.pixelColor(0, 0)) << position << ": a pixel is a 2 x 2 square";
        ++drawn;
    }
    EXPECT_EQ(drawn, 9);
}

// Labels whose text does not fit their room: one line across its width, or
// wrapped lines down its height.
QStringList ClippedLabels(QWidget& window) {
    QStringList clipped;
    for (QLabel* label : window.findChildren<QLabel*>()) {
        if (!label->isVisibleTo(&window) || label->text().isEmpty() || label->textFormat() == Qt::RichText) continue;
        const QRect room = label->contentsRect();
        const bool fits = label->wordWrap() ? label->heightForWidth(room.width()) <= room.height()
                                            : label->fontMetrics().horizontalAdvance(label->text()) <= room.width();
        if (!fits) clipped << window.objectName() + u'/' + label->objectName();
    }
    return clipped;
}

// A desktop font larger than the design's 8 points, at 96 dots an inch: the
// windows grow by the same ratio and the labels keep that font, all fitting.
TEST_F(DesktopTest, TheWindowsGrowWithALargerApplicationFontInTheDesignsProportions) {
    const QFont saved = QApplication::font();
    const struct {
        double points;
        double growth;
    } rows[] = {{7, 1.0}, {8, 1.0}, {9, 1.125}, {12, 1.5}, {16, 2.0}};
    for (const auto& [points, growth] : rows) {
        QFont font = saved;
        font.setPointSizeF(points);
        QApplication::setFont(font);
        const auto viewers = OpenWithViewers();
        auto& [deleteNoAsk, chosen, arp, interfaces, about] = *viewers;
        frmPing& main = *window;
        const std::unique_ptr<HelpViewer> help = HelpViewer::Open(VELMORA_HELP_FILE, nullptr);
        EchoStore echoes;
        const std::unique_ptr<frmLatencyGraph> graph(new frmLatencyGraph(echoes));
        const double pixelsPerTwip = main.logicalDpiY() / 1440.0 * growth;
        // The design's widths in twips; the interface and graph windows may be wider, to fit their values.
        const struct {
            QWidget* shown;
            int width;
            float twips;
        } windows[] = {{&main, Get<QWidget>("Frame2").width(), 4695},
                       {&arp, arp.width(), 6375},
                       {about.get(), about->width(), 5760},
                       {&interfaces, interfaces.width(), 5190},
                       {help.get(), help->width(), 12300},
                       {graph.get(), graph->width(), 13500}};
        for (const auto& [shown, width, twips] : windows) {
            const std::string name = shown->objectName().toStdString() + " at " + std::to_string(points) + " pt";
            if (shown == &interfaces || shown == graph.get()) {
                EXPECT_GE(width, std::lround(twips * pixelsPerTwip)) << name;
            } else {
                EXPECT_NEAR(width, twips * pixelsPerTwip, 1) << name;
            }
            EXPECT_EQ(ClippedLabels(*shown), QStringList()) << name;
        }
        // Shrunk a little, if at all, as at the design's size: the design's font is narrower than most.
        EXPECT_GE(Get<QLabel>("Label14").font().pointSizeF(), std::max(points, 8.0) * 0.85)
            << points << " pt: \"Timeout:\" keeps about the application's size";
    }
    QApplication::setFont(saved);
}

QImage Argb(const QPixmap& pixmap) { return pixmap.toImage().convertToFormat(QImage::Format_ARGB32); }

// Every picture of a window has a twin at twice the size, each pixel a 2 x 2
// square; a new picture without one shows up here as missing from the table.
// The pointer is drawn by the window system at its own size and has none.
TEST_F(DesktopTest, EveryPictureHasATwinForTwiceTheScaleThatTakesTheSameRoom) {
    const auto viewers = OpenWithViewers();  // the windows load the resources they draw from
    const struct {
        const char* folder;
        QStringList pictures;
        QStringList withoutTwin;
    } folders[] = {
        {":/sort", {"SortDown", "SortUp"}, {}},
        {":/about", {"imgHome", "imgEmail", "Image4"}, {"LinkCursor"}},
        {":/interfaces", {"Adapter", "Traffic1", "Traffic2", "Traffic3", "Traffic4"}, {}},
        {":/shared", {"Arp"}, {}},
        {":/toolbar",
         {"Adapter", "Clear", "Exit", "Help", "Interface", "Running", "Setting", "Start", "StartCapture",
          "Stop", "StopCapture"},
         {}},
    };
    for (const auto& [folder, pictures, withoutTwin] : folders) {
        QStringList files;
        for (const QString& name : pictures) files << name + ".png" << name + "@2x.png";
        for (const QString& name : withoutTwin) files << name + ".png";
        const QString where = QLatin1String(folder);
        EXPECT_EQ(QSet<QString>(files.begin(), files.end()), [&] {
            const QStringList listed = QDir(where).entryList();
            return QSet<QString>(listed.begin(), listed.end());
        }()) << folder;
        for (const QString& name : pictures) {
            const std::string picture = (where + u'/' + name).toStdString();
            const QByteArray latin = name.toLatin1();
            const QPixmap single = ScreenPicture(where, latin.constData(), 1.0);
            const QPixmap twin = ScreenPicture(where, latin.constData(), 2.0);
            ASSERT_FALSE(single.isNull()) << picture;
            EXPECT_EQ(single.devicePixelRatio(), 1.0) << picture;
            EXPECT_EQ(twin.size(), single.size() * 2) << picture;
            EXPECT_EQ(twin.deviceIndependentSize().toSize(), single.size()) << picture << ": the same room";
            EXPECT_EQ(Argb(twin).scaled(single.size()), Argb(single)) << picture << ": the same drawing";
            EXPECT_EQ(ScreenPicture(where, latin.constData(), 1.5).devicePixelRatio(), 2.0) << picture;
        }
    }
}

// The windows show the pictures of their screen's scale; the desktop tests run
// once more at twice the scale (QT_SCALE_FACTOR=2), where this sees the twins.
TEST_F(DesktopTest, TheWindowsShowThePicturesOfTheirScale) {
    net.arpRows = {ArpEntry(1, AddressFromOctets(10, 0, 0, 2))};
    const auto viewers = OpenWithViewers();
    auto& [deleteNoAsk, chosen, arp, interfaces, about] = *viewers;
    arp.InitArpTabel();
    const qreal ratio = about->devicePixelRatioF() >= 1.5 ? 2.0 : 1.0;
    const std::pair<QWidget*, const char*> labels[] = {
        {about.get(), "Image4"}, {about.get(), "imgHome"}, {about.get(), "imgEmail"}, {&interfaces, "Image1"}};
    for (const auto& [window, name] : labels) {
        const QLabel& label = Find<QLabel>(*window, name);
        EXPECT_EQ(label.pixmap().devicePixelRatio(), ratio) << name;
        if (window == about.get()) {
            EXPECT_EQ(label.pixmap().deviceIndependentSize().toSize(), label.size()) << name;
        }
    }
    for (QAction* sort : arp.findChildren<QAction*>()) {
        if (sort->shortcut() == QKeySequence(Qt::CTRL | Qt::Key_1)) sort->trigger();
    }
    const QIcon arrow = Find<QTreeWidget>(arp, "ListView1").headerItem()->icon(0);
    ASSERT_FALSE(arrow.isNull());
    EXPECT_EQ(arrow.pixmap(QSize(16, 16), 2.0).size(), QSize(32, 32)) << "the sort arrow's twin";
    EXPECT_EQ(interfaces.windowIcon().pixmap(QSize(32, 32), 2.0).size(), QSize(64, 64)) << "the window icon's twin";
}

// Room inside a list for its columns, a vertical scroll bar kept aside.
int ColumnRoom(const QTreeWidget& list) {
    return list.width() - 2 * list.frameWidth() -
           list.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &list);
}

TEST_F(DesktopTest, TheArpColumnsShareTheListAndTheInterfaceValuesFitTheirColumn) {
    const auto viewers = OpenWithViewers();
    viewers->arp.InitArpTabel();
    const auto& arpList = Find<QTreeWidget>(viewers->arp, "ListView1");
    int columns = 0;
    for (int column = 0; column < arpList.columnCount(); ++column) {
        const int width = arpList.columnWidth(column);
        EXPECT_GE(width, arpList.fontMetrics().horizontalAdvance(arpList.headerItem()->text(column))) << column;
        columns += width;
    }
    EXPECT_LE(columns, ColumnRoom(arpList)) << "no horizontal scroll bar";

    const auto& values = Find<QTreeWidget>(viewers->interfaces, "lvInterfaceInfo");
    const DateTime late =
        std::chrono::system_clock::from_time_t(QDateTime(QDate(2026, 12, 28), QTime(23, 58)).toSecsSinceEpoch());
    const QString date = QString::fromStdString(viewers->interfaces.DateTimeText(late));
    EXPECT_GE(ColumnRoom(values) - values.columnWidth(0), values.fontMetrics().horizontalAdvance(date))
        << date.toStdString();
}

}  // namespace
}  // namespace velmora::test

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>

#include "platform/QtUiServices.h"
#include "tests/main_window/WindowTesting.h"

namespace velmora::test {
namespace {

constexpr int kTwips = 15;

class SettingsTest : public WindowTest {
protected:
    // "Section/Key" values as an earlier run would have written them.
    void Store(std::initializer_list<std::pair<const char*, std::string>> values) {
        for (const auto& [key, value] : values) ui.settings[std::string(kAppName) + "/" + key] = value;
    }
    std::string Stored(const char* key) { return ui.settings[std::string(kAppName) + "/" + key]; }
};

TEST_F(SettingsTest, EveryKeyComesBackThroughTheStore) {
    const QTemporaryDir home;  // the real store, in a folder of the test's own
    ASSERT_TRUE(home.isValid());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, home.path());
    QtUiServices real;
    Open(&real);
    const char* start[] = {"999", "0", " 0", "1 "};  // blanks pasted around two octets; 999 stored as it stands
    for (int i = 0; i < 4; ++i) StartOctet(i).setText(QLatin1String(start[i]));
    StopOctet(3).setText(QStringLiteral("9"));
    const std::pair<const char*, const char*> numbers[] = {
        {"TxtDataSize", "40000"}, {"txtNum", "3"}, {"txtTTL", "1.5"}, {"txtDelay", "250"}, {"txtTimeout", "750"}};
    for (const auto& [name, text] : numbers) Edit(name).setText(QLatin1String(text));
    Edit("txtDNS").setText(QStringLiteral("  gateway.lan "));
    Check("chkLoop").setChecked(true);
    Check("chkIpDns").setChecked(true);
    window->SetDeleteNoAsk(true);
    Item("mnuParallel").setChecked(true);
    window->move(120, 90);
    window->resize(700, 420);
    Exit();

    QSettings file(home.filePath(QStringLiteral("Velmora/Velmora.ini")), QSettings::IniFormat);
    QStringList stored;
    for (const QString& key : file.allKeys()) stored << key + u'=' + file.value(key).toString();
    EXPECT_EQ(stored.join(u' ').toStdString(),
              "Init/Address Mode=1 Init/ArpDeleteConfirm=True Init/DataSize=40000 Init/Delay=250 "
              "Init/Host Name=gateway.lan Init/IPAddress Start=999.0.0.1 Init/IPAddress Stop=999.0.0.9 Init/Loop=1 "
              "Init/Num=3 Init/Parallel=True Init/TTL=1.5 Init/Timeout=750 "
              "Settings/MainHeight=6300 Settings/MainLeft=1800 Settings/MainTop=1350 Settings/MainWidth=10500 "
              "Settings/Window=0");

    Open(&real);
    EXPECT_EQ(Octets("txtStartIP") + " " + Octets("txtStopIP"), "999.0.0.1 999.0.0.9");
    for (const auto& [name, text] : numbers) EXPECT_EQ(Text(name), text) << name;
    EXPECT_EQ(Text("txtDNS"), "gateway.lan");
    EXPECT_FALSE(Edit("txtNum").isEnabled()) << "Loop 1 greys Num";
    ExpectTargetControls(false);
    EXPECT_TRUE(window->DeleteNoAsk());
    EXPECT_TRUE(Item("mnuParallel").isChecked());
    EXPECT_EQ(QRect(window->pos(), window->size()), QRect(120, 90, 700, 420));
    window.reset();
}

// The stop address survives the copies of the start octets; fewer points fill
// only the first boxes.
TEST_F(SettingsTest, StoredAddressesFillTheBoxes) {
    Store({{"Init/IPAddress Start", "10.2"}, {"Init/IPAddress Stop", "192.168.0.254"}});
    Open();
    EXPECT_EQ(Octets("txtStartIP") + " " + Octets("txtStopIP"), "10.2.1.8 192.168.0.254");
}

TEST_F(SettingsTest, AStoreFullOfGarbageOpensWithTheDefaults) {
    Store({{"Settings/Window", "maximised"}, {"Settings/MainLeft", "left"}, {"Settings/MainTop", "1e999"},
           {"Settings/MainWidth", "-5"}, {"Settings/MainHeight", ""}, {"Init/DataSize", "12ab"},
           {"Init/Num", "abc"}, {"Init/TTL", ""}, {"Init/Delay", "&Hzz"}, {"Init/Timeout", "--3"},
           {"Init/Loop", "7"}, {"Init/Address Mode", "-1"}, {"Init/ArpDeleteConfirm", "perhaps"},
           {"Init/IPAddress Start", "1.2.3.4.5"}, {"Init/IPAddress Stop", "a.b.c.d.e.f"}});
    Open();
    EXPECT_EQ(Octets("txtStartIP") + " " + Octets("txtStopIP"), "1.1.1.8 1.1.1.8");
    std::string texts;
    for (const char* name : {"TxtDataSize", "txtNum", "txtTTL", "txtTimeout", "txtDelay", "txtDNS"}) {
        texts += Text(name) + " ";
    }
    EXPECT_EQ(texts, "120 1 30 500 1000 localhost ");
    EXPECT_EQ(Check("chkLoop").checkState(), Qt::Unchecked);
    ExpectTargetControls(true);
    EXPECT_FALSE(window->DeleteNoAsk());
    EXPECT_FALSE(Item("mnuParallel").isChecked());
    EXPECT_EQ(window->windowState(), Qt::WindowNoState);
    EXPECT_EQ(window->width(), 648) << "the design width";
    EXPECT_FALSE(window->testAttribute(Qt::WA_Moved)) << "the window system places it";
}

TEST_F(SettingsTest, CheckValueTwoGreysTheBoxAndIsSavedAsTwo) {
    Store({{"Init/Loop", "2"}, {"Init/Address Mode", "2"}});
    Open();
    EXPECT_EQ(Check("chkLoop").checkState(), Qt::PartiallyChecked);
    EXPECT_EQ(window->TargetMode(), 1) << "any value but 0 is the host name";
    EXPECT_FALSE(window->LoopChecked()) << "only 1 is the loop";
    Exit();
    EXPECT_EQ(Stored("Init/Loop"), "2");
    Open();
    for (int click = 0; click < 3; ++click) Check("chkLoop").click();
    EXPECT_NE(Check("chkLoop").checkState(), Qt::PartiallyChecked) << "the user's clicks give 0 and 1 only";
}

// The stored corner is used as it is, (0, 0) included, while the window is on
// a screen; one off every screen comes back onto one, and one larger than the
// screen shrinks to it. The pane follows the stored size.
TEST_F(SettingsTest, StoredPlacementsAreRestoredOntoTheScreen) {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const struct {
        const char* name;
        int left, top, width, height;  // twips
        QRect expected;
    } rows[] = {
        {"OnTheScreen", 1500, 750, 9720, 6000, QRect(100, 50, 648, 400)},
        {"TopLeftCorner", 0, 0, 9720, 6000, QRect(0, 0, 648, 400)},
        {"OffEveryScreen", -300000, -150000, 9720, 6000, QRect(area.topLeft(), QSize(648, 400))},
        {"LargerThanTheScreen", 0, 0, (area.width() + 500) * kTwips, (area.height() + 300) * kTwips,
         QRect(0, 0, area.width(), area.height())},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Store({{"Settings/MainLeft", std::to_string(row.left)}, {"Settings/MainTop", std::to_string(row.top)},
               {"Settings/MainWidth", std::to_string(row.width)},
               {"Settings/MainHeight", std::to_string(row.height)}});
        Open();
        EXPECT_EQ(QRect(window->pos(), window->size()), row.expected);
        EXPECT_TRUE(window->testAttribute(Qt::WA_Moved));
    }
    Store({{"Settings/MainWidth", std::to_string((648 + 60) * kTwips)}});
    Open().show();
    EXPECT_EQ(Get<QWidget>("logRes").width(), 633 + 60);
}

// Maximised, only the state is written, so the last normal placement stays;
// minimised, nothing of the window is.
TEST_F(SettingsTest, MaximisedExitStoresOnlyTheStateAndMinimisedExitNothingOfTheWindow) {
    Store({{"Settings/MainLeft", "1500"}, {"Settings/MainTop", "1200"}, {"Settings/MainWidth", "10500"},
           {"Settings/MainHeight", "6000"}});
    Open().showMaximized();
    Exit();
    EXPECT_EQ(Stored("Settings/Window") + " " + Stored("Settings/MainLeft"), "2 1500");
    Open().show();
    EXPECT_TRUE(window->isMaximized());
    window->showNormal();
    EXPECT_EQ(QRect(window->pos(), window->size()), QRect(100, 80, 700, 400));
    window->showMinimized();
    ui.settingWrites.clear();
    Exit();
    EXPECT_EQ(ui.settingWrites.front(), "Init/Address Mode");
}

}  // namespace
}  // namespace velmora::test

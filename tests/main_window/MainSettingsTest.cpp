#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <algorithm>

#include "platform/QtUiServices.h"
#include "tests/main_window/WindowTesting.h"

namespace velmora::test {
namespace {

constexpr int kTwips = 15;

class SettingsTest : public WindowTest {
protected:
    // Points the real store at a folder of the test's own.
    void UseTemporaryStore() {
        ASSERT_TRUE(home.isValid());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, home.path());
        QDir(home.path()).mkpath(QStringLiteral("Velmora"));
    }
    QString IniPath() const { return home.filePath(QStringLiteral("Velmora/Velmora.ini")); }
    void StoreAll(std::initializer_list<std::pair<const char*, std::string>> values) {
        for (const auto& [key, value] : values) ui.Store(key, value);
    }

    QTemporaryDir home;
};

TEST_F(SettingsTest, FirstStartReadsEveryKeyInOrderWithItsDefault) {
    Open();
    const int height = (345 + window->menuBar()->sizeHint().height()) * kTwips;
    const std::vector<std::pair<std::string, std::string>> expected{
        {"Settings/Window", "0"},           {"Settings/MainLeft", ""},
        {"Settings/MainTop", ""},           {"Settings/MainWidth", "9720"},
        {"Settings/MainHeight", std::to_string(height)},
        {"Init/DataSize", "120"},           {"Init/Num", "1"},
        {"Init/TTL", "30"},                 {"Init/Delay", "1000"},
        {"Init/Timeout", "500"},            {"Init/Loop", "0"},
        {"Init/Host Name", "localhost"},    {"Init/Address Mode", "0"},
        {"Init/ArpDeleteConfirm", "False"}, {"Init/IPAddress Start", "1.1.1.8"},
        {"Init/IPAddress Stop", "1.1.1.8"}, {"Init/Parallel", "False"},
    };
    EXPECT_EQ(ui.reads, expected);
    EXPECT_EQ(ui.storeOpenings, 1);
    EXPECT_EQ(window->size(), QSize(648, height / kTwips)) << "the design size";
    EXPECT_FALSE(window->testAttribute(Qt::WA_Moved)) << "the window system places it";
}

TEST_F(SettingsTest, EveryKeyComesBackThroughTheStore) {
    UseTemporaryStore();
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

    QSettings file(IniPath(), QSettings::IniFormat);
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
    StoreAll({{"Init/IPAddress Start", "10.2"}, {"Init/IPAddress Stop", "192.168.0.254"}});
    Open();
    EXPECT_EQ(Octets("txtStartIP") + " " + Octets("txtStopIP"), "10.2.1.8 192.168.0.254");
}

TEST_F(SettingsTest, AStoreFullOfGarbageOpensWithTheDefaults) {
    StoreAll({{"Settings/Window", "maximised"}, {"Settings/MainLeft", "left"}, {"Settings/MainTop", "1e999"},
              {"Settings/MainWidth", "-5"}, {"Settings/MainHeight", ""}, {"Init/DataSize", "12ab"},
              {"Init/Num", "abc"}, {"Init/TTL", ""}, {"Init/Delay", "&Hzz"}, {"Init/Timeout", "--3"},
              {"Init/Loop", "7"}, {"Init/Address Mode", "-1"}, {"Init/ArpDeleteConfirm", "perhaps"},
              {"Init/IPAddress Start", "1.2.3.4.5"}, {"Init/IPAddress Stop", "a.b.c.d.e.f"}});
    Open();
    EXPECT_EQ(window->windowState(), Qt::WindowNoState);
    EXPECT_EQ(window->width(), 648);
    EXPECT_FALSE(window->testAttribute(Qt::WA_Moved));
    ExpectDefaultFields();
}

TEST_F(SettingsTest, CheckValueTwoGreysTheBoxAndIsSavedAsTwo) {
    StoreAll({{"Init/Loop", "2"}, {"Init/Address Mode", "2"}});
    Open();
    EXPECT_EQ(Check("chkLoop").checkState(), Qt::PartiallyChecked);
    EXPECT_EQ(window->TargetMode(), 1) << "any value but 0 is the host name";
    EXPECT_FALSE(window->LoopChecked()) << "only 1 is the loop";
    EXPECT_TRUE(Edit("txtNum").isEnabled());
    Exit();
    EXPECT_EQ(ui.Stored("Init/Loop"), "2");
    EXPECT_EQ(ui.Stored("Init/Address Mode"), "2");
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
        StoreAll({{"Settings/MainLeft", std::to_string(row.left)}, {"Settings/MainTop", std::to_string(row.top)},
                  {"Settings/MainWidth", std::to_string(row.width)},
                  {"Settings/MainHeight", std::to_string(row.height)}});
        Open();
        EXPECT_EQ(QRect(window->pos(), window->size()), row.expected);
        EXPECT_TRUE(window->testAttribute(Qt::WA_Moved));
    }
    StoreAll({{"Settings/MainWidth", std::to_string((648 + 60) * kTwips)}});
    Open().show();
    EXPECT_EQ(Get<QWidget>("logRes").width(), 633 + 60);
}

class WindowStateTest : public SettingsTest {
protected:
    void SetUp() override {
        StoreAll({{"Settings/Window", "0"}, {"Settings/MainLeft", "1500"}, {"Settings/MainTop", "1200"},
                  {"Settings/MainWidth", "10500"}, {"Settings/MainHeight", "6000"}});
    }
    std::vector<std::string> WindowWrites() const {
        std::vector<std::string> keys;
        std::copy_if(ui.settingWrites.begin(), ui.settingWrites.end(), std::back_inserter(keys),
                     [](const std::string& k) { return k.rfind("Settings/", 0) == 0; });
        return keys;
    }
};

TEST_F(WindowStateTest, MaximisedExitStoresOnlyTheStateAndReopensMaximised) {
    Open().showMaximized();
    Exit();
    EXPECT_EQ(WindowWrites(), std::vector<std::string>{"Settings/Window"});
    EXPECT_EQ(ui.Stored("Settings/Window"), "2");
    Open().show();
    EXPECT_TRUE(window->isMaximized());
    window->showNormal();
    EXPECT_EQ(QRect(window->pos(), window->size()), QRect(100, 80, 700, 400));
}

TEST_F(WindowStateTest, MinimisedExitWritesNothingOfTheWindow) {
    Open().show();
    window->move(300, 200);
    window->showMinimized();
    Exit();
    EXPECT_TRUE(WindowWrites().empty());
    EXPECT_EQ(ui.Stored("Init/DataSize"), "120") << "the parameters are saved all the same";
}

// Stores that a save cut short or another program could leave behind.
TEST_F(SettingsTest, ATruncatedOrBinaryIniFileStillLoads) {
    UseTemporaryStore();
    QtUiServices real;
    QByteArray garbage;
    for (int i = 0; i < 4096; ++i) garbage += char((i * 7919) % 256);
    const std::pair<QByteArray, const char*> files[] = {
        {"[Init]\nDataSize=600\nTTL=12\nIPAddress%20Start=10.0.0.1\nIPAddress%20Sto", "600 12 10.0.0.1 1.1.1.8"},
        {garbage, "120 30 1.1.1.8 1.1.1.8"}};
    for (const auto& [bytes, shown] : files) {
        QFile ini(IniPath());
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ini.write(bytes);
        ini.close();
        Open(&real);
        EXPECT_EQ(Text("TxtDataSize") + " " + Text("txtTTL") + " " + Octets("txtStartIP") + " " + Octets("txtStopIP"),
                  shown);
        window.reset();
    }
}

}  // namespace
}  // namespace velmora::test

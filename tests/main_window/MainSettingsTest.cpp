// The settings kept between runs: what a first start shows, the orders of the
// reads and the writes, a round trip of every key (through the fake store and
// through the real QSettings store), values the program did not write, and
// the window's state and placement across maximised and minimised exits.
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

class SettingsTest : public WindowTest {};

TEST_F(SettingsTest, FirstStartReadsEveryKeyInOrderWithItsDefault) {
    Open();
    const int height = (345 + window->menuBar()->sizeHint().height()) * kTwips;
    const std::vector<std::pair<std::string, std::string>> expected{
        {"Settings/Window", "0"},
        {"Settings/MainLeft", std::to_string(window->x() * kTwips)},
        {"Settings/MainTop", std::to_string(window->y() * kTwips)},
        {"Settings/MainWidth", "9720"},
        {"Settings/MainHeight", std::to_string(height)},
        {"Init/DataSize", "120"},
        {"Init/Num", "1"},
        {"Init/TTL", "30"},
        {"Init/Delay", "1000"},
        {"Init/Timeout", "500"},
        {"Init/Loop", "0"},
        {"Init/Host Name", "localhost"},
        {"Init/Address Mode", "0"},
        {"Init/ArpDeleteConfirm", "False"},
        {"Init/IPAddress Start", "1.1.1.8"},
        {"Init/IPAddress Stop", "1.1.1.8"},
    };
    ASSERT_EQ(ui.reads.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(ui.reads[i].key, expected[i].first) << i;
        EXPECT_EQ(ui.reads[i].defaultValue, expected[i].second) << expected[i].first;
    }
    EXPECT_EQ(window->size(), QSize(648, height / kTwips)) << "the design size";
    EXPECT_FALSE(window->testAttribute(Qt::WA_Moved)) << "the window system places it";
    EXPECT_FALSE(window->DeleteNoAsk());
}

class RoundTripTest : public WindowTest {
protected:
    // Sets every field away from its default, as a user would before exiting.
    void ChangeEverything() {
        const char* start[] = {"10", "0", " 0", "1 "};  // blanks pasted around two octets
        for (int i = 0; i < 4; ++i) StartOctet(i).setText(QLatin1String(start[i]));
        const char* stop[] = {"10", "0", "0", "9"};
        for (int i = 0; i < 4; ++i) StopOctet(i).setText(QLatin1String(stop[i]));
        Edit(QStringLiteral("TxtDataSize")).setText(QStringLiteral("1499"));
        Edit(QStringLiteral("txtNum")).setText(QStringLiteral("3"));
        Edit(QStringLiteral("txtTTL")).setText(QStringLiteral("64"));
        Edit(QStringLiteral("txtDelay")).setText(QStringLiteral("250"));
        Edit(QStringLiteral("txtTimeout")).setText(QStringLiteral("750"));
        Edit(QStringLiteral("txtDNS")).setText(QStringLiteral("  gateway.lan "));
        Check(QStringLiteral("chkLoop")).setChecked(true);
        Check(QStringLiteral("chkIpDns")).setChecked(true);
        window->SetDeleteNoAsk(true);
        window->move(120, 90);
        window->resize(700, 420);
    }
    void ExpectEverythingBack() {
        EXPECT_EQ(Octets("txtStartIP"), QStringLiteral("10.0.0.1"));
        EXPECT_EQ(Octets("txtStopIP"), QStringLiteral("10.0.0.9"));
        EXPECT_EQ(Edit(QStringLiteral("TxtDataSize")).text(), QStringLiteral("1499"));
        EXPECT_EQ(Edit(QStringLiteral("txtNum")).text(), QStringLiteral("3"));
        EXPECT_EQ(Edit(QStringLiteral("txtTTL")).text(), QStringLiteral("64"));
        EXPECT_EQ(Edit(QStringLiteral("txtDelay")).text(), QStringLiteral("250"));
        EXPECT_EQ(Edit(QStringLiteral("txtTimeout")).text(), QStringLiteral("750"));
        EXPECT_EQ(Edit(QStringLiteral("txtDNS")).text(), QStringLiteral("gateway.lan"));
        EXPECT_TRUE(Check(QStringLiteral("chkLoop")).isChecked());
        EXPECT_FALSE(Edit(QStringLiteral("txtNum")).isEnabled()) << "Loop 1 greys Num";
        EXPECT_TRUE(Check(QStringLiteral("chkIpDns")).isChecked());
        EXPECT_FALSE(Edit(QStringLiteral("txtDNS")).isHidden()) << "Address Mode 1 shows the host name";
        EXPECT_TRUE(StartOctet(0).isHidden());
        EXPECT_EQ(window->TargetMode(), 1);
        EXPECT_TRUE(window->DeleteNoAsk());
        EXPECT_EQ(window->pos(), QPoint(120, 90));
        EXPECT_EQ(window->size(), QSize(700, 420));
    }
};

TEST_F(RoundTripTest, EveryKeyComesBackThroughTheStore) {
    Open();
    ChangeEverything();
    Exit();
    const std::pair<const char*, const char*> stored[] = {
        {"Settings/Window", "0"},          {"Settings/MainLeft", "1800"},
        {"Settings/MainTop", "1350"},      {"Settings/MainWidth", "10500"},
        {"Settings/MainHeight", "6300"},   {"Init/Address Mode", "1"},
        {"Init/Host Name", "gateway.lan"}, {"Init/IPAddress Start", "10.0.0.1"},
        {"Init/IPAddress Stop", "10.0.0.9"}, {"Init/DataSize", "1499"},
        {"Init/Num", "3"},                 {"Init/TTL", "64"},
        {"Init/Delay", "250"},             {"Init/Timeout", "750"},
        {"Init/Loop", "1"},                {"Init/ArpDeleteConfirm", "True"},
    };
    for (const auto& [key, value] : stored) EXPECT_EQ(ui.Stored(key), value) << key;
    Open();
    ExpectEverythingBack();
}

TEST_F(RoundTripTest, EveryKeyComesBackThroughQSettings) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, home.path());
    {
        QtUiServices real;
        window = std::make_unique<frmPing>(net, real);
        ChangeEverything();
        Exit();
        window = std::make_unique<frmPing>(net, real);
        ExpectEverythingBack();
        window.reset();
    }
    QSettings file(home.filePath(QStringLiteral("Velmora/Velmora.ini")), QSettings::IniFormat);
    EXPECT_EQ(file.childGroups(), (QStringList{QStringLiteral("Init"), QStringLiteral("Settings")}));
    file.beginGroup(QStringLiteral("Init"));
    EXPECT_EQ(file.value(QStringLiteral("Host Name")).toString(), QStringLiteral("gateway.lan"));
    EXPECT_EQ(file.value(QStringLiteral("IPAddress Start")).toString(), QStringLiteral("10.0.0.1"));
    EXPECT_EQ(file.value(QStringLiteral("ArpDeleteConfirm")).toString(), QStringLiteral("True"));
    EXPECT_EQ(file.childKeys().size(), 11);
}

TEST_F(SettingsTest, StopAddressSurvivesTheCopiesOfTheStartAddress) {
    ui.Store("Init/IPAddress Start", "192.168.0.1");
    ui.Store("Init/IPAddress Stop", "192.168.0.254");
    Open();
    EXPECT_EQ(Octets("txtStartIP"), QStringLiteral("192.168.0.1"));
    EXPECT_EQ(Octets("txtStopIP"), QStringLiteral("192.168.0.254"));
}

TEST_F(SettingsTest, AnAddressWithFewerPointsFillsOnlyTheFirstBoxes) {
    ui.Store("Init/IPAddress Start", "10.2");
    Open();
    EXPECT_EQ(Octets("txtStartIP"), QStringLiteral("10.2.1.8"));
}

TEST_F(SettingsTest, LoopAndAddressModeComeUpSwitched) {
    ui.Store("Init/Loop", "1");
    ui.Store("Init/Address Mode", "1");
    Open();
    EXPECT_FALSE(Edit(QStringLiteral("txtNum")).isEnabled());
    EXPECT_FALSE(Edit(QStringLiteral("txtDNS")).isHidden());
    EXPECT_TRUE(StopOctet(3).isHidden());
}

TEST_F(SettingsTest, ValuesAreStoredAsTheyStandAlsoWhenARunWouldRefuseThem) {
    Open();
    StartOctet(0).setText(QStringLiteral("999"));
    Edit(QStringLiteral("TxtDataSize")).setText(QStringLiteral("40000"));
    Edit(QStringLiteral("txtTTL")).setText(QStringLiteral("1.5"));
    Exit();
    EXPECT_EQ(ui.Stored("Init/IPAddress Start"), "999.1.1.8");
    EXPECT_EQ(ui.Stored("Init/DataSize"), "40000");
    EXPECT_EQ(ui.Stored("Init/TTL"), "1.5");
}

struct Garbage {
    const char* key;
    const char* value;
};

TEST_F(SettingsTest, AStoreFullOfGarbageOpensWithTheDefaults) {
    const Garbage garbage[] = {
        {"Settings/Window", "maximised"}, {"Settings/MainLeft", "left"},  {"Settings/MainTop", "1e999"},
        {"Settings/MainWidth", "-5"},     {"Settings/MainHeight", ""},    {"Init/DataSize", "12ab"},
        {"Init/Num", "abc"},              {"Init/TTL", ""},               {"Init/Delay", "&Hzz"},
        {"Init/Timeout", "--3"},          {"Init/Loop", "7"},             {"Init/Address Mode", "-1"},
        {"Init/ArpDeleteConfirm", "perhaps"}, {"Init/IPAddress Start", "1.2.3.4.5"},
        {"Init/IPAddress Stop", "a.b.c.d.e.f"},
    };
    for (const Garbage& g : garbage) ui.Store(g.key, g.value);
    Open();
    EXPECT_EQ(window->windowState(), Qt::WindowNoState);
    EXPECT_EQ(window->width(), 648);
    EXPECT_FALSE(window->testAttribute(Qt::WA_Moved));
    EXPECT_EQ(Edit(QStringLiteral("TxtDataSize")).text(), QStringLiteral("120"));
    EXPECT_EQ(Edit(QStringLiteral("txtNum")).text(), QStringLiteral("1"));
    EXPECT_EQ(Edit(QStringLiteral("txtTTL")).text(), QStringLiteral("30"));
    EXPECT_EQ(Edit(QStringLiteral("txtDelay")).text(), QStringLiteral("1000"));
    EXPECT_EQ(Edit(QStringLiteral("txtTimeout")).text(), QStringLiteral("500"));
    EXPECT_FALSE(Check(QStringLiteral("chkLoop")).isChecked());
    EXPECT_FALSE(Check(QStringLiteral("chkIpDns")).isChecked());
    EXPECT_EQ(window->TargetMode(), 2);
    EXPECT_FALSE(window->DeleteNoAsk());
    EXPECT_EQ(Octets("txtStartIP"), QStringLiteral("1.1.1.8"));
    EXPECT_EQ(Octets("txtStopIP"), QStringLiteral("1.1.1.8"));
}

TEST_F(SettingsTest, CheckValueTwoGreysTheBoxAndIsSavedAsTwo) {
    ui.Store("Init/Loop", "2");
    ui.Store("Init/Address Mode", "2");
    Open();
    EXPECT_EQ(Check(QStringLiteral("chkLoop")).checkState(), Qt::PartiallyChecked);
    EXPECT_TRUE(Edit(QStringLiteral("txtNum")).isEnabled());
    EXPECT_EQ(window->TargetMode(), 1);
    Exit();
    EXPECT_EQ(ui.Stored("Init/Loop"), "2");
    EXPECT_EQ(ui.Stored("Init/Address Mode"), "2");
}

TEST_F(SettingsTest, APlacementOffEveryScreenComesBackOntoOne) {
    ui.Store("Settings/MainLeft", "-300000");
    ui.Store("Settings/MainTop", "-150000");
    Open();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(window->pos(), screen.topLeft());
}

TEST_F(SettingsTest, APlacementOnAScreenStays) {
    ui.Store("Settings/MainLeft", "1500");
    ui.Store("Settings/MainTop", "750");
    Open();
    EXPECT_EQ(window->pos(), QPoint(100, 50));
}

class WindowStateTest : public WindowTest {
protected:
    void StoreNormalPlacement() {
        ui.Store("Settings/Window", "0");
        ui.Store("Settings/MainLeft", "1500");
        ui.Store("Settings/MainTop", "1200");
        ui.Store("Settings/MainWidth", "10500");
        ui.Store("Settings/MainHeight", "6000");
    }
};

TEST_F(WindowStateTest, MaximisedExitStoresOnlyTheStateAndReopensMaximised) {
    StoreNormalPlacement();
    Open().showMaximized();
    ui.settingWrites.clear();
    Exit();
    EXPECT_EQ(std::count_if(ui.settingWrites.begin(), ui.settingWrites.end(),
                            [](const std::string& k) { return k.rfind("Settings/", 0) == 0; }),
              1);
    EXPECT_EQ(ui.Stored("Settings/Window"), "2");
    EXPECT_EQ(ui.Stored("Settings/MainLeft"), "1500");

    Open().show();
    EXPECT_TRUE(window->isMaximized());
    window->showNormal();
    EXPECT_EQ(window->pos(), QPoint(100, 80));
    EXPECT_EQ(window->size(), QSize(700, 400));
}

TEST_F(WindowStateTest, MinimisedExitWritesNothingOfTheWindow) {
    StoreNormalPlacement();
    Open().show();
    window->move(300, 200);
    window->showMinimized();
    ui.settingWrites.clear();
    Exit();
    for (const std::string& key : ui.settingWrites) EXPECT_NE(key.rfind("Settings/", 0), 0u) << key;
    EXPECT_EQ(ui.Stored("Settings/Window"), "0");
    EXPECT_EQ(ui.Stored("Settings/MainLeft"), "1500");
    EXPECT_EQ(ui.Stored("Init/DataSize"), "120") << "the parameters are saved all the same";
}

TEST_F(WindowStateTest, ResizeOnRestoreFollowsTheDifferenceRule) {
    ui.Store("Settings/MainWidth", std::to_string((648 + 60) * kTwips));
    Open().show();
    EXPECT_EQ(Get<QWidget>(QStringLiteral("logRes")).width(), 633 + 60);
}

class IniFileTest : public WindowTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, home.path());
        QDir(home.path()).mkpath(QStringLiteral("Velmora"));
    }
    void WriteIni(const QByteArray& bytes) {
        QFile ini(home.filePath(QStringLiteral("Velmora/Velmora.ini")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ini.write(bytes);
    }
    QTemporaryDir home;
};

TEST_F(IniFileTest, ATruncatedFileStillLoads) {
    WriteIni("[Init]\nDataSize=600\nTTL=12\nIPAddress%20Start=10.0.0.1\nIPAddress%20Sto");
    QtUiServices real;
    frmPing opened(net, real);
    EXPECT_EQ(opened.findChild<QLineEdit*>(QStringLiteral("TxtDataSize"))->text(), QStringLiteral("600"));
    EXPECT_EQ(opened.findChild<QLineEdit*>(QStringLiteral("txtTTL"))->text(), QStringLiteral("12"));
    EXPECT_EQ(opened.findChild<QLineEdit*>(QStringLiteral("txtStopIP_0"))->text(), QStringLiteral("1"));
}

TEST_F(IniFileTest, AFileOfBinaryGarbageLoadsWithDefaults) {
    QByteArray garbage;
    for (int i = 0; i < 4096; ++i) garbage += char((i * 7919) % 256);
    WriteIni(garbage);
    QtUiServices real;
    frmPing opened(net, real);
    EXPECT_EQ(opened.findChild<QLineEdit*>(QStringLiteral("txtTimeout"))->text(), QStringLiteral("500"));
    EXPECT_EQ(opened.windowTitle(), QStringLiteral("Velmora"));
}

}  // namespace
}  // namespace velmora::test

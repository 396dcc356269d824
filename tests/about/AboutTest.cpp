// The rules of the about box's links and the system information look-up, and
// the parsers of the help file, over the toolkit fake; the about box and the
// help command as the main window opens them, offscreen; and the real help
// launcher and viewer over the built velmora.chm.
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include "about/MWebLink.h"
#include "about/SysInfo.h"
#include "about/frmAbout.h"
#include "about/mdlHelp.h"
#include "help_viewer/ChmParsers.h"
#include "help_viewer/HelpViewer.h"
#include "help_viewer/HelpWindows.h"
#include "platform/QtUiServices.h"
#include "tests/main_window/WindowTesting.h"

namespace velmora::test {
namespace {

using Texts = std::vector<std::string>;

// Receives what the viewer hands to the desktop; here, ahead of the raw strings that moc misreads.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void Open(const QUrl& url) { opened << url; }
};

TEST(OpenWebLinkTest, PrefixesFollowTheLinkType) {
    const struct {
        const char* text;
        std::uint8_t type;
        const char* opened;
    } rows[] = {
        {"http://www.velmora.example.org", kLinkWebPage, "open http://www.velmora.example.org"},
        {"www.velmora.example.org", kLinkWebPage, "open http://www.velmora.example.org"},
        {"HTTP://x.example.org", kLinkWebPage, "open http://HTTP://x.example.org"},  // the prefix is matched exactly
        {"https://x.example.org", kLinkWebPage, "open http://https://x.example.org"},
        {"support@velmora.example.org", kLinkMail, "open mailto:support@velmora.example.org"},
    };
    for (const auto& row : rows) {
        FakeUiServices ui;
        EXPECT_EQ(OpenWebLink(ui, row.text, row.type), kShellOpened) << row.text;
        EXPECT_EQ(ui.launches, Texts{row.opened}) << row.text;
    }
}

// The toolkit fake over the real registry stand-in, whose store is a settings file of the test's own.
class RegistryUi : public FakeUiServices {
public:
    std::int32_t RegOpenKeyExA(HKEY root, const std::string& subKey, std::uint32_t options, std::uint32_t access,
                               HKEY& result) override {
        return real.RegOpenKeyExA(root, subKey, options, access, result);
    }
    std::int32_t RegQueryValueExA(HKEY key, const std::string& valueName, std::uint32_t& type, std::uint8_t* data,
                                  std::uint32_t& size) override {
        return real.RegQueryValueExA(key, valueName, type, data, size);
    }
    std::int32_t RegCloseKey(HKEY key) override { return real.RegCloseKey(key); }

    QtUiServices real;
};

// The PATH value first, then a folder holding MSINFO32.EXE; where the store
// names neither, a system information tool found on the search path.
TEST(StartSysInfoTest, RegistryRulesPickTheProgramOrSayItIsUnavailable) {
    QTemporaryDir dir;
    QSettings::setPath(QSettings::IniFormat, QSettings::SystemScope, dir.path());
    QFile tool(dir.filePath(QStringLiteral("kinfocenter")));
    ASSERT_TRUE(tool.open(QIODevice::WriteOnly) && tool.setPermissions(QFileDevice::ExeOwner | QFileDevice::ReadOwner));
    tool.close();
    const QByteArray savedPath = qgetenv("PATH");
    qputenv("PATH", dir.path().toLocal8Bit());
    const QString path = QStringLiteral("SOFTWARE/Microsoft/Shared Tools/MSINFO/PATH");
    const QString folder = QStringLiteral("SOFTWARE/Microsoft/Shared Tools Location/MSINFO");
    const struct {
        const char* name;
        std::map<QString, QVariant> store;
        bool startFails;
        std::string started;  // "" for none
        bool unavailable;
    } rows[] = {
        {"nothing stored: a tool on the search path", {}, false, tool.fileName().toStdString(), false},
        {"path", {{path, QStringLiteral("/usr/bin/hardinfo")}}, false, "/usr/bin/hardinfo", false},
        {"path that is not text", {{path, QByteArray("\x01\x02", 2)}}, false, "", true},
        {"path that does not start", {{path, QStringLiteral("/nowhere")}}, true, "/nowhere", true},
        {"path too long for the buffer falls to the folder",
         {{path, QString(1025, u'x')}, {folder, QStringLiteral("/opt/msinfo")}}, false, "/opt/msinfo/MSINFO32.EXE",
         false},
        {"folder without MSINFO32.EXE: no tool looked for", {{folder, QStringLiteral("/opt/none")}}, false, "", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        {
            QSettings store(QSettings::IniFormat, QSettings::SystemScope, QStringLiteral("Velmora"),
                            QStringLiteral("Registry"));
            store.clear();
            for (const auto& [name, value] : row.store) store.setValue(name, value);
        }
        RegistryUi ui;
        ui.files["/opt/msinfo/MSINFO32.EXE"];
        if (row.startFails) ui.startFailures = {"No such file"};
        StartSysInfo(ui);
        EXPECT_EQ(ui.launches, row.started.empty() ? Texts{} : Texts{"start " + row.started});
        EXPECT_EQ(ui.boxes.size(), row.unavailable ? 1u : 0u);
        for (const ShownBox& box : ui.boxes) EXPECT_EQ(box.prompt, "System Information Is Unavailable At This Time");
    }
    qputenv("PATH", savedPath);
}

TEST(SitemapTest, ContentsEntriesNestAndSurviveBadInput) {
    const std::string top = R"(<object type="text/sitemap"><param name="Name" value="Top"></object>)";
    const struct {
        const char* name;
        std::string html;
        const char* entries;  // name|local|depth;
    } rows[] = {
        {"nested lists, any case, any quotes",
         R"(<UL><LI><OBJECT type="text/sitemap"><param name="Name" value="Top"><param name="Local" value="a.htm">)"
         R"(</OBJECT><UL><LI><object TYPE='text/sitemap'><PARAM NAME=name VALUE=Sub></object></UL></UL>)",
         "Top|a.htm|0;Sub||1;"},
        {"entities decoded", R"(<ul><object type="text/sitemap"><param name="Name" value="A &amp; &#x263A; &bad;">)",
         "A & \u263A &bad;||0;"},
        {"a jump of two levels nests one", "<ul>" + top + "<ul><ul>" + top, "Top||0;Top||1;"},
        {"unterminated tag and quote", R"(<ul><object type="text/sitemap"><param name="Name" value="cut)", ""},
    };
    for (const auto& row : rows) {
        std::string got;
        for (const auto& e : ParseSitemap(row.html)) {
            got += e.name + '|' + e.local + '|' + std::to_string(e.depth) + ';';
        }
        EXPECT_EQ(got, row.entries) << row.name;
    }
}

// Records are read up to the first one that does not fit; context offsets
// outside the strings are left out.
TEST(ChmParsersTest, SystemRecordsAndContextMapStayInsideTheirBytes) {
    const std::string system("\x03\0\0\0" "\x02\0\x0a\0index.htm\0" "\x00\0\x06\0t.hhc\0" "\x03\0\x40\0cut", 35);
    const ChmSystemInfo info = ParseChmSystem(system);
    EXPECT_EQ(info.defaultTopic, "index.htm");
    EXPECT_EQ(info.contentsFile, "t.hhc");
    EXPECT_EQ(info.title, "");
    const std::string ivb("\x10\0\0\0" "\xe9\x03\0\0" "\x01\0\0\0" "\xea\x03\0\0" "\xff\0\0\0", 20);
    const auto map = ParseContextMap(ivb, std::string("\0/p/a.htm\0", 10));
    EXPECT_EQ(map, (decltype(map){{1001, "/p/a.htm"}}));
}

// Without velmora.chm in the working directory nothing happens; a failed
// look-up is shown with the exclamation icon.
TEST_F(WindowTest, HelpCommandOpensTheFileAtItsDefaultTopicFromMenuAndToolbar) {
    Open().show();
    Item("mnuHelpTopic").trigger();
    EXPECT_TRUE(ui.launches.empty());
    ui.files["velmora.chm"];
    Button(11).trigger();
    const std::string owner = std::to_string(WindowHandle(window->winId()));
    EXPECT_EQ(ui.launches, Texts{"help " + owner + " velmora.chm " + std::to_string(HH_DISPLAY_TOPIC)});
    ui.existsFailures = {"Permission denied"};
    Item("mnuHelpTopic").trigger();
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].prompt, "Permission denied");
    EXPECT_EQ(ui.boxes[0].style, vbExclamation);
}

TEST_F(WindowTest, AboutBoxShowsItsTextsOpensItsLinksAndGoesWithTheMainWindow) {
    Open().show();
    Item("mnuAboutSoftware").trigger();
    Item("mnuAboutSoftware").trigger();
    QList<frmAbout*> boxes;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* about = qobject_cast<frmAbout*>(w)) boxes << about;
    }
    ASSERT_EQ(boxes.size(), 1) << "a second About brings the same box forward";
    frmAbout& about = *boxes[0];
    EXPECT_TRUE(about.isVisible());
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Velmora"));
    EXPECT_EQ(about.findChild<QLabel*>(QStringLiteral("lblVersion"))->text(), QStringLiteral("Version 1.2.6"));

    QLabel& web = *about.findChild<QLabel*>(QStringLiteral("lblWeb"));
    QTest::mouseClick(&web, Qt::LeftButton);
    QTest::mouseClick(about.findChild<QLabel*>(QStringLiteral("imgEmail")), Qt::LeftButton);
    EXPECT_EQ(ui.launches, (Texts{"open http://www.velmora.example.org", "open mailto:support@velmora.example.org"}));
    EXPECT_TRUE(web.font().underline()) << "a click leaves the link underlined";
    QTest::mouseClick(&about, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_FALSE(web.font().underline()) << "a release over the background takes it away";

    const QPointer<frmAbout> box(&about);
    Exit();
    EXPECT_TRUE(box.isNull()) << "the unload sequence unloads the about box";
}

TEST(HelpViewerTest, LauncherOpensOnlyTheHelpFileInTheWorkingDirectoryAtItsTopics) {
    EnsureApplication();
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(dir.isValid() && QDir::setCurrent(dir.path()));
    HelpWindows help;
    QtUiServices ui;
    ui.SetHelpDisplay(&help);
    EXPECT_FALSE(ShowHtmlHelp(ui, kHelpFile, 0, 0));
    QFile file(QStringLiteral("velmora.chm"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("not a compiled help file") > 0);
    file.close();
    EXPECT_FALSE(ShowHtmlHelp(ui, kHelpFile, 0, 0)) << "a file that is no help file";
    ASSERT_TRUE(file.remove() && QFile::copy(QStringLiteral(VELMORA_HELP_FILE), file.fileName()));
    EXPECT_TRUE(ShowHtmlHelp(ui, kHelpFile, 0, 0));
    HelpViewer* viewer = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* shown = qobject_cast<HelpViewer*>(w); shown && shown->isVisible()) viewer = shown;
    }
    ASSERT_NE(viewer, nullptr);
    ChmBrowser& browser = viewer->Browser();
    const auto shown = [&browser] { return browser.source().path().toStdString(); };
    EXPECT_EQ(viewer->windowTitle(), QStringLiteral("Velmora Help"));
    EXPECT_EQ(shown(), "/index.htm");
    EXPECT_TRUE(browser.toPlainText().contains(QStringLiteral("Velmora is a network utility")));

    emit browser.anchorClicked(QUrl(QStringLiteral("permissions.htm")));
    EXPECT_TRUE(browser.toPlainText().contains(QStringLiteral("cap_net_admin,cap_net_raw+ep")));
    EXPECT_EQ(viewer->Contents().currentItem()->text(0), QStringLiteral("Permissions"));
    QTreeWidget& contents = viewer->Contents();
    ASSERT_EQ(contents.topLevelItemCount(), 1);
    ASSERT_EQ(contents.topLevelItem(0)->childCount(), 11) << "every page under the overview";
    QTreeWidgetItem* results = contents.topLevelItem(0)->child(1);
    QTest::mouseClick(contents.viewport(), Qt::LeftButton, {}, contents.visualItemRect(results).center());
    EXPECT_EQ(shown(), "/results.htm");
    browser.backward();
    EXPECT_EQ(shown(), "/permissions.htm");

    // Only web and mail links leave the file.
    UrlRecorder desktop;
    const QStringList schemes{QStringLiteral("https"), QStringLiteral("mailto"), QStringLiteral("file")};
    for (const QString& scheme : schemes) QDesktopServices::setUrlHandler(scheme, &desktop, "Open");
    const QList<QUrl> links{QUrl(QStringLiteral("https://www.velmora.example.org")),
                            QUrl(QStringLiteral("mailto:support@velmora.example.org")),
                            QUrl(QStringLiteral("file:///bin/sh"))};
    for (const QUrl& link : links) emit browser.anchorClicked(link);
    for (const QString& scheme : schemes) QDesktopServices::unsetUrlHandler(scheme);
    EXPECT_EQ(desktop.opened, links.mid(0, 2));
    EXPECT_EQ(shown(), "/permissions.htm");

    EXPECT_TRUE(ShowHtmlHelp(ui, kHelpFile, 0, 1020)) << "the results page by its context number";
    EXPECT_EQ(shown(), "/results.htm") << "in the one viewer of the file";
    EXPECT_FALSE(ShowHtmlHelp(ui, kHelpFile, 0, 4242)) << "an unknown context number shows nothing";
    QDir::setCurrent(previous);
}

}  // namespace
}  // namespace velmora::test

#include "AboutTest.moc"

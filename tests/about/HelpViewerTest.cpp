// The real toolkit layer: the help launcher against the working directory,
// the viewer over the built velmora.chm, and the registry stand-in over a
// settings file of the test's own.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTreeWidget>

#include "about/mdlHelp.h"
#include "platform/HelpViewer.h"
#include "platform/QtUiServices.h"
#include "tests/main_window/WindowTesting.h"

namespace velmora {
namespace {

class HelpViewerTest : public testing::Test {
protected:
    static void SetUpTestSuite() { test::EnsureApplication(); }
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(QDir::setCurrent(dir.path()));
    }
    void TearDown() override { QDir::setCurrent(previous); }

    static HelpViewer* Viewer() {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* viewer = qobject_cast<HelpViewer*>(w); viewer && viewer->isVisible()) return viewer;
        }
        return nullptr;
    }
    static std::string Shown(const HelpViewer& viewer) { return viewer.Browser().source().path().toStdString(); }

    // Clicks the link with this target the way a user does.
    static void ClickLink(ChmBrowser& browser, const QString& href) {
        for (QTextBlock block = browser.document()->begin(); block.isValid(); block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextFragment fragment = it.fragment();
                if (fragment.charFormat().anchorHref() != href) continue;
                QTextCursor cursor(browser.document());
                cursor.setPosition(fragment.position() + 1);
                browser.setTextCursor(cursor);
                browser.ensureCursorVisible();
                const QPoint at = browser.cursorRect(cursor).center();
                QTest::mouseClick(browser.viewport(), Qt::LeftButton, {}, at);
                return;
            }
        }
        FAIL() << "no link to " << href.toStdString();
    }

    static bool CopyHelpFile() { return QFile::copy(QStringLiteral(VELMORA_HELP_FILE), QStringLiteral("velmora.chm")); }

    QString previous = QDir::currentPath();
    QTemporaryDir dir;
    QtUiServices ui;
};

TEST_F(HelpViewerTest, LauncherOpensOnlyTheFileInTheWorkingDirectoryAtItsTopics) {
    EXPECT_FALSE(ShowHtmlHelp(ui, kHelpFile, 0, 0));
    QFile garbage(QStringLiteral("velmora.chm"));
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly) && garbage.write("not a compiled help file") > 0);
    garbage.close();
    EXPECT_FALSE(ShowHtmlHelp(ui, kHelpFile, 0, 0)) << "a file that is no help file";
    EXPECT_EQ(Viewer(), nullptr);
    ASSERT_TRUE(garbage.remove() && CopyHelpFile());
    EXPECT_TRUE(ShowHtmlHelp(ui, kHelpFile, 0, 0));
    HelpViewer* viewer = Viewer();
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(viewer->windowTitle(), QStringLiteral("Velmora Help"));
    EXPECT_EQ(Shown(*viewer), "/index.htm");
    EXPECT_TRUE(viewer->Browser().toPlainText().contains(QStringLiteral("Velmora is a network utility")));

    ClickLink(viewer->Browser(), QStringLiteral("permissions.htm"));
    EXPECT_TRUE(viewer->Browser().toPlainText().contains(QStringLiteral("cap_net_admin,cap_net_raw+ep")));
    EXPECT_EQ(viewer->Contents().currentItem()->text(0), QStringLiteral("Permissions"));
    viewer->Browser().backward();
    EXPECT_EQ(Shown(*viewer), "/index.htm");

    QTreeWidget& contents = viewer->Contents();
    ASSERT_EQ(contents.topLevelItemCount(), 1);
    ASSERT_EQ(contents.topLevelItem(0)->childCount(), 9) << "every page under the overview";
    QTreeWidgetItem* results = contents.topLevelItem(0)->child(1);
    QTest::mouseClick(contents.viewport(), Qt::LeftButton, {}, contents.visualItemRect(results).center());
    EXPECT_EQ(Shown(*viewer), "/results.htm");
    viewer->Browser().backward();

    EXPECT_TRUE(ShowHtmlHelp(ui, kHelpFile, 0, 1020)) << "the results page by its context number";
    EXPECT_EQ(Viewer(), viewer) << "one viewer a file";
    EXPECT_EQ(Shown(*viewer), "/results.htm");
    EXPECT_FALSE(ShowHtmlHelp(ui, kHelpFile, 0, 4242)) << "an unknown context number shows nothing";
}

// Receives what the viewer hands to the desktop.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void Open(const QUrl& url) { opened << url; }
};

TEST_F(HelpViewerTest, OnlyWebAndMailLinksLeaveTheFile) {
    ASSERT_TRUE(CopyHelpFile());
    ASSERT_TRUE(ShowHtmlHelp(ui, kHelpFile, 0, 0));
    UrlRecorder desktop;
    const QStringList schemes{QStringLiteral("https"), QStringLiteral("mailto"), QStringLiteral("file")};
    for (const QString& scheme : schemes) QDesktopServices::setUrlHandler(scheme, &desktop, "Open");
    const QList<QUrl> links{QUrl(QStringLiteral("https://www.velmora.example.org")),
                            QUrl(QStringLiteral("mailto:support@velmora.example.org")),
                            QUrl(QStringLiteral("file:///bin/sh"))};
    for (const QUrl& link : links) emit Viewer()->Browser().anchorClicked(link);
    for (const QString& scheme : schemes) QDesktopServices::unsetUrlHandler(scheme);
    EXPECT_EQ(desktop.opened, links.mid(0, 2));
    EXPECT_EQ(Shown(*Viewer()), "/index.htm");
}

TEST_F(HelpViewerTest, RegistryAnswersFromTheMachineWideFileAndFindsAToolWhereItNamesNone) {
    QSettings::setPath(QSettings::IniFormat, QSettings::SystemScope, dir.path());
    const QString bin = dir.filePath(QStringLiteral("bin"));
    ASSERT_TRUE(QDir().mkpath(bin));
    QFile tool(bin + QStringLiteral("/kinfocenter"));
    ASSERT_TRUE(tool.open(QIODevice::WriteOnly) && tool.setPermissions(QFileDevice::ExeOwner | QFileDevice::ReadOwner));
    tool.close();
    const QByteArray savedPath = qgetenv("PATH");
    qputenv("PATH", bin.toLocal8Bit());

    const auto read = [&](const char* key, const char* name, std::uint32_t& type) {
        HKEY handle = 0;
        std::string bytes(1024, '\0');
        auto size = std::uint32_t(bytes.size());
        if (ui.RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, kRegistryAccess, handle) != ERROR_SUCCESS) {
            return std::string("(no key)");
        }
        auto* data = reinterpret_cast<std::uint8_t*>(bytes.data());
        const auto status = ui.RegQueryValueExA(handle, name, type, data, size);
        EXPECT_EQ(ui.RegCloseKey(handle), ERROR_SUCCESS);
        return status == ERROR_SUCCESS ? bytes.substr(0, size) : std::string("(no value)");
    };
    const char* pathKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
    std::uint32_t type = 0;
    EXPECT_EQ(read(pathKey, "PATH", type), (bin + QStringLiteral("/kinfocenter")).toStdString() + '\0');
    EXPECT_EQ(type, REG_SZ);

    {
        QSettings store(QSettings::IniFormat, QSettings::SystemScope, QStringLiteral("Velmora"),
                        QStringLiteral("Registry"));
        store.setValue(QStringLiteral("SOFTWARE/Microsoft/Shared Tools Location/MSINFO"), QStringLiteral("/opt/x"));
        store.setValue(QStringLiteral("SOFTWARE/Other/Blob"), QByteArray("\x01\x02", 2));
    }
    EXPECT_EQ(read(pathKey, "PATH", type), "(no key)") << "the file names a folder: no program found for it";
    EXPECT_EQ(read("SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO", type), std::string("/opt/x\0", 7));
    EXPECT_EQ(read("SOFTWARE\\Other", "Blob", type), std::string("\x01\x02", 2));
    EXPECT_EQ(type, REG_BINARY);
    EXPECT_EQ(read("SOFTWARE\\Other", "Missing", type), "(no value)");
    qputenv("PATH", savedPath);
}

}  // namespace
}  // namespace velmora

#include "HelpViewerTest.moc"

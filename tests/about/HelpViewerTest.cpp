// The real toolkit layer: the help launcher against the working directory and
// the viewer over the built velmora.chm.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include "about/mdlHelp.h"
#include "platform/HelpViewer.h"
#include "platform/QtUiServices.h"
#include "tests/main_window/WindowTesting.h"

namespace velmora {
namespace {

// Receives what the viewer hands to the desktop.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void Open(const QUrl& url) { opened << url; }
};

TEST(HelpViewerTest, LauncherOpensOnlyTheHelpFileInTheWorkingDirectoryAtItsTopics) {
    test::EnsureApplication();
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(dir.isValid() && QDir::setCurrent(dir.path()));
    QtUiServices ui;
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
    ASSERT_EQ(contents.topLevelItem(0)->childCount(), 9) << "every page under the overview";
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
}  // namespace velmora

#include "HelpViewerTest.moc"

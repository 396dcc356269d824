// The about box and the help command as the main window opens them, over the fakes.
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "about/frmAbout.h"
#include "tests/main_window/WindowTesting.h"

namespace velmora::test {
namespace {

class AboutWindowTest : public WindowTest {
protected:
    void SetUp() override { Open().show(); }
};

// Without velmora.chm in the working directory nothing happens; a failed
// look-up is shown with the exclamation icon.
TEST_F(AboutWindowTest, HelpCommandOpensTheFileAtItsDefaultTopicFromMenuAndToolbar) {
    Item("mnuHelpTopic").trigger();
    EXPECT_TRUE(ui.helpCalls.empty());
    EXPECT_TRUE(ui.boxes.empty());
    ui.files["velmora.chm"];
    Item("mnuHelpTopic").trigger();
    Button(11).trigger();
    ASSERT_EQ(ui.helpCalls.size(), 2u);
    for (const auto& call : ui.helpCalls) {
        EXPECT_EQ(call.owner, WindowHandle(window->winId()));
        EXPECT_EQ(call.file, "velmora.chm");
        EXPECT_EQ(call.command, HH_DISPLAY_TOPIC);
    }
    ui.existsFailures = {"Permission denied"};
    Button(11).trigger();
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].prompt, "Permission denied");
    EXPECT_EQ(ui.boxes[0].style, vbExclamation);
    EXPECT_EQ(ui.boxes[0].title, "Velmora");
}

TEST_F(AboutWindowTest, AboutBoxShowsItsTextsOpensItsLinksAndGoesWithTheMainWindow) {
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
    const auto text = [&about](const char* name) {
        return about.findChild<QWidget*>(QLatin1String(name))->property("text");
    };
    EXPECT_EQ(text("lblVersion").toString(), QStringLiteral("Version 1.2.6"));
    EXPECT_EQ(text("lblTitle").toString(), QStringLiteral("Velmora"));
    EXPECT_EQ(text("cmdSysInfo").toString(), QStringLiteral("&System Info..."));
    EXPECT_EQ(AboutDescription(),
              "IP utility which allow the user to perform a loop pinging & monitoring on a multiple IP "
              "address\\DNS name with a full control of its DataSize, TTL, Timeout and Delay.\r August 2001");

    QLabel& web = *about.findChild<QLabel*>(QStringLiteral("lblWeb"));
    QTest::mouseClick(&web, Qt::LeftButton);
    QTest::mouseClick(about.findChild<QLabel*>(QStringLiteral("imgEmail")), Qt::LeftButton);
    EXPECT_EQ(ui.shellOpens,
              (std::vector<std::string>{"http://www.velmora.example.org", "mailto:support@velmora.example.org"}));
    EXPECT_TRUE(web.font().underline()) << "a click leaves the link underlined";
    QTest::mouseClick(&about, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_FALSE(web.font().underline()) << "a release over the background takes it away";

    QPointer<frmAbout> box(&about);
    Exit();
    EXPECT_TRUE(box.isNull()) << "the unload sequence unloads the about box";
}

}  // namespace
}  // namespace velmora::test

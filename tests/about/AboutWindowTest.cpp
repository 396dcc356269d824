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

    static frmAbout* FindAbout() {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* about = qobject_cast<frmAbout*>(w)) return about;
        }
        return nullptr;
    }
    template <typename T>
    static T& In(QWidget& parent, const char* name) {
        T* found = parent.findChild<T*>(QLatin1String(name));
        if (!found) throw std::logic_error(std::string("no control ") + name);
        return *found;
    }
};

TEST_F(AboutWindowTest, HelpCommandOpensTheFileAtItsDefaultTopicFromMenuAndToolbar) {
    Item("mnuHelpTopic").trigger();
    EXPECT_TRUE(ui.helpCalls.empty()) << "no velmora.chm in the working directory: nothing happens";
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
}

TEST_F(AboutWindowTest, HelpLookUpFailureIsShownWithTheExclamationIcon) {
    ui.existsFailures = {"Permission denied", "Permission denied"};
    Item("mnuHelpTopic").trigger();
    Button(11).trigger();
    ASSERT_EQ(ui.boxes.size(), 2u);
    for (const auto& box : ui.boxes) {
        EXPECT_EQ(box.prompt, "Permission denied");
        EXPECT_EQ(box.style, vbExclamation);
        EXPECT_EQ(box.title, "Velmora");
    }
}

TEST_F(AboutWindowTest, AboutBoxShowsItsTextsOpensItsLinksAndGoesWithTheMainWindow) {
    Item("mnuAboutSoftware").trigger();
    Item("mnuAboutSoftware").trigger();
    int boxes = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) boxes += qobject_cast<frmAbout*>(w) != nullptr;
    ASSERT_EQ(boxes, 1) << "a second About brings the same box forward";
    frmAbout& about = *FindAbout();
    EXPECT_TRUE(about.isVisible());
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Velmora"));
    EXPECT_EQ(In<QLabel>(about, "lblVersion").text(), QStringLiteral("Version 1.2.6"));
    EXPECT_EQ(In<QLabel>(about, "lblTitle").text(), QStringLiteral("Velmora"));
    EXPECT_EQ(AboutDescription(),
              "IP utility which allow the user to perform a loop pinging & monitoring on a multiple IP "
              "address\\DNS name with a full control of its DataSize, TTL, Timeout and Delay.\r August 2001");
    EXPECT_EQ(In<QPushButton>(about, "cmdSysInfo").text(), QStringLiteral("&System Info..."));

    QLabel& web = In<QLabel>(about, "lblWeb");
    QTest::mouseClick(&web, Qt::LeftButton);
    QTest::mouseClick(&In<QLabel>(about, "imgEmail"), Qt::LeftButton);
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

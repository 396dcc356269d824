#include <QComboBox>
#include <QTest>
#include <QTreeWidget>
#include <stdexcept>

#include "interfaces/frmInterfaceInfo.h"
#include "tests/main_window/WindowTesting.h"
#include "tests/support/TableRows.h"

namespace velmora::test {
namespace {

class InterfaceWindowTest : public WindowTest {
protected:
    void SetUp() override {
        net.ifRows = {IfRow(1, "lo"), IfRow(2, "eth0"), IfRow(3, "eth1")};
        Open();
    }

    // The open interface window, or nothing.
    frmInterfaceInfo* Info() const { return window->findChild<frmInterfaceInfo*>(); }
    QComboBox& List() const { return *Info()->findChild<QComboBox*>(QStringLiteral("cmbSelInterface")); }
    QString Value(int row) const {
        return Info()->findChild<QTreeWidget*>(QStringLiteral("lvInterfaceInfo"))->topLevelItem(row - 1)->text(1);
    }
    void CloseInfo() {
        Info()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ASSERT_EQ(Info(), nullptr);
    }
};

TEST_F(InterfaceWindowTest, ReopeningSelectsTheLastChoiceWhileItExistsAndOpeningAgainOnlyBringsItForward) {
    Button(9).trigger();
    ASSERT_NE(Info(), nullptr);
    EXPECT_EQ(List().count(), 3);
    EXPECT_EQ(List().currentIndex(), 0);  // the first opening in a run
    EXPECT_EQ(Value(1), "lo");

    QTest::keyClick(&List(), Qt::Key_Down);
    QTest::keyClick(&List(), Qt::Key_Down);
    EXPECT_EQ(Value(1), "eth1");
    frmInterfaceInfo* const open = Info();
    Item("mnuInterfaceInfo").trigger();
    EXPECT_EQ(window->findChildren<frmInterfaceInfo*>().size(), 1);
    EXPECT_EQ(Info(), open);

    CloseInfo();
    Item("mnuInterfaceInfo").trigger();
    ASSERT_NE(Info(), nullptr);
    EXPECT_EQ(List().currentIndex(), 2);
    EXPECT_EQ(Value(1), "eth1");

    // Fewer interfaces than before: the first entry; none at all: an empty window.
    CloseInfo();
    net.ifRows.resize(2);
    Button(9).trigger();
    EXPECT_EQ(List().currentIndex(), 0);
    EXPECT_EQ(Value(1), "lo");
    CloseInfo();
    net.ifRows.clear();
    Button(9).trigger();
    EXPECT_EQ(List().count(), 0);
    ASSERT_TRUE(ui.timers.back()->Fire());
    for (int row = 1; row <= kInterfaceRows; ++row) EXPECT_EQ(Value(row), "") << row;
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(InterfaceWindowTest, AFailedOpeningShowsItsBoxAndTheMainWindowsUnloadClosesTheWindow) {
    net.afterIfRead = [] { throw std::runtime_error("table gone"); };
    Button(9).trigger();
    EXPECT_EQ(Info(), nullptr);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].prompt, "table gone");
    EXPECT_EQ(ui.boxes[0].style, vbCritical);
    EXPECT_EQ(ui.boxes[0].title, "Failed to open interface information.");

    net.afterIfRead = nullptr;
    Button(9).trigger();
    const QPointer<frmInterfaceInfo> open = Info();
    ASSERT_TRUE(open);
    window->close();
    EXPECT_FALSE(open);
}

}  // namespace
}  // namespace velmora::test

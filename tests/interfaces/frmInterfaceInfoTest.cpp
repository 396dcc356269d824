// The interface window opened from the main window over the fakes: the
// remembered choice, one window at a time, a failed opening, and unload.
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

    frmInterfaceInfo* Info() const { return window->findChild<frmInterfaceInfo*>(); }
    QComboBox& List() const { return *Info()->findChild<QComboBox*>(QStringLiteral("cmbSelInterface")); }
    QString Value(int row) const {
        return Info()->findChild<QTreeWidget*>(QStringLiteral("lvInterfaceInfo"))->topLevelItem(row - 1)->text(1);
    }
    void Reopen() {
        Info()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        Item("mnuInterfaceInfo").trigger();
    }
};

// A failed opening shows its box and leaves no window.
TEST_F(InterfaceWindowTest, ReopeningSelectsTheLastChoiceWhileItExistsAndTheMainWindowsUnloadClosesIt) {
    net.afterIfRead = [] { throw std::runtime_error("table gone"); };
    Button(9).trigger();
    EXPECT_EQ(Info(), nullptr);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].prompt + " / " + ui.boxes[0].title, "table gone / Failed to open interface information.");
    net.afterIfRead = nullptr;

    Button(9).trigger();
    EXPECT_EQ(Value(1), "lo") << "the first opening in a run";
    QTest::keyClick(&List(), Qt::Key_Down);
    QTest::keyClick(&List(), Qt::Key_Down);
    ASSERT_TRUE(ui.timers.back()->Fire());
    EXPECT_EQ(Value(1), "eth1");
    Item("mnuInterfaceInfo").trigger();
    EXPECT_EQ(window->findChildren<frmInterfaceInfo*>().size(), 1) << "opening again brings it forward";
    Reopen();
    EXPECT_EQ(Value(1), "eth1");
    net.ifRows.resize(2);  // fewer interfaces than before: the first entry
    Reopen();
    EXPECT_EQ(Value(1), "lo");

    const QPointer<frmInterfaceInfo> open = Info();
    window->close();
    EXPECT_FALSE(open);
}

}  // namespace
}  // namespace velmora::test

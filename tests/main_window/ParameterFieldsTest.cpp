#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QTest>

#include "main_window/ParameterFields.h"
#include "tests/main_window/WindowTesting.h"

namespace velmora::test {
namespace {

TEST(DigitFilterTest, PassesDigitsBackspaceKeysThatTypeNothingAndShortcuts) {
    const struct {
        const char* name;
        int key;
        Qt::KeyboardModifiers modifiers;
        const char* text;
        bool passes;
    } rows[] = {
        {"digit", Qt::Key_5, {}, "5", true},        {"backspace", Qt::Key_Backspace, {}, "\b", true},
        {"delete", Qt::Key_Delete, {}, "\x7f", true}, {"arrow", Qt::Key_Left, {}, "", true},
        {"tab", Qt::Key_Tab, {}, "\t", true},         {"letter", Qt::Key_A, {}, "a", false},
        {"point", Qt::Key_Period, {}, ".", false},   {"enter", Qt::Key_Return, {}, "\r", false},
        {"escape", Qt::Key_Escape, {}, "\x1b", false},
        {"ctrl+a", Qt::Key_A, Qt::ControlModifier, "\x01", true},
        {"ctrl+c", Qt::Key_C, Qt::ControlModifier, "\x03", true},
        {"ctrl+x", Qt::Key_X, Qt::ControlModifier, "\x18", true},
        {"ctrl+v typing no text", Qt::Key_V, Qt::ControlModifier, "", true},
        {"ctrl+z", Qt::Key_Z, Qt::ControlModifier, "\x1a", true},
        {"alt+c, a menu's key", Qt::Key_C, Qt::AltModifier, "c", true},
    };
    for (const auto& row : rows) {
        const QKeyEvent event(QEvent::KeyPress, row.key, row.modifiers, QString::fromLatin1(row.text));
        EXPECT_EQ(DigitFilterPasses(event), row.passes) << row.name;
    }
}

class FieldTest : public WindowTest {
protected:
    void SetUp() override { Open().show(); }
    // A field holding "30" with the caret at its end.
    QLineEdit& Field30(const char* name) {
        QLineEdit& field = Edit(name);
        field.setText(QStringLiteral("30"));
        field.setCursorPosition(2);
        field.setFocus();
        return field;
    }
    static constexpr const char* kNumericFields[] = {"TxtDataSize", "txtNum", "txtTTL", "txtTimeout", "txtDelay"};
};

// The rule is the table above; here each field shows it is wired to it.
TEST_F(FieldTest, EveryNumericFieldAndOctetBoxFiltersTypingAndOnlyTheNumericFieldsCleanUp) {
    std::vector<std::string> filtered(std::begin(kNumericFields), std::end(kNumericFields));
    for (const char* row : {"txtStartIP_", "txtStopIP_"}) {
        for (int i = 0; i < 4; ++i) filtered.push_back(row + std::to_string(i));
    }
    for (const std::string& name : filtered) {
        QTest::keyClicks(&Field30(name.c_str()), QStringLiteral("1a-"));
        EXPECT_EQ(Text(name.c_str()), "301") << name;
    }
    for (const char* name : kNumericFields) {
        Edit(name).setText(QStringLiteral("&HFF"));
        EXPECT_EQ(Text(name), "255") << name;
    }
    StartOctet(1).setText(QStringLiteral("007"));
    EXPECT_EQ(StartOctet(1).text(), QStringLiteral("007")) << "octets are not cleaned up";
    Check("chkIpDns").setChecked(true);
    QTest::keyClicks(&Edit("txtDNS"), QStringLiteral(" a-2."));
    EXPECT_EQ(Text("txtDNS"), "localhost a-2.") << "the host name takes any text";
}

TEST_F(FieldTest, PastedAndComposedTextIsFilteredOrCleanedToo) {
    QGuiApplication::clipboard()->setText(QStringLiteral("12ab"));
    for (const auto& [name, expected] : {std::pair{"TxtDataSize", "12"}, std::pair{"txtStopIP_1", "30"}}) {
        QLineEdit& field = Field30(name);
        field.selectAll();
        field.paste();  // what the context menu's Paste does: not filtered, but cleaned or refused
        EXPECT_EQ(field.text().toStdString(), expected) << name;
    }
    QInputMethodEvent composed;
    composed.setCommitString(QStringLiteral("4x5"));
    QCoreApplication::sendEvent(&Field30("txtDelay"), &composed);
    EXPECT_EQ(Text("txtDelay"), "3045");
}

// Tab goes in reading order: the start octets, the stop octets, then the
// parameters. "." moves on and a pasted dotted address fills its row; neither
// reaches the box.
TEST_F(FieldTest, TabAndPointMoveThroughTheOctetsAndAPastedAddressFillsTheRow) {
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    const char* const order[] = {"txtStartIP_0", "txtStartIP_1", "txtStartIP_2", "txtStartIP_3", "txtStopIP_0",
                                 "txtStopIP_1",  "txtStopIP_2",  "txtStopIP_3",  "chkIpDns",     "chkLoop",
                                 "txtNum",       "TxtDataSize",  "txtTTL",       "txtTimeout",   "txtDelay"};
    Edit(order[0]).setFocus();
    for (std::size_t i = 1; i < std::size(order); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget()->objectName().toStdString(), order[i]);
    }
    QTest::keyClick(&Field30("txtStartIP_3"), Qt::Key_Period);
    EXPECT_EQ(QApplication::focusWidget()->objectName(), QStringLiteral("txtStopIP_0"));
    EXPECT_EQ(Text("txtStartIP_3"), "30");
    QGuiApplication::clipboard()->setText(QStringLiteral(" 10.9.2.7 "));
    QTest::keyClick(&Field30("txtStopIP_1"), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Octets("txtStopIP"), "10.9.2.7");
    EXPECT_EQ(Text("txtStartIP_0"), "1") << "the other row stays";
    QGuiApplication::clipboard()->setText(QStringLiteral("10.9.2"));
    QTest::keyClick(&Field30("txtStopIP_1"), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Text("txtStopIP_1"), "30") << "not an address, nor an octet: the box refuses it";
}

// The clean-up keeps the caret's distance from the end, so typing goes on where it was.
TEST_F(FieldTest, CleanUpKeepsTheCaretWhereTheUserTypes) {
    QLineEdit& ttl = Field30("txtTTL");
    QTest::keyClick(&ttl, Qt::Key_Home);
    QTest::keyClicks(&ttl, QStringLiteral("01"));
    EXPECT_EQ(ttl.text(), QStringLiteral("130"));
}

TEST_F(FieldTest, TypingAStartOctetCopiesItIntoTheStopOctetOnly) {
    QTest::keyClicks(&Field30("txtStartIP_2"), QStringLiteral("4"));
    EXPECT_EQ(Octets("txtStopIP"), "1.1.304.8");
    QTest::keyClick(&StopOctet(2), Qt::Key_Backspace);
    EXPECT_EQ(Text("txtStartIP_2"), "304") << "the stop octets copy nothing back";
}

TEST_F(FieldTest, CheckingIpDnsShowsTheHostNameInsteadOfTheOctets) {
    QTest::mouseClick(&Check("chkIpDns"), Qt::LeftButton);
    ExpectTargetControls(false);
    Check("chkIpDns").setChecked(false);  // as a click does
    ExpectTargetControls(true);
}

TEST_F(FieldTest, CheckingLoopGreysAndDisablesNumKeepingItsText) {
    const auto NumBackground = [this] { return Edit("txtNum").palette().color(QPalette::Base); };
    Edit("txtNum").setText(QStringLiteral("4"));
    const QColor normal = NumBackground();
    QTest::mouseClick(&Check("chkLoop"), Qt::LeftButton);
    EXPECT_FALSE(Edit("txtNum").isEnabled());
    EXPECT_NE(NumBackground(), normal);
    Check("chkLoop").setChecked(false);
    EXPECT_TRUE(Edit("txtNum").isEnabled());
    EXPECT_EQ(NumBackground(), normal);
    EXPECT_EQ(Text("txtNum"), "4");
}

}  // namespace
}  // namespace velmora::test

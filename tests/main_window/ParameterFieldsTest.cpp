#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QTest>
#include <functional>

#include "tests/main_window/WindowTesting.h"

namespace velmora::test {
namespace {

const char* const kFilteredFields[] = {"TxtDataSize",  "txtNum",       "txtTTL",       "txtTimeout",  "txtDelay",
                                       "txtStartIP_0", "txtStartIP_1", "txtStartIP_2", "txtStartIP_3", "txtStopIP_0",
                                       "txtStopIP_1",  "txtStopIP_2",  "txtStopIP_3"};
const char* const kNumericFields[] = {"TxtDataSize", "txtNum", "txtTTL", "txtTimeout", "txtDelay"};

class FieldTest : public WindowTest {
protected:
    void SetUp() override {
        Open().show();
        QGuiApplication::clipboard()->setText(QStringLiteral("77"));
    }
    // A field holding "30" with the caret at its end.
    QLineEdit& Field30(const char* name) {
        QLineEdit& field = Edit(name);
        field.setText(QStringLiteral("30"));
        field.setCursorPosition(2);
        field.setFocus();
        return field;
    }
};

struct Keystroke {
    const char* name;
    std::function<void(QLineEdit&)> type;
    const char* expected;  // from "30"
};

const Keystroke kKeystrokes[] = {
    {"letter", [](QLineEdit& f) { QTest::keyClick(&f, Qt::Key_A); }, "30"},
    {"capital", [](QLineEdit& f) { QTest::keyClick(&f, Qt::Key_E, Qt::ShiftModifier); }, "30"},
    {"point", [](QLineEdit& f) { QTest::keyClick(&f, Qt::Key_Period); }, "30"},
    {"minus", [](QLineEdit& f) { QTest::keyClick(&f, Qt::Key_Minus); }, "30"},
    {"plus", [](QLineEdit& f) { QTest::keyClick(&f, Qt::Key_Plus); }, "30"},
    {"space", [](QLineEdit& f) { QTest::keyClick(&f, Qt::Key_Space); }, "30"},
    {"enter", [](QLineEdit& f) { QTest::keyClick(&f, Qt::Key_Return); }, "30"},
    {"ctrl+v", [](QLineEdit& f) { QTest::keyClick(&f, Qt::Key_V, Qt::ControlModifier); }, "30"},
    {"ctrl+v typing no text",
     [](QLineEdit& f) {
         QKeyEvent press(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier, QString());
         QCoreApplication::sendEvent(&f, &press);
     },
     "30"},
    {"ctrl+x",
     [](QLineEdit& f) {
         f.selectAll();
         QTest::keyClick(&f, Qt::Key_X, Qt::ControlModifier);
     },
     "30"},
    {"digit", [](QLineEdit& f) { QTest::keyClick(&f, Qt::Key_5); }, "305"},
    {"digits", [](QLineEdit& f) { QTest::keyClicks(&f, QStringLiteral("1a2.3-")); }, "30123"},
    {"backspace", [](QLineEdit& f) { QTest::keyClick(&f, Qt::Key_Backspace); }, "3"},
    {"arrow then digit",
     [](QLineEdit& f) {
         QTest::keyClick(&f, Qt::Key_Left);
         QTest::keyClick(&f, Qt::Key_9);
     },
     "390"},
    {"delete", [](QLineEdit& f) {
         QTest::keyClick(&f, Qt::Key_Home);
         QTest::keyClick(&f, Qt::Key_Delete);
     },
     "0"},
};

TEST_F(FieldTest, DigitFilterPassesDigitsAndBackspaceOnly) {
    for (const char* name : kFilteredFields) {
        for (const Keystroke& k : kKeystrokes) {
            SCOPED_TRACE(std::string(name) + " / " + k.name);
            QLineEdit& field = Field30(name);
            k.type(field);
            EXPECT_EQ(field.text().toStdString(), k.expected);
        }
    }
}

TEST_F(FieldTest, CtrlCTypedCopiesNothing) {
    QLineEdit& field = Field30("txtTTL");
    field.selectAll();
    QTest::keyClick(&field, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("77"));
}

TEST_F(FieldTest, TextPastedThroughTheMenuIsNotFiltered) {
    QGuiApplication::clipboard()->setText(QStringLiteral("12ab"));
    for (const auto& [name, expected] : {std::pair{"TxtDataSize", "12"}, std::pair{"txtStopIP_1", "12ab"}}) {
        QLineEdit& field = Field30(name);
        field.selectAll();
        field.paste();  // what the context menu's Paste does
        EXPECT_EQ(field.text().toStdString(), expected) << name;
    }
}

// Tab in reading order: the start octets, the stop octets, then the parameters.
TEST_F(FieldTest, TabGoesThroughTheOctetsRowByRowThenTheParameters) {
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    const char* const order[] = {"txtStartIP_0", "txtStartIP_1", "txtStartIP_2", "txtStartIP_3", "txtStopIP_0",
                                 "txtStopIP_1",  "txtStopIP_2",  "txtStopIP_3",  "chkIpDns",     "chkLoop",
                                 "txtNum",       "TxtDataSize",  "txtTTL",       "txtTimeout",   "txtDelay"};
    Edit(order[0]).setFocus();
    for (std::size_t i = 1; i < std::size(order); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget()->objectName().toStdString(), order[i]);
    }
}

// "." moves on and a pasted dotted address fills its row; neither reaches
// the box itself.
TEST_F(FieldTest, PointMovesToTheNextOctetAndAPastedAddressFillsTheRow) {
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(&Field30("txtStartIP_3"), Qt::Key_Period);
    EXPECT_EQ(QApplication::focusWidget()->objectName(), QStringLiteral("txtStopIP_0"));
    EXPECT_EQ(Text("txtStartIP_3"), "30");

    QGuiApplication::clipboard()->setText(QStringLiteral(" 10.9.2.7 "));
    QTest::keyClick(&Field30("txtStopIP_1"), Qt::Key_V, Qt::ControlModifier);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(StopOctet(i).text(), QStringLiteral("10 9 2 7").split(u' ')[i]);
    EXPECT_EQ(Text("txtStartIP_0"), "1") << "the other row stays";

    QGuiApplication::clipboard()->setText(QStringLiteral("10.9.2"));
    QTest::keyClick(&Field30("txtStopIP_1"), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Text("txtStopIP_1"), "30") << "not an address: the filter discards the key";
}

TEST_F(FieldTest, InputMethodTextKeepsOnlyItsDigits) {
    QLineEdit& field = Field30("txtDelay");
    QInputMethodEvent composed;
    composed.setCommitString(QStringLiteral("4x5"));
    QCoreApplication::sendEvent(&field, &composed);
    EXPECT_EQ(field.text(), QStringLiteral("3045"));
}

TEST_F(FieldTest, HostNameAcceptsAnyText) {
    Check("chkIpDns").setChecked(true);
    QLineEdit& host = Edit("txtDNS");
    host.clear();
    QTest::keyClicks(&host, QStringLiteral(" My-Host.lan 2 "));
    EXPECT_EQ(host.text(), QStringLiteral(" My-Host.lan 2 "));
}

TEST_F(FieldTest, NumericCleanUpRewritesTheValueAsPlainText) {
    const std::pair<const char*, const char*> cleanUps[] = {
        {"07", "7"},        {"", "0"},         {"12ab", "12"},   {" 12 ", "12"},        {"1 2 3", "123"},
        {"&HFF", "255"},    {"&O17", "15"},    {"1E3", "1000"},  {"-5", "-5"},          {"1.5", "1.5"},
        {"abc", "0"},       {"1000", "1000"},  {"1.5E-3", "0.0015"},
    };
    for (const char* name : kNumericFields) {
        for (const auto& [text, expected] : cleanUps) {
            Edit(name).setText(QLatin1String(text));
            EXPECT_EQ(Text(name), expected) << name << " / \"" << text << '"';
        }
    }
}

TEST_F(FieldTest, TypingKeepsTheTextCleanAndTheCaretWhereTheUserTypes) {
    QLineEdit& delay = Field30("txtDelay");
    QTest::keyClick(&delay, Qt::Key_Backspace);
    QTest::keyClick(&delay, Qt::Key_Backspace);
    EXPECT_EQ(delay.text(), QStringLiteral("0")) << "deleting every digit leaves 0";
    QTest::keyClick(&delay, Qt::Key_7);
    EXPECT_EQ(delay.text(), QStringLiteral("7")) << "07 becomes 7 while the user types";

    QLineEdit& ttl = Field30("txtTTL");
    QTest::keyClick(&ttl, Qt::Key_Home);
    QTest::keyClick(&ttl, Qt::Key_0);  // "030" becomes "30"
    EXPECT_EQ(ttl.text(), QStringLiteral("30"));
    EXPECT_EQ(ttl.cursorPosition(), 0);
    QTest::keyClick(&ttl, Qt::Key_1);
    EXPECT_EQ(ttl.text(), QStringLiteral("130"));
}

TEST_F(FieldTest, CleanUpRaisesTheChangeOnceMoreAndStops) {
    QLineEdit& num = Edit("txtNum");
    QStringList seen;
    QObject::connect(&num, &QLineEdit::textChanged, [&seen](const QString& t) { seen << t; });
    num.setText(QStringLiteral("007"));
    EXPECT_EQ(seen.size(), 2) << "the written text and its clean rewrite";
    EXPECT_TRUE(seen.contains(QStringLiteral("007")));
    EXPECT_EQ(num.text(), QStringLiteral("7"));
}

TEST_F(FieldTest, TypingAStartOctetCopiesItIntoTheStopOctetAsTyped) {
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        StartOctet(i).clear();
        QTest::keyClicks(&StartOctet(i), QStringLiteral("192"));
        EXPECT_EQ(StopOctet(i).text(), QStringLiteral("192"));
    }
    QTest::keyClick(&StopOctet(2), Qt::Key_Backspace);
    EXPECT_EQ(StopOctet(2).text(), QStringLiteral("19"));
    EXPECT_EQ(StartOctet(2).text(), QStringLiteral("192")) << "the stop octets copy nothing back";
    StartOctet(0).clear();
    QTest::keyClicks(&StartOctet(0), QStringLiteral("999"));
    EXPECT_EQ(StartOctet(0).text(), QStringLiteral("999"));
    StartOctet(1).setText(QStringLiteral("007"));
    EXPECT_EQ(StartOctet(1).text(), QStringLiteral("007")) << "octets are not cleaned up";
    EXPECT_EQ(StopOctet(1).text(), QStringLiteral("007"));
}

class SwitchTest : public WindowTest {
protected:
    void SetUp() override { Open().show(); }
    QColor NumBackground() const { return Edit("txtNum").palette().color(QPalette::Base); }
};

TEST_F(SwitchTest, CheckingIpDnsShowsTheHostNameInsteadOfTheOctets) {
    StartOctet(0).setText(QStringLiteral("10"));
    StopOctet(3).setText(QStringLiteral("9"));
    QTest::mouseClick(&Check("chkIpDns"), Qt::LeftButton);
    ExpectTargetControls(false);
    QTest::mouseClick(&Check("chkIpDns"), Qt::LeftButton);
    ExpectTargetControls(true);
    EXPECT_EQ(Octets("txtStartIP"), "10.1.1.8");
    EXPECT_EQ(Octets("txtStopIP"), "10.1.1.9");
}

TEST_F(SwitchTest, ProgrammaticChangesRunTheSwitchesAsClicksDo) {
    Check("chkIpDns").setChecked(true);
    ExpectTargetControls(false);
    Check("chkLoop").setChecked(true);
    EXPECT_FALSE(Edit("txtNum").isEnabled());
    EXPECT_TRUE(window->LoopChecked());
}

TEST_F(SwitchTest, CheckingLoopGreysAndDisablesNumKeepingItsText) {
    Edit("txtNum").setText(QStringLiteral("4"));
    const QColor normal = NumBackground();
    QTest::mouseClick(&Check("chkLoop"), Qt::LeftButton);
    const QLineEdit& num = Edit("txtNum");
    EXPECT_FALSE(num.isEnabled());
    EXPECT_EQ(NumBackground(), num.palette().color(QPalette::Disabled, QPalette::Window));
    EXPECT_NE(NumBackground(), normal);
    EXPECT_EQ(num.text(), QStringLiteral("4"));

    QTest::mouseClick(&Check("chkLoop"), Qt::LeftButton);
    EXPECT_TRUE(num.isEnabled());
    EXPECT_EQ(NumBackground(), normal);
    EXPECT_EQ(num.text(), QStringLiteral("4"));
    EXPECT_FALSE(window->LoopChecked());
}

// A stored value of 2 greys a box: "any other value" than 0 is the host name,
// and only 1 is the loop.
TEST_F(SwitchTest, GreyedBoxesCountAsHostNameButNotAsLoop) {
    Check("chkIpDns").setCheckState(Qt::PartiallyChecked);
    Check("chkLoop").setCheckState(Qt::PartiallyChecked);
    EXPECT_EQ(window->TargetMode(), 1);
    EXPECT_TRUE(Edit("txtNum").isEnabled());
    EXPECT_FALSE(window->LoopChecked());
    QTest::mouseClick(&Check("chkLoop"), Qt::LeftButton);
    QTest::mouseClick(&Check("chkLoop"), Qt::LeftButton);
    EXPECT_NE(Check("chkLoop").checkState(), Qt::PartiallyChecked) << "the user's clicks give 0 and 1 only";
}

}  // namespace
}  // namespace velmora::test

// The fields while the user edits them: the digit filter, the numeric
// clean-up, the copy of the start address into the stop address, and the two
// check boxes that switch the target kind and the loop.
#include <QClipboard>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QTest>
#include <functional>

#include "main_window/NumericValue.h"
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
        QLineEdit& field = Edit(QLatin1String(name));
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
            EXPECT_EQ(field.text(), QLatin1String(k.expected));
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
    QLineEdit& size = Field30("TxtDataSize");
    size.selectAll();
    size.paste();  // what the context menu's Paste does
    EXPECT_EQ(size.text(), QStringLiteral("12"));
    QLineEdit& octet = Field30("txtStopIP_1");
    octet.selectAll();
    octet.paste();
    EXPECT_EQ(octet.text(), QStringLiteral("12ab"));
}

TEST_F(FieldTest, InputMethodTextKeepsOnlyItsDigits) {
    QLineEdit& field = Field30("txtDelay");
    QInputMethodEvent composed;
    composed.setCommitString(QStringLiteral("4x5"));
    QCoreApplication::sendEvent(&field, &composed);
    EXPECT_EQ(field.text(), QStringLiteral("3045"));
}

TEST_F(FieldTest, HostNameAcceptsAnyText) {
    Check(QStringLiteral("chkIpDns")).setChecked(true);
    QLineEdit& host = Edit(QStringLiteral("txtDNS"));
    host.clear();
    QTest::keyClicks(&host, QStringLiteral(" My-Host.lan 2 "));
    EXPECT_EQ(host.text(), QStringLiteral(" My-Host.lan 2 "));
}

struct CleanUp {
    const char* name;
    const char* text;
    const char* expected;
};

const CleanUp kCleanUps[] = {
    {"leading zero", "07", "7"},
    {"empty", "", "0"},
    {"letters after the number", "12ab", "12"},
    {"blanks around", " 12 ", "12"},
    {"blanks inside", "1 2 3", "123"},
    {"hexadecimal", "&HFF", "255"},
    {"octal", "&O17", "15"},
    {"exponent", "1E3", "1000"},
    {"negative", "-5", "-5"},
    {"fraction", "1.5", "1.5"},
    {"small exponent", "1.5E-3", "0.0015"},
    {"word", "abc", "0"},
    {"clean already", "1000", "1000"},
};

TEST_F(FieldTest, NumericCleanUpRewritesTheValueAsPlainText) {
    for (const char* name : kNumericFields) {
        for (const CleanUp& c : kCleanUps) {
            SCOPED_TRACE(std::string(name) + " / " + c.name);
            QLineEdit& field = Edit(QLatin1String(name));
            field.setText(QLatin1String(c.text));
            EXPECT_EQ(field.text(), QLatin1String(c.expected));
        }
    }
}

TEST_F(FieldTest, CleanUpOfTwentyDigitsReadsBackTheSameValue) {
    QLineEdit& field = Edit(QStringLiteral("TxtDataSize"));
    field.setText(QStringLiteral("12345678901234567890"));
    EXPECT_EQ(NumericValue(field.text().toStdString()), 12345678901234567890.0);
    EXPECT_FALSE(field.text().contains(u'e') || field.text().contains(u'.')) << field.text().toStdString();
}

TEST_F(FieldTest, DeletingEveryDigitLeavesZero) {
    QLineEdit& delay = Field30("txtDelay");
    QTest::keyClick(&delay, Qt::Key_Backspace);
    QTest::keyClick(&delay, Qt::Key_Backspace);
    EXPECT_EQ(delay.text(), QStringLiteral("0"));
    QTest::keyClick(&delay, Qt::Key_7);
    EXPECT_EQ(delay.text(), QStringLiteral("7")) << "07 becomes 7 while the user types";
}

TEST_F(FieldTest, CaretStaysWhereTheUserTypes) {
    QLineEdit& ttl = Field30("txtTTL");
    QTest::keyClick(&ttl, Qt::Key_Home);
    QTest::keyClick(&ttl, Qt::Key_0);  // "030" becomes "30"
    EXPECT_EQ(ttl.text(), QStringLiteral("30"));
    EXPECT_EQ(ttl.cursorPosition(), 0);
    QTest::keyClick(&ttl, Qt::Key_1);
    EXPECT_EQ(ttl.text(), QStringLiteral("130"));
}

TEST_F(FieldTest, CleanUpRaisesTheChangeOnceMoreAndStops) {
    QLineEdit& num = Edit(QStringLiteral("txtNum"));
    QStringList seen;
    QObject::connect(&num, &QLineEdit::textChanged, [&seen](const QString& t) { seen << t; });
    num.setText(QStringLiteral("007"));
    EXPECT_EQ(seen.size(), 2) << "the written text and its clean rewrite";
    EXPECT_TRUE(seen.contains(QStringLiteral("007")));
    EXPECT_EQ(num.text(), QStringLiteral("7"));
}

TEST_F(FieldTest, TypingAStartOctetCopiesItIntoTheStopOctet) {
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        StartOctet(i).clear();
        QTest::keyClicks(&StartOctet(i), QStringLiteral("192"));
        EXPECT_EQ(StopOctet(i).text(), QStringLiteral("192"));
    }
    QTest::keyClick(&StopOctet(2), Qt::Key_Backspace);
    EXPECT_EQ(StopOctet(2).text(), QStringLiteral("19"));
    EXPECT_EQ(StartOctet(2).text(), QStringLiteral("192")) << "the stop octets copy nothing back";
}

TEST_F(FieldTest, OctetsKeepTheirTextAsTyped) {
    StartOctet(0).clear();
    QTest::keyClicks(&StartOctet(0), QStringLiteral("999"));
    EXPECT_EQ(StartOctet(0).text(), QStringLiteral("999"));
    StartOctet(1).setText(QStringLiteral("007"));
    EXPECT_EQ(StartOctet(1).text(), QStringLiteral("007"));
    EXPECT_EQ(StopOctet(1).text(), QStringLiteral("007"));
}

class SwitchTest : public WindowTest {
protected:
    void SetUp() override { Open().show(); }

    bool RangeShown() const {
        bool shown = !Get<QLabel>(QStringLiteral("lblStartIP")).isHidden() &&
                     !Get<QLabel>(QStringLiteral("lblStopIP")).isHidden();
        for (int i = 0; i < 4; ++i) shown = shown && !StartOctet(i).isHidden() && !StopOctet(i).isHidden();
        for (int i = 0; i < 6; ++i) shown = shown && !Get<QLabel>(QStringLiteral("lblP1_%1").arg(i)).isHidden();
        return shown;
    }
    bool RangeHidden() const {
        bool hidden = Get<QLabel>(QStringLiteral("lblStartIP")).isHidden() &&
                      Get<QLabel>(QStringLiteral("lblStopIP")).isHidden();
        for (int i = 0; i < 4; ++i) hidden = hidden && StartOctet(i).isHidden() && StopOctet(i).isHidden();
        for (int i = 0; i < 6; ++i) hidden = hidden && Get<QLabel>(QStringLiteral("lblP1_%1").arg(i)).isHidden();
        return hidden;
    }
    bool HostShown() const {
        return !Get<QLabel>(QStringLiteral("lblDNS")).isHidden() && !Edit(QStringLiteral("txtDNS")).isHidden();
    }
    bool HostHidden() const {
        return Get<QLabel>(QStringLiteral("lblDNS")).isHidden() && Edit(QStringLiteral("txtDNS")).isHidden();
    }
    QColor NumBackground() const { return Edit(QStringLiteral("txtNum")).palette().color(QPalette::Base); }
};

TEST_F(SwitchTest, CheckingIpDnsShowsTheHostNameInsteadOfTheOctets) {
    StartOctet(0).setText(QStringLiteral("10"));
    StopOctet(3).setText(QStringLiteral("9"));
    QTest::mouseClick(&Check(QStringLiteral("chkIpDns")), Qt::LeftButton);
    EXPECT_EQ(window->TargetMode(), 1);
    EXPECT_TRUE(RangeHidden());
    EXPECT_TRUE(HostShown());
    EXPECT_FALSE(Get<QLabel>(QStringLiteral("Label16")).isHidden());
    EXPECT_FALSE(Check(QStringLiteral("chkIpDns")).isHidden());

    QTest::mouseClick(&Check(QStringLiteral("chkIpDns")), Qt::LeftButton);
    EXPECT_EQ(window->TargetMode(), 2);
    EXPECT_TRUE(RangeShown());
    EXPECT_TRUE(HostHidden());
    EXPECT_EQ(Octets("txtStartIP"), QStringLiteral("10.1.1.8"));
    EXPECT_EQ(Octets("txtStopIP"), QStringLiteral("10.1.1.9"));
}

TEST_F(SwitchTest, ProgrammaticChangesRunTheSwitchesAsClicksDo) {
    Check(QStringLiteral("chkIpDns")).setChecked(true);
    EXPECT_EQ(window->TargetMode(), 1);
    EXPECT_TRUE(HostShown());
    Check(QStringLiteral("chkLoop")).setChecked(true);
    EXPECT_FALSE(Edit(QStringLiteral("txtNum")).isEnabled());
    EXPECT_TRUE(window->LoopChecked());
}

TEST_F(SwitchTest, CheckingLoopGreysAndDisablesNumKeepingItsText) {
    Edit(QStringLiteral("txtNum")).setText(QStringLiteral("4"));
    const QColor normal = NumBackground();
    QTest::mouseClick(&Check(QStringLiteral("chkLoop")), Qt::LeftButton);
    const QLineEdit& num = Edit(QStringLiteral("txtNum"));
    EXPECT_FALSE(num.isEnabled());
    EXPECT_EQ(NumBackground(), num.palette().color(QPalette::Disabled, QPalette::Window));
    EXPECT_NE(NumBackground(), normal);
    EXPECT_EQ(num.text(), QStringLiteral("4"));

    QTest::mouseClick(&Check(QStringLiteral("chkLoop")), Qt::LeftButton);
    EXPECT_TRUE(num.isEnabled());
    EXPECT_EQ(NumBackground(), normal);
    EXPECT_EQ(num.text(), QStringLiteral("4"));
    EXPECT_FALSE(window->LoopChecked());
}

// A stored value of 2 greys a box: "any other value" than 0 is the host name,
// and only 1 is the loop.
TEST_F(SwitchTest, GreyedBoxesCountAsHostNameButNotAsLoop) {
    Check(QStringLiteral("chkIpDns")).setCheckState(Qt::PartiallyChecked);
    Check(QStringLiteral("chkLoop")).setCheckState(Qt::PartiallyChecked);
    EXPECT_EQ(window->TargetMode(), 1);
    EXPECT_TRUE(Edit(QStringLiteral("txtNum")).isEnabled());
    EXPECT_FALSE(window->LoopChecked());
    QTest::mouseClick(&Check(QStringLiteral("chkLoop")), Qt::LeftButton);
    QTest::mouseClick(&Check(QStringLiteral("chkLoop")), Qt::LeftButton);
    EXPECT_NE(Check(QStringLiteral("chkLoop")).checkState(), Qt::PartiallyChecked)
        << "the user's clicks give 0 and 1 only";
}

}  // namespace
}  // namespace velmora::test

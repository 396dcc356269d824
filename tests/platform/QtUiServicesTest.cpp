// The Qt toolkit layer's message boxes, files, file-dialog filters and
// settings store, against a temporary folder (the keys' round trip is
// MainSettingsTest's).
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <sys/stat.h>

#include "platform/QtUiServices.h"

namespace velmora {
namespace {

// One box per row: what it shows, and what the key or button pressed answers.
struct BoxRow {
    const char* name;
    int style;
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton;  // NoButton: not checked
    int key;                                    // pressed when press is NoButton
    QMessageBox::StandardButton press;
    int answer;
};

class MsgBoxTest : public testing::TestWithParam<BoxRow> {};

TEST_P(MsgBoxTest, ShowsTheStylesButtonsAndIconAndAnswersWithThePressedButton) {
    static int argc = 1;
    static char name[] = "ui_services_tests";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!qApp) new QApplication(argc, argv);  // lives for the process, as the program's does
    const BoxRow& row = GetParam();
    QtUiServices ui;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        icon = box->icon();
        buttons = box->standardButtons();
        if (box->defaultButton()) defaultButton = box->standardButton(box->defaultButton());
        if (row.press != QMessageBox::NoButton) return box->button(row.press)->click();
        QKeyEvent press(QEvent::KeyPress, row.key, Qt::NoModifier);
        QApplication::sendEvent(box, &press);
    });
    EXPECT_EQ(ui.MsgBox("Question?", row.style, ""), row.answer);
    EXPECT_EQ(title, QStringLiteral("Velmora"));
    EXPECT_EQ(icon, row.icon);
    EXPECT_EQ(buttons, row.buttons);
    if (row.defaultButton != QMessageBox::NoButton) {
        EXPECT_EQ(defaultButton, row.defaultButton);
    }
}

using QMB = QMessageBox;
INSTANTIATE_TEST_SUITE_P(
    Styles, MsgBoxTest,
    testing::Values(
        BoxRow{"OkOnlyEscape", vbOKOnly, QMB::NoIcon, QMB::Ok, QMB::NoButton, Qt::Key_Escape, QMB::NoButton, vbOK},
        BoxRow{"Critical", vbCritical, QMB::Critical, QMB::Ok, QMB::NoButton, 0, QMB::Ok, vbOK},
        BoxRow{"Exclamation", vbExclamation, QMB::Warning, QMB::Ok, QMB::NoButton, 0, QMB::Ok, vbOK},
        BoxRow{"RetryDefault", vbRetryCancelCritical, QMB::Critical, QMB::Retry | QMB::Cancel, QMB::Retry,
               Qt::Key_Return, QMB::NoButton, vbRetry},
        BoxRow{"RetryEscape", vbRetryCancelCritical, QMB::Critical, QMB::Retry | QMB::Cancel, QMB::NoButton,
               Qt::Key_Escape, QMB::NoButton, vbCancel},
        BoxRow{"YesNoCancelNo", vbYesNoCancelQuestion, QMB::Question, QMB::Yes | QMB::No | QMB::Cancel, QMB::Yes,
               0, QMB::No, vbNo},
        BoxRow{"ReplaceQuestionEnterIsNo", vbYesNoCancelQuestion | vbDefaultButton2, QMB::Question,
               QMB::Yes | QMB::No | QMB::Cancel, QMB::No, Qt::Key_Return, QMB::NoButton, vbNo}),
    [](const testing::TestParamInfo<BoxRow>& info) { return std::string(info.param.name); });

// A label gets its patterns unless it names them already.
TEST(NameFiltersTest, PairsBecomeLabelsWithTheirPatterns) {
    EXPECT_EQ(NameFilters("Log Files (*.log)|*.log"), QStringList{QStringLiteral("Log Files (*.log)")});
    EXPECT_EQ(NameFilters("Logs|*.log;*.txt|All|*.*"),
              (QStringList{QStringLiteral("Logs (*.log *.txt)"), QStringLiteral("All (*.*)")}));
}

class FilesTest : public testing::Test {
protected:
    std::string Path(const char* name) const { return dir.filePath(QLatin1String(name)).toStdString(); }
    static QByteArray Contents(const std::string& path) {
        QFile file(QString::fromStdString(path));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
    }

    QTemporaryDir dir;
    QtUiServices ui;
    std::string error;
};

TEST_F(FilesTest, WritesGoToTheEndOfTheirOwnFileAndReachItAtOnce) {
    const std::string path = Path("capture.log");
    QFile existing(QString::fromStdString(path));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly) && existing.write("before\r\n") == 8);
    existing.close();
    const int number = ui.OpenFileForAppend(path, error);
    const int other = ui.OpenFileForAppend(Path("new.log"), error);
    ASSERT_GT(number, 0) << error;
    ASSERT_NE(other, number);
    ASSERT_TRUE(ui.WriteFile(number, "line 1\r\n", error)) << error;
    EXPECT_EQ(Contents(path), QByteArray("before\r\nline 1\r\n")) << "flushed before the file is closed";
    ASSERT_TRUE(ui.WriteFile(number, std::string("caf\xe9\r\n"), error)) << error;
    ui.CloseFile(number);
    EXPECT_EQ(Contents(path), QByteArray("before\r\nline 1\r\ncaf\xe9\r\n")) << "one byte per character";

    ui.CloseFile(other);
    bool exists = false;
    ASSERT_TRUE(ui.FileExists(Path("new.log"), exists, error) && exists);
    EXPECT_EQ(Contents(Path("new.log")), QByteArray());
    ASSERT_TRUE(ui.DeleteFile(Path("new.log"), error)) << error;
    ASSERT_TRUE(ui.FileExists(Path("new.log"), exists, error));
    EXPECT_FALSE(exists);
}

TEST_F(FilesTest, FailuresSayWhy) {
    EXPECT_EQ(ui.OpenFileForAppend(Path("missing-folder/x.log"), error), 0);
    EXPECT_FALSE(error.empty());
    error.clear();
    EXPECT_FALSE(ui.DeleteFile(Path("never-there.log"), error));
    EXPECT_FALSE(error.empty());

    const int number = ui.OpenFileForAppend("/dev/full", error);
    ASSERT_GT(number, 0) << error;
    EXPECT_FALSE(ui.WriteFile(number, "line\r\n", error));
    EXPECT_NE(error.find("space"), std::string::npos) << error;
    ui.CloseFile(number);
    EXPECT_FALSE(ui.WriteFile(number, "late", error));
    EXPECT_EQ(error, "Bad file name or number");
}

// Each save writes a new file and renames it over the old one, so a save cut
// short leaves the old store whole.
TEST(StoreTest, ASaveReplacesTheFileRatherThanWritingIntoIt) {
    QTemporaryDir home;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, home.path());
    QtUiServices ui;
    const QByteArray ini = home.filePath(QStringLiteral("Velmora/Velmora.ini")).toLocal8Bit();
    ui.SaveSetting("Velmora", "Init", "TTL", "30");
    struct stat before {};
    ASSERT_EQ(stat(ini.constData(), &before), 0);
    ui.SaveSetting("Velmora", "Init", "TTL", "64");
    struct stat after {};
    ASSERT_EQ(stat(ini.constData(), &after), 0);
    EXPECT_NE(before.st_ino, after.st_ino);
    EXPECT_EQ(ui.GetSetting("Velmora", "Init", "TTL", ""), "64");
    EXPECT_EQ(QDir(home.filePath(QStringLiteral("Velmora"))).entryList(QDir::Files),
              (QStringList{QStringLiteral("Velmora.ini")}))
        << "no temporary file is left behind";
}

}  // namespace
}  // namespace velmora

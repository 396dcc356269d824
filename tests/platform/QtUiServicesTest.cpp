// The Qt toolkit layer's files, file-dialog filters and settings store,
// against a temporary folder (the keys' round trip is MainSettingsTest's).
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <sys/stat.h>

#include "platform/QtUiServices.h"

namespace velmora {
namespace {

struct Filter {
    const char* name;
    const char* filter;
    QStringList expected;
};

TEST(NameFiltersTest, PairsBecomeLabelsWithTheirPatterns) {
    const Filter filters[] = {
        {"label names its pattern", "Log Files (*.log)|*.log", {QStringLiteral("Log Files (*.log)")}},
        {"bare label", "Text|*.txt", {QStringLiteral("Text (*.txt)")}},
        {"two pairs", "Log|*.log|All|*.*", {QStringLiteral("Log (*.log)"), QStringLiteral("All (*.*)")}},
        {"several patterns", "Logs|*.log;*.txt", {QStringLiteral("Logs (*.log *.txt)")}},
        {"label without pattern", "Log", {}},
    };
    for (const Filter& f : filters) EXPECT_EQ(NameFilters(f.filter), f.expected) << f.name;
}

class FilesTest : public testing::Test {
protected:
    std::string Path(const char* name) const { return dir.filePath(QLatin1String(name)).toStdString(); }
    static QByteArray Contents(const std::string& path) {
        QFile file(QString::fromStdString(path));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
    }
    static void Put(const std::string& path, const QByteArray& bytes) {
        QFile file(QString::fromStdString(path));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QTemporaryDir dir;
    QtUiServices ui;
    std::string error;
};

TEST_F(FilesTest, WritesGoToTheEndAndReachTheFileAtOnce) {
    const std::string path = Path("capture.log");
    Put(path, "before\r\n");
    const int number = ui.OpenFileForAppend(path, error);
    ASSERT_GT(number, 0) << error;
    ASSERT_TRUE(ui.WriteFile(number, "line 1\r\n", error)) << error;
    EXPECT_EQ(Contents(path), QByteArray("before\r\nline 1\r\n")) << "flushed before the file is closed";
    ASSERT_TRUE(ui.WriteFile(number, std::string("caf\xe9\r\n"), error)) << error;
    ui.CloseFile(number);
    EXPECT_EQ(Contents(path), QByteArray("before\r\nline 1\r\ncaf\xe9\r\n")) << "one byte per character";
}

TEST_F(FilesTest, OpeningCreatesAMissingFileAndDeleteRemovesIt) {
    const std::string path = Path("new.log");
    const int number = ui.OpenFileForAppend(path, error);
    ASSERT_GT(number, 0) << error;
    ui.CloseFile(number);
    bool exists = false;
    ASSERT_TRUE(ui.FileExists(path, exists, error));
    EXPECT_TRUE(exists);
    EXPECT_EQ(Contents(path), QByteArray());
    ASSERT_TRUE(ui.DeleteFile(path, error)) << error;
    ASSERT_TRUE(ui.FileExists(path, exists, error));
    EXPECT_FALSE(exists);
}

TEST_F(FilesTest, EachOpenFileHasItsOwnNumber) {
    const int first = ui.OpenFileForAppend(Path("a.log"), error);
    const int second = ui.OpenFileForAppend(Path("b.log"), error);
    EXPECT_NE(first, second);
    ASSERT_TRUE(ui.WriteFile(second, "b", error));
    ASSERT_TRUE(ui.WriteFile(first, "a", error));
    EXPECT_EQ(Contents(Path("a.log")), QByteArray("a"));
    EXPECT_EQ(Contents(Path("b.log")), QByteArray("b"));
}

TEST_F(FilesTest, FailuresComeWithADescription) {
    EXPECT_EQ(ui.OpenFileForAppend(Path("missing-folder/x.log"), error), 0);
    EXPECT_FALSE(error.empty());

    error.clear();
    EXPECT_FALSE(ui.DeleteFile(Path("never-there.log"), error));
    EXPECT_FALSE(error.empty());

    const int number = ui.OpenFileForAppend(Path("closed.log"), error);
    ui.CloseFile(number);
    error.clear();
    EXPECT_FALSE(ui.WriteFile(number, "late", error));
    EXPECT_EQ(error, "Bad file name or number");
}

TEST_F(FilesTest, AWriteThatFailsSaysWhy) {
    if (!QFile::exists(QStringLiteral("/dev/full"))) GTEST_SKIP() << "no /dev/full here";
    const int number = ui.OpenFileForAppend("/dev/full", error);
    ASSERT_GT(number, 0) << error;
    EXPECT_FALSE(ui.WriteFile(number, "line\r\n", error));
    EXPECT_NE(error.find("space"), std::string::npos) << error;
    ui.CloseFile(number);
}

// Each save writes a new file and renames it over the old one, so a save cut
// short leaves the old store whole.
TEST(StoreTest, ASaveReplacesTheFileRatherThanWritingIntoIt) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
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

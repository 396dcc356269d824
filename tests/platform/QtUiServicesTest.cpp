// The Qt toolkit layer on a real event loop: message boxes, files,
// file-dialog filters and the settings store against a temporary folder (the
// keys' round trip is the main window's SettingsTest), timers, background work and
// random numbers.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QMessageBox>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <atomic>
#include <memory>
#include <sys/stat.h>
#include <thread>

#include "platform/QtUiServices.h"

namespace velmora {
namespace {

// Each style: what its box shows, and what the key pressed answers.
TEST(MsgBoxTest, ShowsTheStylesButtonsAndIconAndAnswersWithTheKeysButton) {
    using QMB = QMessageBox;
    constexpr int kEnter = Qt::Key_Return, kEscape = Qt::Key_Escape;
    const QMB::StandardButtons kRetryCancel = QMB::Retry | QMB::Cancel, kYesNoCancel = QMB::Yes | QMB::No | QMB::Cancel;
    const struct {
        const char* name;
        int style;
        QMB::Icon icon;
        QMB::StandardButtons buttons;
        int key;
        int answer;
    } rows[] = {
        {"OkOnly", vbOKOnly, QMB::NoIcon, QMB::Ok, kEnter, vbOK},
        {"CriticalEscape", vbCritical, QMB::Critical, QMB::Ok, kEscape, vbOK},
        {"Exclamation", vbExclamation, QMB::Warning, QMB::Ok, kEnter, vbOK},
        {"RetryDefault", vbRetryCancelCritical, QMB::Critical, kRetryCancel, kEnter, vbRetry},
        {"RetryEscape", vbRetryCancelCritical, QMB::Critical, kRetryCancel, kEscape, vbCancel},
        {"RetryExclamation", vbRetryCancelExclamation, QMB::Warning, kRetryCancel, kEnter, vbRetry},
        {"YesDefault", vbYesNoCancelQuestion, QMB::Question, kYesNoCancel, kEnter, vbYes},
        {"ReplaceQuestionEnterIsNo", vbYesNoCancelQuestion | vbDefaultButton2, QMB::Question, kYesNoCancel, kEnter,
         vbNo},
    };
    QtUiServices ui;
    for (const auto& row : rows) {
        QString title;
        QMB::Icon icon = QMB::NoIcon;
        QMB::StandardButtons buttons;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMB*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            title = box->windowTitle();
            icon = box->icon();
            buttons = box->standardButtons();
            QKeyEvent press(QEvent::KeyPress, row.key, Qt::NoModifier);
            QApplication::sendEvent(box, &press);
        });
        EXPECT_EQ(ui.MsgBox("Question?", row.style, ""), row.answer) << row.name;
        EXPECT_EQ(title, QStringLiteral("Velmora")) << row.name;
        EXPECT_EQ(icon, row.icon) << row.name;
        EXPECT_EQ(buttons, row.buttons) << row.name;
    }
}

// A box belongs to the window set for the action under way; a window gone
// meanwhile leaves it to the main window.
TEST(MsgBoxTest, TheWindowWhoseActionRaisedTheBoxOwnsIt) {
    QWidget main, viewer;
    main.show();
    viewer.show();
    QtUiServices ui;
    ui.SetOwnerWindow(&main);
    const auto owner = [&ui] {
        QWidget* found = nullptr;
        QTimer::singleShot(0, [&found] {
            found = QApplication::activeModalWidget()->parentWidget();
            QApplication::activeModalWidget()->close();
        });
        ui.MsgBox("Which window?", vbOKOnly, "");
        return found;
    };
    EXPECT_EQ(owner(), &main);
    {
        const MessageOwner scope(ui, WindowHandle(viewer.winId()));
        EXPECT_EQ(owner(), &viewer);
    }
    EXPECT_EQ(owner(), &main) << "the scope has ended";
    auto* closed = new QWidget;
    closed->show();
    const MessageOwner scope(ui, WindowHandle(closed->winId()));
    delete closed;
    EXPECT_EQ(owner(), &main);
}

// A file dialog opens where its caller asks while that folder exists, else in the documents folder.
TEST(FileDialogTest, StartsInTheFolderAskedForElseTheDocumentsElseHome) {
    QTemporaryDir last, documents, home;
    const QString gone = last.path() + QStringLiteral("/gone");
    const struct {
        const char* name;
        QString asked, documentsFolder, expected;
    } rows[] = {
        {"folder asked for", last.path(), documents.path(), last.path()},
        {"none asked for", {}, documents.path(), documents.path()},
        {"folder asked for removed", gone, documents.path(), documents.path()},
        {"no documents folder", {}, gone, home.path()},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(DialogStartFolder(row.asked, row.documentsFolder, home.path()), row.expected) << row.name;
    }
}

// A label gets its patterns unless it names them already.
TEST(NameFiltersTest, PairsBecomeLabelsWithTheirPatterns) {
    EXPECT_EQ(NameFilters("Log Files (*.log)|*.log"), QStringList{QStringLiteral("Log Files (*.log)")});
    EXPECT_EQ(NameFilters("Logs|*.log;*.txt|All|*.*"),
              (QStringList{QStringLiteral("Logs (*.log *.txt)"), QStringLiteral("All (*.*)")}));
}

QByteArray Contents(const std::string& path) {
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

TEST(FilesTest, WritesGoToTheEndOfTheirOwnFileAndReachItAtOnceAndFailuresSayWhy) {
    const QTemporaryDir dir;
    const auto path = [&](const char* name) { return dir.filePath(QLatin1String(name)).toStdString(); };
    QtUiServices ui;
    std::string error;
    QFile existing(QString::fromStdString(path("capture.log")));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly) && existing.write("before\r\n") == 8);
    existing.close();
    const int number = ui.OpenFileForAppend(path("capture.log"), error);
    const int other = ui.OpenFileForAppend(path("new.log"), error);
    ASSERT_GT(number, 0) << error;
    ASSERT_NE(other, number);
    ASSERT_TRUE(ui.WriteFile(number, "line 1\r\n", error)) << error;
    EXPECT_EQ(Contents(path("capture.log")), QByteArray("before\r\nline 1\r\n")) << "flushed before the file is closed";
    ASSERT_TRUE(ui.WriteFile(number, std::string("caf\xe9\r\n"), error)) << error;
    ui.CloseFile(number);
    EXPECT_EQ(Contents(path("capture.log")), QByteArray("before\r\nline 1\r\ncaf\xe9\r\n")) << "one byte per character";
    EXPECT_FALSE(ui.WriteFile(number, "late", error));
    EXPECT_EQ(error, "Bad file name or number");

    ui.CloseFile(other);
    bool exists = false;
    ASSERT_TRUE(ui.FileExists(path("new.log"), exists, error) && exists);
    EXPECT_EQ(Contents(path("new.log")), QByteArray());
    ASSERT_TRUE(ui.DeleteFile(path("new.log"), error)) << error;
    ASSERT_TRUE(ui.FileExists(path("new.log"), exists, error));
    EXPECT_FALSE(exists);
    EXPECT_FALSE(ui.DeleteFile(path("new.log"), error));
    EXPECT_FALSE(error.empty());

    error.clear();
    EXPECT_EQ(ui.OpenFileForAppend(path("missing-folder/x.log"), error), 0);
    EXPECT_FALSE(error.empty());
    const int full = ui.OpenFileForAppend("/dev/full", error);
    ASSERT_GT(full, 0) << error;
    EXPECT_FALSE(ui.WriteFile(full, "line\r\n", error));
    EXPECT_NE(error.find("space"), std::string::npos) << error;
    ui.CloseFile(full);
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

// Turns the event loop until `done` holds or the time passes.
bool SpinUntil(const std::function<bool()>& done, int ms = 5000) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

void Spin(int ms) { SpinUntil([] { return false; }, ms); }

class ToolkitTest : public testing::Test {
protected:
    QtUiServices ui;
    std::unique_ptr<Timer> timer = ui.CreateTimer();
    int ticks = 0;

    void SetUp() override { timer->OnTimer([this] { ++ticks; }); }
};

// Enabled and Interval are independent; writing the interval restarts the count.
TEST_F(ToolkitTest, OnlyAnEnabledTimerWithANonZeroIntervalFiresAndRewritingTheIntervalRestartsIt) {
    timer->SetInterval(1);
    Spin(30);
    EXPECT_EQ(ticks, 0) << "an interval alone starts nothing";
    timer->SetEnabled(true);
    EXPECT_TRUE(SpinUntil([&] { return ticks >= 2; })) << "an enabled timer with an interval fires, repeatedly";
    timer->SetInterval(0);
    const int stoppedAt = ticks;
    Spin(50);
    EXPECT_EQ(ticks, stoppedAt) << "interval 0 never fires";
    EXPECT_TRUE(timer->Enabled());
    // Rewritten every 100 ms, a 1000 ms count never completes.
    for (int i = 0; i < 12; ++i) {
        timer->SetInterval(1000);
        Spin(100);
    }
    EXPECT_EQ(ticks, stoppedAt);
    timer->SetEnabled(false);
    timer->SetInterval(1);
    Spin(30);
    EXPECT_EQ(ticks, stoppedAt);
    EXPECT_EQ(timer->Interval(), 1);
}

// A name look-up that nobody waits for any more may hold its worker for
// long; the next run's work must not queue behind it.
TEST_F(ToolkitTest, WorkAnswersOnTheUserInterfaceThreadNotHeldUpByEarlierWorkThatHangs) {
    const auto release = std::make_shared<std::atomic<bool>>(false);  // outlives this test's frame
    ui.RunInBackground(
        [release] {
            while (!*release) std::this_thread::yield();
        },
        [] {});
    std::thread::id workThread, doneThread;
    ui.RunInBackground([&] { workThread = std::this_thread::get_id(); },
                       [&] { doneThread = std::this_thread::get_id(); });
    EXPECT_TRUE(SpinUntil([&] { return doneThread != std::thread::id(); }));
    *release = true;
    EXPECT_NE(workThread, std::this_thread::get_id());
    EXPECT_EQ(doneThread, std::this_thread::get_id());
}

TEST(ToolkitLifetime, WorkThatOutlivesTheServicesNeverAnswers) {
    auto ui = std::make_unique<QtUiServices>();
    std::atomic<bool> release{false}, finished{false};
    bool answered = false;
    ui->RunInBackground(
        [&] {
            while (!release) std::this_thread::yield();
            finished = true;
        },
        [&] { answered = true; });
    ui.reset();
    release = true;
    ASSERT_TRUE(SpinUntil([&] { return finished.load(); }));
    Spin(30);
    EXPECT_FALSE(answered);
}

TEST(ToolkitRandom, ValuesStayInsideZeroToOneAndCoverThePayloadBytes) {
    QtUiServices ui;
    std::array<bool, 256> seen{};
    for (int i = 0; i < 200000; ++i) {
        const float r = ui.Rnd();
        ASSERT_GE(r, 0.0f);
        ASSERT_LT(r, 1.0f);
        seen[std::size_t(r * 254 + 1)] = true;
    }
    EXPECT_FALSE(seen[0]);
    EXPECT_FALSE(seen[255]);
    for (int byte = 1; byte <= 254; ++byte) EXPECT_TRUE(seen[std::size_t(byte)]) << byte;
}

}  // namespace
}  // namespace velmora

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

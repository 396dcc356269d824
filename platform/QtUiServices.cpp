#include "platform/QtUiServices.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <chrono>
#include <cstring>
#include <thread>
#include <utility>


namespace velmora {

namespace {

QString FromUtf8(const std::string& text) { return QString::fromStdString(text); }

class QtTimer final : public Timer {
public:
    QtTimer() {
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (handler_) handler_();
        });
    }
    void SetInterval(int ms) override {
        interval_ = ms;
        Apply();
    }
    int Interval() const override { return interval_; }
    void SetEnabled(bool enabled) override {
        if (enabled == enabled_) return;
        enabled_ = enabled;
        Apply();
    }
    bool Enabled() const override { return enabled_; }
    void OnTimer(std::function<void()> handler) override { handler_ = std::move(handler); }

private:
    // Interval 0 never fires; every write of the interval restarts the count.
    void Apply() {
        if (enabled_ && interval_ > 0) {
            timer_.start(interval_);
        } else {
            timer_.stop();
        }
    }

    QTimer timer_;
    int interval_ = 0;
    bool enabled_ = false;
    std::function<void()> handler_;
};

// Each store object writes the file when it goes, atomically (QSettings's
// default: a new file renamed over the old), so an interrupted save leaves
// either the old store or the new one, never a torn file.
std::unique_ptr<QSettings> OpenStore(const std::string& appName) {
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, FromUtf8(appName),
                                       FromUtf8(appName));
}

QString StoreKey(const std::string& section, const std::string& key) {
    return FromUtf8(section) + QLatin1Char('/') + FromUtf8(key);
}

// The registry stand-in's store: machine-wide, read only here.
QSettings MachineStore() {
    return QSettings(QSettings::IniFormat, QSettings::SystemScope, QStringLiteral("Velmora"),
                     QStringLiteral("Registry"));
}

QString RegistryKey(const std::string& subKey) {
    return FromUtf8(subKey).replace(u'\\', u'/').split(u'/', Qt::SkipEmptyParts).join(u'/');
}

const QString kSysInfoKey = QStringLiteral("SOFTWARE/Microsoft/Shared Tools/MSINFO");
const QString kSysInfoPath = kSysInfoKey + QStringLiteral("/PATH");
const QString kSysInfoFolder = QStringLiteral("SOFTWARE/Microsoft/Shared Tools Location/MSINFO");

// Where the store names no system information tool, one found on the machine.
QString FoundSysInfoProgram(const QSettings& store) {
    if (store.contains(kSysInfoPath) || store.contains(kSysInfoFolder)) return {};
    for (const char* program : kSysInfoPrograms) {
        const QString path = QStandardPaths::findExecutable(QLatin1String(program));
        if (!path.isEmpty()) return path;
    }
    return {};
}

// The value's type and bytes as the registry would hold them.
std::pair<std::uint32_t, QByteArray> RegistryData(const QVariant& value) {
    switch (value.typeId()) {
        case QMetaType::QByteArray: return {REG_BINARY, value.toByteArray()};
        case QMetaType::QStringList: {
            QByteArray bytes;
            for (const QString& text : value.toStringList()) bytes += text.toUtf8() + '\0';
            return {REG_MULTI_SZ, bytes + '\0'};
        }
        default: return {REG_SZ, value.toString().toUtf8() + '\0'};
    }
}

}  // namespace

QtUiServices::QtUiServices() : queue_(std::make_shared<WorkQueue>()), receiver_(std::make_unique<QObject>()) {
    queue_->receiver = receiver_.get();
    Randomize();
}

// Work already handed over still runs, its answer dropped; then the workers end.
QtUiServices::~QtUiServices() {
    {
        std::lock_guard lock(queue_->mutex);
        queue_->receiver = nullptr;
        queue_->wake.notify_all();
    }
}

void QtUiServices::SetOwnerWindow(QWidget* owner) { owner_ = owner; }

WindowHandle QtUiServices::SetMessageOwner(WindowHandle owner) { return std::exchange(messageOwner_, owner); }

// A window closed meanwhile is found no more, and the main window takes its place.
QWidget* QtUiServices::Owner() const {
    QWidget* window = messageOwner_ ? QWidget::find(WId(messageOwner_)) : nullptr;
    return window ? window : owner_.data();
}

int QtUiServices::MsgBox(const std::string& prompt, int style, const std::string& title) {
    QMessageBox box(Owner());
    box.setWindowTitle(FromUtf8(title.empty() ? kAppName : title));
    box.setText(FromUtf8(prompt));
    switch (style & 0xF0) {
        case 16: box.setIcon(QMessageBox::Critical); break;
        case 32: box.setIcon(QMessageBox::Question); break;
        case 48: box.setIcon(QMessageBox::Warning); break;
        case 64: box.setIcon(QMessageBox::Information); break;
        default: box.setIcon(QMessageBox::NoIcon); break;
    }
    switch (style & 0x0F) {
        case 3:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            box.setEscapeButton(QMessageBox::Cancel);
            box.setDefaultButton((style & vbDefaultButton2) != 0 ? QMessageBox::No : QMessageBox::Yes);
            break;
        case 5:
            box.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel);
            box.setEscapeButton(QMessageBox::Cancel);
            box.setDefaultButton((style & vbDefaultButton2) != 0 ? QMessageBox::Cancel : QMessageBox::Retry);
            break;
        default: box.setStandardButtons(QMessageBox::Ok); break;
    }
    switch (box.exec()) {
        case QMessageBox::Yes: return vbYes;
        case QMessageBox::No: return vbNo;
        case QMessageBox::Retry: return vbRetry;
        case QMessageBox::Ok: return vbOK;
        default: return (style & 0x0F) == 0 ? vbOK : vbCancel;
    }
}

template <typename Use>
auto QtUiServices::WithStore(const std::string& appName, Use use) {
    if (settingsBatchDepth_ == 0) return use(*OpenStore(appName));
    if (!batchStore_ || batchAppName_ != appName) {
        batchStore_ = OpenStore(appName);
        batchAppName_ = appName;
    }
    return use(*batchStore_);
}

std::string QtUiServices::GetSetting(const std::string& appName, const std::string& section,
                                     const std::string& key, const std::string& defaultValue) {
    const QVariant value = WithStore(appName, [&](QSettings& store) { return store.value(StoreKey(section, key)); });
    return value.isValid() ? value.toString().toStdString() : defaultValue;
}

void QtUiServices::SaveSetting(const std::string& appName, const std::string& section, const std::string& key,
                               const std::string& value) {
    WithStore(appName, [&](QSettings& store) { store.setValue(StoreKey(section, key), FromUtf8(value)); });
}

void QtUiServices::BeginSettingsBatch() { ++settingsBatchDepth_; }

// The store object writes the file as it goes.
void QtUiServices::EndSettingsBatch() {
    if (settingsBatchDepth_ == 0 || --settingsBatchDepth_ > 0) return;
    batchStore_.reset();
}

QString DialogStartFolder(const QString& asked, const QString& documents, const QString& home) {
    for (const QString& folder : {asked, documents}) {
        if (!folder.isEmpty() && QFileInfo(folder).isDir()) return folder;
    }
    return home;
}

QStringList NameFilters(const std::string& filter) {
    const QStringList parts = FromUtf8(filter).split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString patterns = u'(' + QString(parts[i + 1]).replace(u';', u' ') + u')';
        filters << (parts[i].endsWith(patterns) ? parts[i] : parts[i] + u' ' + patterns);
    }
    return filters;
}

namespace {

std::optional<std::string> ShowFileDialog(QWidget* owner, const std::string& title, const std::string& filter,
                                          QFileDialog::AcceptMode mode, const std::string& startFolder) {
    QFileDialog dialog(owner, FromUtf8(title));
    dialog.setAcceptMode(mode);
    dialog.setFileMode(QFileDialog::AnyFile);  // the capture and the exports may go to a new file
    dialog.setNameFilters(NameFilters(filter));
    dialog.setDirectory(DialogStartFolder(FromUtf8(startFolder),
                                          QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation),
                                          QDir::homePath()));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().constFirst().toStdString();
}

}  // namespace

// The flags ask for the explorer style without the read-only box: the look of
// Qt's dialog already.
std::optional<std::string> QtUiServices::ShowOpenDialog(const std::string& title, const std::string& filter, int,
                                                        const std::string& startFolder) {
    return ShowFileDialog(Owner(), title, filter, QFileDialog::AcceptOpen, startFolder);
}

std::optional<std::string> QtUiServices::ShowSaveDialog(const std::string& title, const std::string& filter,
                                                        const std::string& startFolder) {
    return ShowFileDialog(Owner(), title, filter, QFileDialog::AcceptSave, startFolder);
}

bool QtUiServices::WriteWholeFile(const std::string& path, const std::string& bytes, std::string& error) {
    QSaveFile file(FromUtf8(path));
    const bool written = file.open(QIODevice::WriteOnly) &&
                         file.write(bytes.data(), qint64(bytes.size())) == qint64(bytes.size()) && file.commit();
    if (!written) error = file.errorString().toStdString();
    return written;
}

bool QtUiServices::FileExists(const std::string& path, bool& exists, std::string& error) {
    error.clear();
    exists = QFileInfo::exists(FromUtf8(path));
    return true;
}

bool QtUiServices::DeleteFile(const std::string& path, std::string& error) {
    QFile file(FromUtf8(path));
    if (file.remove()) return true;
    error = file.errorString().toStdString();
    return false;
}

int QtUiServices::OpenFileForAppend(const std::string& path, std::string& error) {
    auto file = std::make_unique<QFile>(FromUtf8(path));
    // Unbuffered: a write that fails leaves nothing behind to go out twice on Retry.
    if (!file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        error = file->errorString().toStdString();
        return 0;
    }
    const int number = nextFileNumber_++;
    files_.emplace(number, std::move(file));
    return number;
}

bool QtUiServices::WriteFile(int fileNumber, const std::string& bytes, std::string& error) {
    const auto open = files_.find(fileNumber);
    if (open == files_.end()) {
        error = "Bad file name or number";
        return false;
    }
    QFile& file = *open->second;
    const auto size = qint64(bytes.size());
    if (file.write(bytes.data(), size) == size && file.flush()) return true;
    error = file.errorString().toStdString();
    return false;
}

void QtUiServices::CloseFile(int fileNumber) { files_.erase(fileNumber); }

void QtUiServices::Notify(const std::string& title, const std::string& text, std::function<void()> undelivered) {
    const QString service = QStringLiteral("org.freedesktop.Notifications");
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString heading = FromUtf8(title);
    const QString body = FromUtf8(text);
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(service)) {
        if (!ShowTrayMessage(heading, body)) undelivered();
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(service, QStringLiteral("/org/freedesktop/Notifications"),
                                                       service, QStringLiteral("Notify"));
    // Application, no notification to replace, icon, summary, body, no
    // actions, no hints, the server's own expiry.
    call << QString::fromLatin1(kAppName) << 0u << QStringLiteral("org.example.velmora") << heading << body
         << QStringList() << QVariantMap() << -1;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), receiver_.get());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, receiver_.get(),
                     [this, watcher, heading, body, undelivered = std::move(undelivered)] {
                         watcher->deleteLater();
                         if (watcher->isError() && !ShowTrayMessage(heading, body)) undelivered();
                     });
}

bool QtUiServices::ShowTrayMessage(const QString& title, const QString& text) {
    if (!QSystemTrayIcon::isSystemTrayAvailable() || !QSystemTrayIcon::supportsMessages()) return false;
    if (!trayIcon_) {
        trayIcon_ = std::make_unique<QSystemTrayIcon>(QApplication::windowIcon());
        trayIcon_->setToolTip(QString::fromLatin1(kAppName));
    }
    trayIcon_->show();
    trayIcon_->showMessage(title, text);
    return true;
}

void QtUiServices::Randomize() {
    random_.seed(std::uint32_t(std::chrono::steady_clock::now().time_since_epoch().count() ^
                               std::chrono::system_clock::now().time_since_epoch().count()));
}

std::int64_t QtUiServices::UnixTimeMicroseconds() {
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

float QtUiServices::Rnd() {
    // 24 random bits scaled into [0, 1): exact in single precision, never 1.
    return float(random_() >> 8) * (1.0f / 16777216.0f);
}

std::unique_ptr<Timer> QtUiServices::CreateTimer() { return std::make_unique<QtTimer>(); }

void QtUiServices::RunInBackground(std::function<void()> work, std::function<void()> done) {
    std::lock_guard lock(queue_->mutex);
    queue_->jobs.emplace_back(std::move(work), std::move(done));
    if (std::ptrdiff_t(queue_->jobs.size()) <= queue_->idleWorkers) {
        queue_->wake.notify_one();
        return;
    }
    try {
        std::thread([queue = queue_] { ServeJobs(queue); }).detach();
        ++queue_->workers;
    } catch (...) {
        // No thread to run it: the job must not wait for one that never comes.
        if (queue_->workers == 0) {
            queue_->jobs.pop_back();
            throw;
        }
    }
}

void QtUiServices::RunOnUiThread(std::function<void()> done) {
    std::lock_guard lock(queue_->mutex);
    if (queue_->receiver) QMetaObject::invokeMethod(queue_->receiver, std::move(done), Qt::QueuedConnection);
}

// Work that throws still answers, so its caller never waits for nothing.
void QtUiServices::ServeJobs(const std::shared_ptr<WorkQueue>& queue) {
    std::unique_lock lock(queue->mutex);
    for (;;) {
        if (queue->jobs.empty()) {
            if (!queue->receiver) break;
            ++queue->idleWorkers;
            queue->wake.wait(lock);
            --queue->idleWorkers;
            continue;
        }
        auto job = std::move(queue->jobs.front());
        queue->jobs.pop_front();
        lock.unlock();
        try {
            job.first();
        } catch (...) {
        }
        lock.lock();
        if (queue->receiver) QMetaObject::invokeMethod(queue->receiver, std::move(job.second), Qt::QueuedConnection);
    }
    --queue->workers;
}

std::int32_t QtUiServices::ShellExecuteA(const std::string& file) {
    return QDesktopServices::openUrl(QUrl(FromUtf8(file))) ? kShellOpened : kShellOpenFailed;
}

bool QtUiServices::Shell(const std::string& path, std::string& error) {
    if (QProcess::startDetached(FromUtf8(path), {})) return true;
    error = "Cannot start " + path;
    return false;
}

std::int32_t QtUiServices::RegOpenKeyExA(HKEY root, const std::string& subKey, std::uint32_t, std::uint32_t,
                                         HKEY& result) {
    result = 0;
    if (root != HKEY_LOCAL_MACHINE) return ERROR_INVALID_HANDLE;
    const QString key = RegistryKey(subKey);
    QSettings store = MachineStore();
    store.beginGroup(key);
    const bool stored = !store.childKeys().isEmpty() || !store.childGroups().isEmpty();
    store.endGroup();
    if (!stored && !(key == kSysInfoKey && !FoundSysInfoProgram(store).isEmpty())) return ERROR_FILE_NOT_FOUND;
    result = nextKey_++;
    openKeys_.emplace(result, key);
    return ERROR_SUCCESS;
}

std::int32_t QtUiServices::RegQueryValueExA(HKEY key, const std::string& valueName, std::uint32_t& type,
                                            std::uint8_t* data, std::uint32_t& size) {
    const auto open = openKeys_.find(key);
    if (open == openKeys_.end()) return ERROR_INVALID_HANDLE;
    const QString name = open->second + u'/' + FromUtf8(valueName);
    const QSettings store = MachineStore();
    QVariant value = store.value(name);
    if (!value.isValid() && name == kSysInfoPath) {
        const QString found = FoundSysInfoProgram(store);
        if (!found.isEmpty()) value = found;
    }
    if (!value.isValid()) return ERROR_FILE_NOT_FOUND;
    const auto [valueType, bytes] = RegistryData(value);
    type = valueType;
    const auto needed = std::uint32_t(bytes.size());
    const bool fits = needed <= size;
    if (data && fits) std::memcpy(data, bytes.constData(), needed);
    size = needed;
    return data && !fits ? ERROR_MORE_DATA : ERROR_SUCCESS;
}

std::int32_t QtUiServices::RegCloseKey(HKEY key) { return openKeys_.erase(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE; }

void QtUiServices::SetHelpDisplay(HelpDisplay* display) { helpDisplay_ = display; }

WindowHandle QtUiServices::HtmlHelpA(WindowHandle owner, const std::string& file, int command, std::uint32_t data) {
    if (!helpDisplay_) return 0;
    return helpDisplay_->ShowHelp(owner, QFileInfo(FromUtf8(file)).absoluteFilePath().toStdString(), command, data);
}

}  // namespace velmora

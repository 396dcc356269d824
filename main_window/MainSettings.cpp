#include "main_window/MainSettings.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cmath>

#include "main_window/NumericValue.h"
#include "window_helpers/Twips.h"
#include "window_helpers/ViewerWindows.h"

namespace velmora {

namespace {

constexpr const char* kWindowSection = "Settings";
constexpr const char* kInitSection = "Init";
constexpr const char* kDefaultAddress = "1.1.1.8";
// Coordinates beyond the window system's 16-bit range were not written by us.
constexpr int kLargestPixels = 32767;
// A window counts as on a screen when at least this much of it is there.
constexpr int kReachableWidth = 48;
constexpr int kReachableHeight = 24;

enum WindowStateValue { kNormal = 0, kMinimized = 1, kMaximized = 2 };

std::string Trimmed(const QLineEdit& field) { return field.text().trimmed().toStdString(); }

// A whole number as the toolkit reads one into a 16-bit property (halves to even).
std::optional<int> SmallWhole(const std::string& text, int lowest, int highest) {
    const std::optional<double> value = ExactNumericValue(text);
    if (!value) return std::nullopt;
    const double whole = std::nearbyint(*value);
    if (!(whole >= lowest && whole <= highest)) return std::nullopt;
    return int(whole);
}

int StateValue(const QWidget& window) {
    const Qt::WindowStates state = window.windowState();
    if (state & Qt::WindowMinimized) return kMinimized;
    if (state & (Qt::WindowMaximized | Qt::WindowFullScreen)) return kMaximized;
    return kNormal;
}

// Check-box values as the store keeps them: 0 unchecked, 1 checked, 2 grey.
constexpr std::array<Qt::CheckState, 3> kCheckStates{Qt::Unchecked, Qt::Checked, Qt::PartiallyChecked};

int CheckValue(const QCheckBox& box) {
    return int(std::find(kCheckStates.begin(), kCheckStates.end(), box.checkState()) - kCheckStates.begin());
}

std::string TwipsText(int pixels) { return NumberText(Twips(pixels)); }

QList<QRect> UsableAreas() {
    QList<QRect> areas;
    for (const QScreen* screen : QGuiApplication::screens()) areas << screen->availableGeometry();
    return areas;
}

constexpr std::array<const char*, 5> kWindowKeyNames{"Window", "MainLeft", "MainTop", "MainWidth", "MainHeight"};

}  // namespace

std::vector<WindowKey> WindowKeysToSave(int state, bool positionKnown) {
    if (state == kMinimized) return {};
    if (state == kMaximized) return {WindowKey::Window};  // the placement keys keep the last normal placement
    if (!positionKnown) return {WindowKey::Window, WindowKey::MainWidth, WindowKey::MainHeight};
    return {WindowKey::Window, WindowKey::MainLeft, WindowKey::MainTop, WindowKey::MainWidth, WindowKey::MainHeight};
}

bool PlacementReachable(const QRect& placement, const QList<QRect>& usableAreas) {
    return std::any_of(usableAreas.begin(), usableAreas.end(), [&placement](const QRect& area) {
        const QRect seen = placement.intersected(area);
        return seen.width() >= kReachableWidth && seen.height() >= kReachableHeight && placement.top() >= area.top();
    });
}

std::string MainSettings::Read(const char* section, const char* key, const std::string& defaultValue) {
    return ui_.GetSetting(kAppName, section, key, defaultValue);
}

void MainSettings::Write(const char* section, const char* key, const std::string& value) {
    ui_.SaveSetting(kAppName, section, key, value);
}

void MainSettings::RestoreWindow() {
    const std::optional<int> state =
        SmallWhole(Read(kWindowSection, "Window", std::to_string(StateValue(window_))), kNormal, kMaximized);
    // No default corner: a stored (0, 0) must differ from none, where the
    // window system chooses.
    const std::optional<int> left = ReadPixels("MainLeft", {}, -kLargestPixels);
    const std::optional<int> top = ReadPixels("MainTop", {}, -kLargestPixels);
    const int width = ReadPixels("MainWidth", TwipsText(window_.width()), 1).value_or(window_.width());
    const int height = ReadPixels("MainHeight", TwipsText(window_.height()), 1).value_or(window_.height());
    // The placement goes first so that it becomes the normal placement of a
    // maximized window, to which it returns when restored.
    ApplyPlacement(QRect(left.value_or(window_.x()), top.value_or(window_.y()), width, height), left || top);
    if (state == kMinimized) window_.setWindowState(Qt::WindowMinimized);
    if (state == kMaximized) window_.setWindowState(Qt::WindowMaximized);
}

std::optional<int> MainSettings::ReadPixels(const char* key, const std::string& defaultTwips, int lowest) {
    const std::optional<double> twips = ExactNumericValue(Read(kWindowSection, key, defaultTwips));
    const float twipsPerPixel = TwipsPerPixel();
    if (!twips || std::fabs(*twips) > kLargestPixels * twipsPerPixel * 2) return std::nullopt;
    const double pixels = std::round(float(*twips) / twipsPerPixel);
    if (pixels < lowest || pixels > kLargestPixels) return std::nullopt;
    return int(pixels);
}

// No larger than the screen the placement is on, and on a screen; without a
// stored position the window system chooses one.
void MainSettings::ApplyPlacement(QRect placement, bool positionStored) {
    const QScreen* screen = QGuiApplication::screenAt(placement.center());
    const QRect area = (screen ? screen : QGuiApplication::primaryScreen())->availableGeometry();
    placement.setSize(placement.size().boundedTo(area.size()));
    if (placement.size() != window_.size()) window_.resize(placement.size());
    if (!positionStored) return;
    if (!PlacementReachable(placement, UsableAreas())) placement.moveTopLeft(area.topLeft());
    window_.move(placement.topLeft());
}

void MainSettings::RestoreParameters() {
    RestoreNumber(*f_.TxtDataSize, "DataSize", "120");
    RestoreNumber(*f_.txtNum, "Num", "1");
    RestoreNumber(*f_.txtTTL, "TTL", "30");
    RestoreNumber(*f_.txtDelay, "Delay", "1000");
    RestoreNumber(*f_.txtTimeout, "Timeout", "500");
    RestoreCheck(*f_.chkLoop, "Loop");
    f_.txtDNS->setText(QString::fromStdString(Read(kInitSection, "Host Name", kDefaultHostName)));
    RestoreCheck(*f_.chkIpDns, "Address Mode");
    deleteNoAsk_ = ReadBoolean("ArpDeleteConfirm", false);
    // The start octets are copied into the stop octets; the stop address,
    // restored second, overwrites those copies.
    RestoreAddress(f_.txtStartIP, "IPAddress Start");
    RestoreAddress(f_.txtStopIP, "IPAddress Stop");
    choices_.parallel = ReadBoolean("Parallel", false);
    choices_.timestamps = ReadBoolean("Timestamps", false);
    choices_.alert = ReadBoolean("Alert", false);
    choices_.alertAfter = AlertAfterValue(Read(kInitSection, "AlertAfter", std::to_string(kAlertAfterDefault)));
    choices_.captureFolder = Read(kInitSection, "CaptureFolder", "");
}

void MainSettings::RestoreNumber(QLineEdit& field, const char* key, const char* defaultValue) {
    const std::string stored = Read(kInitSection, key, defaultValue);
    field.setText(QString::fromStdString(ExactNumericValue(stored) ? stored : defaultValue));
}

void MainSettings::RestoreCheck(QCheckBox& box, const char* key) {
    const std::optional<int> value = SmallWhole(Read(kInitSection, key, "0"), 0, int(kCheckStates.size()) - 1);
    box.setCheckState(kCheckStates[value.value_or(0)]);
}

bool MainSettings::ReadBoolean(const char* key, bool defaultValue) {
    const QString stored = QString::fromStdString(Read(kInitSection, key, defaultValue ? "True" : "False")).trimmed();
    if (stored.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) return true;
    if (stored.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) return false;
    const std::optional<double> number = ExactNumericValue(stored.toStdString());
    return number ? *number != 0 : defaultValue;
}

void MainSettings::RestoreAddress(const std::array<QLineEdit*, 4>& boxes, const char* key) {
    QString rest = QString::fromStdString(Read(kInitSection, key, kDefaultAddress));
    if (rest.count(u'.') >= int(boxes.size())) rest = QLatin1String(kDefaultAddress);
    std::size_t i = 0;
    for (qsizetype point = rest.indexOf(u'.'); point >= 0; point = rest.indexOf(u'.'), ++i) {
        boxes[i]->setText(rest.left(point));
        rest = rest.mid(point + 1);
    }
    boxes[i]->setText(rest);
}

void MainSettings::Save() {
    const SettingsBatch save(ui_);
    SaveWindow();
    SaveCheck(*f_.chkIpDns, "Address Mode");
    Write(kInitSection, "Host Name", Trimmed(*f_.txtDNS));
    SaveAddress(f_.txtStartIP, "IPAddress Start");
    SaveAddress(f_.txtStopIP, "IPAddress Stop");
    SaveNumber(*f_.TxtDataSize, "DataSize");
    SaveNumber(*f_.txtNum, "Num");
    SaveNumber(*f_.txtTTL, "TTL");
    SaveNumber(*f_.txtDelay, "Delay");
    SaveNumber(*f_.txtTimeout, "Timeout");
    SaveCheck(*f_.chkLoop, "Loop");
    Write(kInitSection, "ArpDeleteConfirm", deleteNoAsk_ ? "True" : "False");
    Write(kInitSection, "Parallel", choices_.parallel ? "True" : "False");
    Write(kInitSection, "Timestamps", choices_.timestamps ? "True" : "False");
    Write(kInitSection, "Alert", choices_.alert ? "True" : "False");
    Write(kInitSection, "AlertAfter", std::to_string(choices_.alertAfter));
    Write(kInitSection, "CaptureFolder", choices_.captureFolder);
}

void MainSettings::SaveWindow() {
    const int state = StateValue(window_);
    for (const WindowKey key : WindowKeysToSave(state, !CompositorPlacesWindows(QGuiApplication::platformName()))) {
        Write(kWindowSection, kWindowKeyNames[std::size_t(key)], WindowValue(key, state));
    }
}

std::string MainSettings::WindowValue(WindowKey key, int state) const {
    switch (key) {
        case WindowKey::Window: return std::to_string(state);
        case WindowKey::MainLeft: return TwipsText(window_.x());
        case WindowKey::MainTop: return TwipsText(window_.y());
        case WindowKey::MainWidth: return TwipsText(window_.width());
        case WindowKey::MainHeight: return TwipsText(window_.height());
    }
    return {};
}

void MainSettings::SaveNumber(const QLineEdit& field, const char* key) {
    Write(kInitSection, key, NumberText(NumericValue(Trimmed(field))));
}

void MainSettings::SaveCheck(const QCheckBox& box, const char* key) {
    Write(kInitSection, key, std::to_string(CheckValue(box)));
}

void MainSettings::SaveAddress(const std::array<QLineEdit*, 4>& boxes, const char* key) {
    QStringList octets;
    for (const QLineEdit* box : boxes) octets << box->text().trimmed();
    Write(kInitSection, key, octets.join(u'.').toStdString());
}

}  // namespace velmora

#pragma once
// The settings kept between runs of the program: read once by the main
// window's load sequence, written once by its unload sequence, through the
// settings store of UiServices (application "Velmora"; section "Settings" for
// the window, "Init" for everything else). A value the program did not write
// itself falls back to its default, so a damaged store never stops the window
// from opening.

#include <QList>
#include <QRect>
#include <QString>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "main_window/ParameterFields.h"
#include "monitoring/HostAlerts.h"
#include "platform/UiServices.h"

class QCheckBox;
class QLineEdit;
class QWidget;

namespace velmora {

inline constexpr const char* kDefaultHostName = "localhost";

enum class WindowKey { Window, MainLeft, MainTop, MainWidth, MainHeight };
// The keys of section "Settings" that the unload writes, in this order, for
// a window state (0 normal, 1 minimised, 2 maximised): a minimised window
// writes none, a maximised one its state only, and an unknown position
// keeps the stored one.
std::vector<WindowKey> WindowKeysToSave(int state, bool positionKnown);

// A placement is reachable when one usable area (a screen without its
// panels) shows at least 48 x 24 pixels of it and its top, where the title
// bar sits, is not above that area.
bool PlacementReachable(const QRect& placement, const QList<QRect>& usableAreas);

// The run's choices from the menus, and where its capture dialog opens, kept in the store.
struct RunChoices {
    bool parallel = false;    // "Parallel"
    bool timestamps = false;  // "Timestamps"
    bool alert = false;       // "Alert"
    int alertAfter = kAlertAfterDefault;  // "AlertAfter": consecutive losses that make a host down
    std::string captureFolder;  // "CaptureFolder": the folder of the last capture file chosen
};

class MainSettings {
public:
    MainSettings(UiServices& ui, QWidget& window, const FieldControls& fields, bool& deleteNoAsk, RunChoices& choices)
        : ui_(ui), window_(window), f_(fields), deleteNoAsk_(deleteNoAsk), choices_(choices) {}

    // Window state, then left, top, width and height (load step 9).
    void RestoreWindow();
    // Parameters, check boxes, host name, DeleteNoAsk, the two addresses,
    // then the run's choices (load step 10).
    void RestoreParameters();
    // Window placement by its state, then everything else (unload step 1).
    void Save();

private:
    std::string Read(const char* section, const char* key, const std::string& defaultValue);
    void Write(const char* section, const char* key, const std::string& value);

    // A stored coordinate in pixels; nothing when absent or not written by us.
    std::optional<int> ReadPixels(const char* key, const std::string& defaultTwips, int lowest);
    void ApplyPlacement(QRect placement, bool positionStored);
    void SaveWindow();
    std::string WindowValue(WindowKey key, int state) const;

    void RestoreNumber(QLineEdit& field, const char* key, const char* defaultValue);
    void RestoreCheck(QCheckBox& box, const char* key);
    void RestoreAddress(const std::array<QLineEdit*, 4>& boxes, const char* key);
    bool ReadBoolean(const char* key, bool defaultValue);

    void SaveNumber(const QLineEdit& field, const char* key);
    void SaveCheck(const QCheckBox& box, const char* key);
    void SaveAddress(const std::array<QLineEdit*, 4>& boxes, const char* key);

    UiServices& ui_;
    QWidget& window_;
    FieldControls f_;
    bool& deleteNoAsk_;
    RunChoices& choices_;
};

}  // namespace velmora

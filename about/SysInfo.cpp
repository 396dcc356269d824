#include "about/SysInfo.h"

#include <algorithm>
#include <array>

#include "platform/UiServices.h"

namespace velmora {

namespace {

constexpr const char* kSysInfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr const char* kSysInfoLocationKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
constexpr std::uint32_t kValueBufferSize = 1024;

// Runs the program at path; false when the path is not usable or the start fails.
bool Run(UiServices& ui, const std::string& path) {
    std::string error;
    return !path.empty() && ui.Shell(path, error);
}

bool RunFromFolder(UiServices& ui, const std::string& folder) {
    if (folder.empty()) return false;
    // The registry value names a folder of this file system: it is joined with "/".
    const std::string path = folder + "/MSINFO32.EXE";
    bool exists = false;
    std::string error;
    return ui.FileExists(path, exists, error) && exists && Run(ui, path);
}

}  // namespace

bool GetKeyValue(UiServices& ui, HKEY root, const std::string& keyName, const std::string& subKeyRef,
                 std::string& keyVal) {
    HKEY key = 0;
    if (ui.RegOpenKeyExA(root, keyName, 0, kRegistryAccess, key) != ERROR_SUCCESS) {
        keyVal.clear();
        ui.RegCloseKey(key);
        return false;
    }
    std::array<std::uint8_t, kValueBufferSize> buffer{};
    std::uint32_t size = kValueBufferSize;
    std::uint32_t type = 0;
    if (ui.RegQueryValueExA(key, subKeyRef, type, buffer.data(), size) != ERROR_SUCCESS) {
        keyVal.clear();
        ui.RegCloseKey(key);
        return false;
    }
    std::string value(reinterpret_cast<const char*>(buffer.data()), std::min(size, kValueBufferSize));
    if (!value.empty() && value.back() == '\0') value.pop_back();
    keyVal = type == REG_SZ ? value : std::string();
    ui.RegCloseKey(key);
    return true;
}

void StartSysInfo(UiServices& ui) {
    std::string value;
    const bool started = GetKeyValue(ui, HKEY_LOCAL_MACHINE, kSysInfoKey, "PATH", value)
                             ? Run(ui, value)
                             : GetKeyValue(ui, HKEY_LOCAL_MACHINE, kSysInfoLocationKey, "MSINFO", value) &&
                                   RunFromFolder(ui, value);
    if (!started) ui.MsgBox(kSysInfoUnavailable, vbOKOnly, kAppName);
}

}  // namespace velmora

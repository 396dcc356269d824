#pragma once
// Starts the system information tool that the machine-wide registry names.

#include <string>

#include "platform/ShellServices.h"

namespace velmora {

class UiServices;

inline constexpr const char* kSysInfoUnavailable = "System Information Is Unavailable At This Time";

// Reads a value under root: true when it was read. A text value becomes
// keyVal without its terminating zero; a value of another type leaves keyVal
// empty, which no program start or file test accepts.
bool GetKeyValue(UiServices& ui, HKEY root, const std::string& keyName, const std::string& subKeyRef,
                 std::string& keyVal);

// Runs the tool from its registered path, else MSINFO32.EXE from its
// registered folder; on any failure tells the user it is unavailable.
void StartSysInfo(UiServices& ui);

}  // namespace velmora

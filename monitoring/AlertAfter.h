#pragma once
// How many echoes in a row an address may lose before it counts as down, as
// the settings store keeps it ("AlertAfter"). Apart from the alerts
// themselves, so that the stored text's reading can be fuzzed without Qt.

#include <string>

namespace velmora {

inline constexpr int kAlertAfterDefault = 3;
inline constexpr int kAlertAfterMin = 1;
inline constexpr int kAlertAfterMax = 100;

// A stored AlertAfter, held inside 1 to 100; text without a number gives the default.
int AlertAfterValue(const std::string& stored);

}  // namespace velmora

#pragma once
// Names and codes of the shell, registry and help-viewer services, as the
// platform defines them, so callers read like their algorithms.

#include <cstdint>

namespace velmora {

using HKEY = std::uint32_t;
inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;
// Read and write rights on the key and its values: the access mask callers ask for.
inline constexpr std::uint32_t kRegistryAccess = 0x2003Fu;

inline constexpr std::int32_t ERROR_SUCCESS = 0;
inline constexpr std::int32_t ERROR_FILE_NOT_FOUND = 2;
inline constexpr std::int32_t ERROR_INVALID_HANDLE = 6;
inline constexpr std::int32_t ERROR_MORE_DATA = 234;

// Value types.
inline constexpr std::uint32_t REG_SZ = 1;
inline constexpr std::uint32_t REG_BINARY = 3;
inline constexpr std::uint32_t REG_MULTI_SZ = 7;

// The shell's open operation answers above 32 on success.
inline constexpr std::int32_t kShellOpenFailed = 2;
inline constexpr std::int32_t kShellOpened = 42;

// Help viewer commands.
inline constexpr int HH_DISPLAY_TOPIC = 0;
inline constexpr int HH_HELP_CONTEXT = 15;

// A window as the platform hands it around; 0 is none.
using WindowHandle = std::uintptr_t;

}  // namespace velmora

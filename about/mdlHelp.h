#pragma once
// Opens the compiled help file in the help viewer.

#include <cstdint>
#include <string>

#include "platform/ShellServices.h"

namespace velmora {

class UiServices;

inline constexpr const char* kHelpFile = "velmora.chm";

// Shows helpFile (relative names against the working directory) at its
// default topic (topic 0) or at the topic with that context number. False,
// with nothing opened, when the file does not exist or the viewer shows no
// window. Throws std::runtime_error when the file cannot be looked up.
bool ShowHtmlHelp(UiServices& ui, const std::string& helpFile, WindowHandle owner, std::int32_t topic);

}  // namespace velmora

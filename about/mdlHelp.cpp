#include "about/mdlHelp.h"

#include <stdexcept>

#include "platform/UiServices.h"

namespace velmora {

bool ShowHtmlHelp(UiServices& ui, const std::string& helpFile, WindowHandle owner, std::int32_t topic) {
    bool exists = false;
    std::string error;
    if (!ui.FileExists(helpFile, exists, error)) throw std::runtime_error(error);
    if (!exists) return false;
    const WindowHandle window = topic != 0
                                    ? ui.HtmlHelpA(owner, helpFile, HH_HELP_CONTEXT, std::uint32_t(topic))
                                    : ui.HtmlHelpA(owner, helpFile, HH_DISPLAY_TOPIC, 0);
    return window != 0;
}

}  // namespace velmora

#include "about/MWebLink.h"

#include "platform/UiServices.h"

namespace velmora {

std::int32_t OpenWebLink(UiServices& ui, std::string linkText, const std::uint8_t& linkType) {
    if (linkType == kLinkWebPage && !linkText.starts_with("http://")) linkText.insert(0, "http://");
    if (linkType == kLinkMail) linkText.insert(0, "mailto:");
    return ui.ShellExecuteA(linkText);
}

}  // namespace velmora

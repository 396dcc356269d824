#pragma once
// Opens the product's web page or a mail to its support address through the
// desktop's default handler.

#include <cstdint>
#include <string>

namespace velmora {

class UiServices;

inline constexpr std::uint8_t kLinkWebPage = 0;
inline constexpr std::uint8_t kLinkMail = 1;

// Puts "http://" in front of a web page that lacks it (case-sensitive) and
// "mailto:" in front of every mail address, then hands the text to the
// shell; the shell's answer, which callers may ignore.
std::int32_t OpenWebLink(UiServices& ui, std::string linkText, const std::uint8_t& linkType);

}  // namespace velmora

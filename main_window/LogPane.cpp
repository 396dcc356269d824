#include "main_window/LogPane.h"

namespace velmora {

bool LogPane::Append(const std::string& text) {
    const bool cut = text_.size() > kCutAbove;
    if (cut) text_.erase(0, text_.size() - kKeepAfterCut);
    text_ += text;
    text_ += "\r\n";
    return cut;
}

}  // namespace velmora

#pragma once
// The text of the log pane. It counts CR LF as two characters, as the pane
// does, and keeps its size bounded: a text longer than 16000 characters is
// cut to its last 12001 before the next one is appended.

#include <cstddef>
#include <string>

namespace velmora {

class LogPane {
public:
    static constexpr std::size_t kCutAbove = 16000;
    static constexpr std::size_t kKeepAfterCut = 12001;

    // Appends text and CR LF; true when the old text was cut first.
    bool Append(const std::string& text);
    void Clear() { text_.clear(); }
    const std::string& Text() const { return text_; }

private:
    std::string text_;
};

}  // namespace velmora

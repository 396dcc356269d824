#pragma once
// The six figures of a run, their status-bar texts and the summary written
// when a run of more than one pass ends.

#include <array>
#include <cstdint>
#include <string>

namespace velmora {

using PanelTexts = std::array<std::string, 6>;

class Statistics {
public:
    void Reset();
    // Every slot counts as sent, whatever its outcome.
    void CountSent();
    // A successful reply with its round-trip time in ms.
    void AddReply(std::uint32_t roundTripTime);

    // Panels 1 to 6: sent, received, lost, maximum, minimum, average.
    PanelTexts CurrentTexts() const;
    static PanelTexts ZeroTexts();

    // The summary text, framed by an empty line once WriteLog adds its CR LF.
    std::string Summary(const std::string& currentIp) const;

private:
    std::int64_t Lost() const { return sentCount_ - receivedCount_; }
    // Rounded down; 0 while nothing was received.
    std::int64_t Average() const;

    std::int64_t sentCount_ = 0;
    std::int64_t receivedCount_ = 0;
    std::int64_t maxRtt_ = 0;
    std::int64_t minRtt_ = 0;  // of the replies so far, 0 ms included; 0 before the first
    std::int64_t totalRtt_ = 0;
};

}  // namespace velmora

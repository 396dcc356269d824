#include "main_window/Statistics.h"

namespace velmora {

void Statistics::Reset() { *this = Statistics(); }

void Statistics::CountSent() { ++sentCount_; }

void Statistics::AddReply(std::uint32_t roundTripTime) {
    const std::int64_t t = roundTripTime;
    if (receivedCount_ == 0 || t < minRtt_) minRtt_ = t;
    if (t > maxRtt_) maxRtt_ = t;
    totalRtt_ += t;
    ++receivedCount_;
}

std::int64_t Statistics::Average() const { return totalRtt_ > 0 ? totalRtt_ / receivedCount_ : 0; }

PanelTexts Statistics::CurrentTexts() const {
    return {"Sent: " + std::to_string(sentCount_),      "Received: " + std::to_string(receivedCount_),
            "Lost: " + std::to_string(Lost()),          "Maximum: " + std::to_string(maxRtt_),
            "Minimum: " + std::to_string(minRtt_),      "Average: " + std::to_string(Average())};
}

PanelTexts Statistics::ZeroTexts() { return Statistics().CurrentTexts(); }

std::string Statistics::Summary(const std::string& currentIp) const {
    return "\r\nPing Statistics from " + currentIp + ":\r\n" +
           "   Packets:   Sent = " + std::to_string(sentCount_) + ",   Received = " + std::to_string(receivedCount_) +
           ",   Lost = " + std::to_string(Lost()) + "\r\n" +
           "   RoundTripTimes:   Maximum = " + std::to_string(maxRtt_) + ",  Minimum = " + std::to_string(minRtt_) +
           ",  Average = " + std::to_string(Average()) + "\r\n";
}

}  // namespace velmora

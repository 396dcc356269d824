#include "main_window/RunFields.h"

#include <algorithm>
#include <cmath>

#include "main_window/NumericValue.h"
#include "platform/NetworkServices.h"
#include "platform/UiServices.h"

namespace velmora {

namespace {

// The request's payload must come back into the reply buffer's 1500 bytes.
constexpr double kMaxDataSize = 1499;
constexpr double kMaxTtl = 255;
constexpr double kMaxTimeout = 2147483647;
static_assert(kMaxTimerInterval == 2147483647, "the Delay message names this limit");

struct FieldLimit {
    Control field;
    const char* name;
    double max;
    const char* aboveMax;
};

constexpr FieldLimit kLimits[] = {
    {Control::DataSize, "DataSize", kMaxDataSize, "DataSize should be less than 1500"},
    {Control::TTL, "TTL", kMaxTtl, "TTL should be 255 or less"},
    {Control::Timeout, "Timeout", kMaxTimeout, "Timeout should be 2147483647 or less"},
    {Control::Delay, "Delay", kMaxTimerInterval, "Delay should be 2147483647 or less"},
};

}  // namespace

double WholeValue(std::string_view text) { return std::nearbyint(NumericValue(text)); }

std::string_view TrimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::uint8_t OctetValue(std::string_view text) { return std::uint8_t(std::clamp(WholeValue(text), 0.0, 255.0)); }

std::optional<Refusal> ParameterRefusal(const PingRunView& view) {
    for (const FieldLimit& limit : kLimits) {
        const double value = WholeValue(view.ParameterText(limit.field));
        if (value > limit.max) return Refusal{limit.aboveMax, limit.field};
        if (value < 0) return Refusal{std::string(limit.name) + " should be 0 or more", limit.field};
    }
    return std::nullopt;
}

std::optional<std::int32_t> UncarriedRequestStatus(double dataSize, double ttl, double timeoutMs) {
    // The echo of such a payload is larger than the 1528-byte reply buffer.
    if (dataSize > kMaxDataSize) return IP_BUF_TOO_SMALL;
    // A negative size, a TTL beyond its byte or a timeout beyond 32 bits: the
    // socket layer refuses the request, which the platform calls a general failure.
    if (dataSize < 0 || ttl < 0 || ttl > kMaxTtl || timeoutMs < 0 || timeoutMs > kMaxTimeout) {
        return IP_GENERAL_FAILURE;
    }
    return std::nullopt;
}

int DelayInterval(double delayMs) { return int(std::clamp(delayMs, 1.0, double(kMaxTimerInterval))); }

std::uint8_t PayloadByte(float random) { return std::uint8_t(double(random) * 254 + 1); }

}  // namespace velmora

#pragma once
// How the run turns the fields' text into the values that an echo request and
// the run timer carry, and which values it refuses. Text becomes a number by
// NumericValue alone; where a whole number is needed it is rounded to the
// nearest one, halves to even, as the toolkit converts a number for a
// whole-number property.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "main_window/PingRunView.h"

namespace velmora {

double WholeValue(std::string_view text);

// The text without leading and trailing blanks and tabs.
std::string_view TrimBlanks(std::string_view text);

// An octet box as a byte. Start refuses values above 255; the clamp only
// keeps the conversion defined.
std::uint8_t OctetValue(std::string_view text);

struct Refusal {
    std::string prompt;
    Control focus;
};

// The first parameter field a run cannot start with (DataSize, TTL, Timeout,
// Delay, in this order), with its message and the field to focus.
std::optional<Refusal> ParameterRefusal(const PingRunView& view);

// The status the platform answers for a request that these whole values
// cannot make; nothing when the request can be sent.
std::optional<std::int32_t> UncarriedRequestStatus(double dataSize, double ttl, double timeoutMs);

// The timer interval for a whole Delay. The timer never fires at 0, so 0 (or
// less, typed during a run) becomes 1 ms: the next pass comes as soon as the
// event loop gets to it. Above the timer's limit the limit holds.
int DelayInterval(double delayMs);

// The byte that fills a payload, from the toolkit's next random value in
// [0, 1): 1 to 254, never 0 or 255.
std::uint8_t PayloadByte(float random);

}  // namespace velmora

#pragma once
// How the monitoring outputs write a moment: the stamp of a result line, the
// CSV export's ISO 8601 time, and the alerts' time of day. All in local time,
// from microseconds since 1970 UTC (the data set's clock).

#include <cstdint>
#include <string>

namespace velmora {

// "2026-12-07 09:15:02.123  ": a result line's stamp, two spaces included.
std::string LineStamp(std::int64_t timeUs);
// "2026-12-07T09:15:02.123+01:00".
std::string IsoTime(std::int64_t timeUs);
// "09:14:02".
std::string TimeOfDayText(std::int64_t timeUs);

}  // namespace velmora

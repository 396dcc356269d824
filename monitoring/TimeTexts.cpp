#include "monitoring/TimeTexts.h"

#include <QDateTime>
#include <cstdio>
#include <cstdlib>

namespace velmora {

namespace {

// Rounded down to the millisecond, also before 1970, so that a stamp and the
// export's time of the same echo always agree.
QDateTime LocalTime(std::int64_t timeUs) {
    const std::int64_t ms = timeUs / 1000 - (timeUs % 1000 < 0 ? 1 : 0);
    return QDateTime::fromMSecsSinceEpoch(ms);
}

std::string Formatted(std::int64_t timeUs, const char* format) {
    return LocalTime(timeUs).toString(QLatin1String(format)).toStdString();
}

}  // namespace

std::string LineStamp(std::int64_t timeUs) { return Formatted(timeUs, "yyyy-MM-dd HH:mm:ss.zzz") + "  "; }

std::string IsoTime(std::int64_t timeUs) {
    const QDateTime local = LocalTime(timeUs);
    const int offsetMinutes = local.offsetFromUtc() / 60;
    const int whole = std::abs(offsetMinutes);
    char offset[8];
    std::snprintf(offset, sizeof offset, "%c%02d:%02d", offsetMinutes < 0 ? '-' : '+', whole / 60 % 100, whole % 60);
    return local.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")).toStdString() + offset;
}

std::string TimeOfDayText(std::int64_t timeUs) { return Formatted(timeUs, "HH:mm:ss"); }

}  // namespace velmora

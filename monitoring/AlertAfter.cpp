#include "monitoring/AlertAfter.h"

#include <algorithm>
#include <charconv>

namespace velmora {

int AlertAfterValue(const std::string& stored) {
    const auto first = stored.find_first_not_of(' ');
    if (first == std::string::npos) return kAlertAfterDefault;
    long long value = 0;
    const char* begin = stored.data() + first;
    const auto [end, error] = std::from_chars(begin, stored.data() + stored.size(), value);
    if (error == std::errc::invalid_argument) return kAlertAfterDefault;
    if (error == std::errc::result_out_of_range) return begin[0] == '-' ? kAlertAfterMin : kAlertAfterMax;
    return int(std::clamp<long long>(value, kAlertAfterMin, kAlertAfterMax));
}

}  // namespace velmora

#include "platform/NetRawCapability.h"

#include <sys/capability.h>

namespace velmora {

namespace {

void SetNetRawEffective(cap_flag_value_t value) {
    cap_t caps = cap_get_proc();
    if (caps == nullptr) return;
    const cap_value_t netRaw[] = {CAP_NET_RAW};
    if (cap_set_flag(caps, CAP_EFFECTIVE, 1, netRaw, value) == 0) cap_set_proc(caps);
    cap_free(caps);
}

}  // namespace

void RaiseNetRawCapability() { SetNetRawEffective(CAP_SET); }

void LowerNetRawCapability() { SetNetRawEffective(CAP_CLEAR); }

}  // namespace velmora

#include "main_window/RangeWalk.h"

#include "engine/mdbPing.h"

namespace velmora {

void RangeWalk::Load(const Octets& startIp, const Octets& stopIp) {
    startIp_ = startIp;
    stopIp_ = stopIp;
    pastStop_ = false;
}

bool RangeWalk::CheckForMoreIp() const {
    if (pastStop_) return false;
    for (int i = 0; i < 4; ++i) {
        if (stopIp_[i] < startIp_[i]) return false;
    }
    return true;
}

bool RangeWalk::CheckLastIp() const { return startIp_ == stopIp_; }

void RangeWalk::NextIp() {
    for (int i = 3; i >= 0; --i) {
        if (startIp_[i] < stopIp_[i]) {
            ++startIp_[i];
            return;
        }
    }
    // The current address is the stop address: step past it to end the pass.
    if (startIp_[3] == 255) {
        pastStop_ = true;
    } else {
        ++startIp_[3];
    }
}

std::string RangeWalk::CurrentText() const { return mdbPing::BytesToAddress(startIp_); }

}  // namespace velmora

#include "monitoring/RoundTripTally.h"

namespace velmora {

void RoundTripTally::Add(std::uint32_t us) {
    ++count_;
    sum_ += us;
    squareSum_ += Wide(us) * us;
    const std::uint32_t bucket = BucketOf(us);
    if (bucket >= buckets_.size()) buckets_.resize(bucket + 1);
    ++buckets_[bucket];
}

void RoundTripTally::Remove(std::uint32_t us) {
    --count_;
    sum_ -= us;
    squareSum_ -= Wide(us) * us;
    --buckets_.at(BucketOf(us));
}

}  // namespace velmora

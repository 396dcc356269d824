#pragma once
// The replies' round trips of a series, summed as echoes come and go: how
// many, the exact sums of x and x², and a coarse histogram (x >> kCoarseShift).
// With these at hand, the figures of millions of echoes take a single walk
// over the round trips, which counts exactly only inside the few coarse
// buckets holding the ranks wanted (smallest, largest, median, 95th
// percentile), so no copy of the round trips is ever made.

#include <cstdint>
#include <vector>

namespace velmora {

class RoundTripTally {
public:
    // Exact sums of squares of 25.4 million round trips need more than 64 bits.
    __extension__ using Wide = unsigned __int128;
    static constexpr int kCoarseShift = 13;
    static constexpr std::uint32_t kBucketWidth = 1U << kCoarseShift;

    void Add(std::uint32_t us);
    // A round trip added before.
    void Remove(std::uint32_t us);

    std::uint64_t Count() const { return count_; }
    std::uint64_t Sum() const { return sum_; }
    Wide SquareSum() const { return squareSum_; }
    // Round trips per coarse bucket; as long as the largest bucket ever added to needs.
    const std::vector<std::uint32_t>& Buckets() const { return buckets_; }

    static std::uint32_t BucketOf(std::uint32_t us) { return us >> kCoarseShift; }

private:
    std::uint64_t count_ = 0;
    std::uint64_t sum_ = 0;
    Wide squareSum_ = 0;
    std::vector<std::uint32_t> buckets_;
};

}  // namespace velmora

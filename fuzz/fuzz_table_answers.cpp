// Any bytes as the platform's answer to the ARP and interface table reads:
// the readers take only whole records inside the answer, whatever count it
// claims, and never read past it.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "arp_table/ArpTableReader.h"
#include "tests/support/FakeNetworkServices.h"
#include "tests/support/FakeUiServices.h"

namespace {

// Answers both tables with the fuzzer's bytes, sized by the two-call rule.
class ByteAnswers final : public velmora::test::FakeNetworkServices {
public:
    explicit ByteAnswers(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
    std::uint32_t GetIpNetTable(void* table, std::uint32_t& size, bool) override { return Answer(table, size); }
    std::uint32_t GetIfTable(void* table, std::uint32_t& size, bool) override { return Answer(table, size); }

private:
    std::uint32_t Answer(void* table, std::uint32_t& size) {
        if (table == nullptr || size < bytes_.size()) {
            size = std::uint32_t(bytes_.size());
            return velmora::ERROR_INSUFFICIENT_BUFFER;
        }
        std::copy(bytes_.begin(), bytes_.end(), static_cast<std::uint8_t*>(table));
        size = std::uint32_t(bytes_.size());
        return velmora::NO_ERROR;
    }
    std::vector<std::uint8_t> bytes_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ByteAnswers net(std::vector<std::uint8_t>(data, data + std::min<std::size_t>(size, 1 << 16)));
    velmora::test::FakeUiServices ui;
    velmora::ArpTableReader reader(net, ui);
    reader.GetArpTabel();
    return 0;
}

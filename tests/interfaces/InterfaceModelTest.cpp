// The interface model over a scripted interface table: the adapter-address,
// name and description rules, the missing service, independent reads and
// whole 64-bit counters and totals.

#include <gtest/gtest.h>

#include "interfaces/CIpHelper.h"
#include "tests/support/FakeNetworkServices.h"
#include "tests/support/FakeUiServices.h"
#include "tests/support/TableRows.h"

namespace velmora::test {
namespace {

struct AddressCase {
    const char* name;
    std::vector<std::uint8_t> bytes;
    const char* text;
    friend void PrintTo(const AddressCase& c, std::ostream* os) { *os << c.name; }
};

class AdapterAddress : public testing::TestWithParam<AddressCase> {};

TEST_P(AdapterAddress, FollowsTheRule) {
    MIB_IFROW row = IfRow(1, "eth0");
    row.dwPhysAddrLen = std::uint32_t(GetParam().bytes.size());
    std::copy(GetParam().bytes.begin(), GetParam().bytes.end(), row.bPhysAddr.begin());
    FakeNetworkServices net;
    FakeUiServices ui;
    net.ifRows = {row};
    CIpHelper helper(net, ui);
    EXPECT_EQ(helper.Interfaces().Item(1).AdapterAddress, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AdapterAddress,
    testing::Values(AddressCase{"NoLeadingZeros", {0x00, 0x50, 0x04, 0x3A, 0x0F, 0xC8}, "00-50-4-3A-F-C8"},
                    AddressCase{"ZeroByteIsTwoZeros", {0x00, 0xA0, 0xC9, 0x05, 0x00, 0xFF}, "00-A0-C9-5-00-FF"},
                    AddressCase{"OneByte", {0x0A}, "A"},
                    AddressCase{"LengthZeroIsEmpty", {}, ""},
                    AddressCase{"EightBytes", {1, 2, 3, 4, 5, 6, 7, 0x80}, "1-2-3-4-5-6-7-80"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(InterfaceModel, NameAndDescriptionFollowTheirLengths) {
    FakeNetworkServices net;
    FakeUiServices ui;
    MIB_IFROW full = IfRow(1, std::string(256, 'n'), "enp3s0 - Intel Corporation I211");
    full.dwDescrLen = 6;
    MIB_IFROW unicode = IfRow(2, "", "");
    const std::u16string wide = u"w\u00e4n\U0001F600";
    std::copy(wide.begin(), wide.end(), unicode.wszName.begin());
    MIB_IFROW overlong = IfRow(3, "x", std::string(256, 'd'));
    overlong.dwDescrLen = 1000;
    net.ifRows = {full, unicode, overlong};
    CIpHelper helper(net, ui);
    const CInterfaces interfaces = helper.Interfaces();
    ASSERT_EQ(interfaces.Count(), 3u);
    EXPECT_EQ(interfaces.Item(1).InterfaceName, std::string(256, 'n')) << "no terminator: all 256 characters";
    EXPECT_EQ(interfaces.Item(1).InterfaceDescription, "enp3s0");
    EXPECT_EQ(interfaces.Item(2).InterfaceName, "w\u00e4n\U0001F600");
    EXPECT_EQ(interfaces.Item(2).InterfaceDescription, "") << "length 0";
    EXPECT_EQ(interfaces.Item(3).InterfaceDescription, std::string(256, 'd')) << "never past the record";
    EXPECT_THROW(interfaces.Item(4), std::out_of_range);
    EXPECT_THROW(interfaces.Item(0), std::out_of_range);
}

TEST(InterfaceModel, MissingServiceShowsItsBoxAndReadsNothing) {
    FakeNetworkServices net;
    FakeUiServices ui;
    net.ifRows = {IfRow(1, "eth0")};
    net.ifResult = ERROR_NOT_SUPPORTED;
    CIpHelper helper(net, ui);
    EXPECT_EQ(helper.Interfaces().Count(), 0u);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].prompt, "IP Helper is not supported by this system.");
    EXPECT_EQ(ui.boxes[0].style, vbOKOnly);
    EXPECT_EQ(ui.boxes[0].title, "");

    net.ifResult = ERROR_GEN_FAILURE;  // the second call fails: empty, quietly
    EXPECT_EQ(helper.Interfaces().Count(), 0u);
    EXPECT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(helper.BytesReceived(), 0u);
}

TEST(InterfaceModel, EveryReadIsIndependentWithWholeSixtyFourBitCountersAndTotals) {
    FakeNetworkServices net;
    FakeUiServices ui;
    MIB_IFROW big = IfRow(1, "eth0");
    big.dwInOctets = 5'000'000'000;  // past 2^32
    big.dwOutOctets = 3'000'000'000;
    big.dwSpeed = 10'000'000'000;
    MIB_IFROW small = IfRow(2, "lo");
    small.dwInOctets = 7;
    small.dwOutOctets = 8;
    net.ifRows = {big, small};
    CIpHelper helper(net, ui);
    const CInterfaces first = helper.Interfaces();
    EXPECT_EQ(first.Item(1).OctetsReceived, 5'000'000'000u);
    EXPECT_EQ(first.Item(1).Speed, 10'000'000'000u);
    EXPECT_EQ(helper.BytesReceived(), 5'000'000'007u);
    EXPECT_EQ(helper.BytesSent(), 3'000'000'008u);

    net.ifRows = {small};
    const CInterfaces second = helper.Interfaces();
    EXPECT_EQ(first.Count(), 2u) << "the first collection keeps its records";
    EXPECT_EQ(second.Count(), 1u);
    EXPECT_EQ(helper.BytesReceived(), 7u) << "totals of the last read";
    EXPECT_EQ(net.ifReads, 2);
}

TEST(InterfaceModel, LastChangeIsTheTimeSeenOrNothing) {
    FakeNetworkServices net;
    FakeUiServices ui;
    const std::int64_t seen = 1'764'000'000'123;  // ms since 1970
    for (const std::int64_t ms : {seen, std::int64_t(0), INT64_MAX, INT64_MIN}) {
        net.ifRows.push_back(IfRow(1, "eth0"));
        net.ifRows.back().dwLastChange = ms;
    }
    CIpHelper helper(net, ui);
    const CInterfaces interfaces = helper.Interfaces();
    EXPECT_EQ(std::chrono::duration_cast<std::chrono::milliseconds>(interfaces.Item(1).LastChange.time_since_epoch()).count(), seen);
    for (std::size_t i = 2; i <= 4; ++i) EXPECT_EQ(interfaces.Item(i).LastChange, DateTime{}) << "row " << i;
}

}  // namespace
}  // namespace velmora::test

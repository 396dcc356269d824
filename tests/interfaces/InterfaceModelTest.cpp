// The interface model over a scripted interface table: the adapter-address,
// name, description and last-change rules, the missing service, independent
// reads and whole 64-bit counters and totals.

#include <gtest/gtest.h>

#include "interfaces/CIpHelper.h"
#include "tests/support/FakeNetworkServices.h"
#include "tests/support/FakeUiServices.h"
#include "tests/support/TableRows.h"

namespace velmora::test {
namespace {

class InterfaceModel : public testing::Test {
protected:
    FakeNetworkServices net;
    FakeUiServices ui;
    CIpHelper helper{net, ui};
};

TEST_F(InterfaceModel, AdapterAddressFollowsItsRule) {
    const struct {
        const char* name;
        std::vector<std::uint8_t> bytes;
        const char* text;
    } rows[] = {
        {"NoLeadingZeros", {0x00, 0x50, 0x04, 0x3A, 0x0F, 0xC8}, "00-50-4-3A-F-C8"},
        {"ZeroByteIsTwoZeros", {0x01, 0xA0, 0xC9, 0x05, 0x00, 0xFF}, "1-A0-C9-5-00-FF"},
        {"OneByte", {0x0A}, "A"},
        {"LengthZeroIsEmpty", {}, ""},
        {"EightBytes", {1, 2, 3, 4, 5, 6, 7, 0x80}, "1-2-3-4-5-6-7-80"},
    };
    for (const auto& row : rows) {
        net.ifRows.push_back(IfRow(1, "eth0"));
        net.ifRows.back().dwPhysAddrLen = std::uint32_t(row.bytes.size());
        std::copy(row.bytes.begin(), row.bytes.end(), net.ifRows.back().bPhysAddr.begin());
    }
    const CInterfaces interfaces = helper.Interfaces();
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        EXPECT_EQ(interfaces.Item(i + 1).AdapterAddress, rows[i].text) << rows[i].name;
    }
}

TEST_F(InterfaceModel, NameDescriptionAndLastChangeFollowTheirLengthsAndLimits) {
    MIB_IFROW full = IfRow(1, std::string(256, 'n'), "enp3s0 - Intel Corporation I211");
    full.dwDescrLen = 6;
    full.dwLastChange = 1'764'000'000'123;  // ms since 1970
    MIB_IFROW unicode = IfRow(2, "", "");
    const std::u16string wide = u"w\u00e4n\U0001F600";
    std::copy(wide.begin(), wide.end(), unicode.wszName.begin());
    MIB_IFROW overlong = IfRow(3, "x", std::string(256, 'd'));
    overlong.dwDescrLen = 1000;
    overlong.dwLastChange = INT64_MAX;
    MIB_IFROW early = IfRow(4, "y");
    early.dwLastChange = INT64_MIN;
    net.ifRows = {full, unicode, overlong, early};
    const CInterfaces interfaces = helper.Interfaces();
    ASSERT_EQ(interfaces.Count(), 4u);
    EXPECT_EQ(interfaces.Item(1).InterfaceName, std::string(256, 'n')) << "no terminator: all 256 characters";
    EXPECT_EQ(interfaces.Item(1).InterfaceDescription, "enp3s0");
    EXPECT_EQ(interfaces.Item(1).LastChange.time_since_epoch(), std::chrono::milliseconds(1'764'000'000'123));
    EXPECT_EQ(interfaces.Item(2).InterfaceName, "w\u00e4n\U0001F600");
    EXPECT_EQ(interfaces.Item(2).InterfaceDescription, "") << "length 0";
    EXPECT_EQ(interfaces.Item(2).LastChange, DateTime{}) << "0: never seen";
    EXPECT_EQ(interfaces.Item(3).InterfaceDescription, std::string(256, 'd')) << "never past the record";
    EXPECT_EQ(interfaces.Item(3).LastChange, DateTime{}) << "beyond what a date holds";
    EXPECT_EQ(interfaces.Item(4).LastChange, DateTime{}) << "before what a date holds";
    EXPECT_THROW(interfaces.Item(5), std::out_of_range);
    EXPECT_THROW(interfaces.Item(0), std::out_of_range);
}

TEST_F(InterfaceModel, MissingServiceShowsItsBoxAndAFailedReadIsQuiet) {
    net.ifRows = {IfRow(1, "eth0")};
    net.ifResult = ERROR_NOT_SUPPORTED;
    EXPECT_EQ(helper.Interfaces().Count(), 0u);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].prompt, "IP Helper is not supported by this system.");
    EXPECT_EQ(ui.boxes[0].style, vbOKOnly);
    EXPECT_EQ(ui.boxes[0].title, "");

    net.ifResult = ERROR_GEN_FAILURE;  // the second call fails
    EXPECT_EQ(helper.Interfaces().Count(), 0u);
    EXPECT_EQ(ui.boxes.size(), 1u);
}

TEST_F(InterfaceModel, EveryReadIsIndependentWithWholeSixtyFourBitCountersAndTotals) {
    MIB_IFROW big = IfRow(1, "eth0");
    big.dwInOctets = 5'000'000'000;  // past 2^32
    big.dwOutOctets = 3'000'000'000;
    big.dwSpeed = 10'000'000'000;
    MIB_IFROW small = IfRow(2, "lo");
    small.dwInOctets = 7;
    small.dwOutOctets = 8;
    net.ifRows = {big, small};
    const CInterfaces first = helper.Interfaces();
    EXPECT_EQ(first.Item(1).OctetsReceived, 5'000'000'000u);
    EXPECT_EQ(first.Item(1).Speed, 10'000'000'000u);
    EXPECT_EQ(helper.BytesReceived(), 5'000'000'007u);
    EXPECT_EQ(helper.BytesSent(), 3'000'000'008u);

    net.ifRows = {small};
    EXPECT_EQ(helper.Interfaces().Count(), 1u);
    EXPECT_EQ(first.Count(), 2u) << "the first collection keeps its records";
    EXPECT_EQ(helper.BytesReceived(), 7u) << "totals of the last read";
    net.ifResult = ERROR_GEN_FAILURE;
    helper.Interfaces();
    EXPECT_EQ(helper.BytesReceived(), 0u);
}

}  // namespace
}  // namespace velmora::test

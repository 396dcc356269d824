#include <gtest/gtest.h>

#include "engine/mdbPing.h"

namespace velmora {
namespace {

struct ToLongCase {
    const char* name;
    const char* text;
    std::int32_t value;
    friend void PrintTo(const ToLongCase& c, std::ostream* os) { *os << c.name; }
};

class AddressToLongTest : public testing::TestWithParam<ToLongCase> {};

TEST_P(AddressToLongTest, ConvertsTextToNetworkOrder) {
    EXPECT_EQ(mdbPing::AddressToLong(GetParam().text), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Table, AddressToLongTest,
    testing::Values(ToLongCase{"PrivateAddress", "192.168.0.1", 16820416},
                    ToLongCase{"TenNet", "10.0.0.1", 16777226},
                    ToLongCase{"AllOnesIsMinusOne", "255.255.255.255", -1},
                    ToLongCase{"HighFourthOctetIsNegative", "1.2.3.200", std::int32_t(0xC8030201u)},
                    ToLongCase{"Empty", "", 0},
                    ToLongCase{"ThreeParts", "10.0.1", 0},
                    ToLongCase{"FiveParts", "1.2.3.4.5", 0},
                    ToLongCase{"PartNotANumber", "1.x.3.4", 0},
                    ToLongCase{"SignedPart", "1.-2.3.4", 0},
                    ToLongCase{"EmptyPartIsZero", "10..0.1", 16777226},
                    ToLongCase{"ValueModulo256", "300.0.0.1", std::int32_t(0x0100002Cu)},
                    ToLongCase{"HugePartDoesNotOverflow", "99999999999999999999999.0.0.1",
                               std::int32_t(0x010000FFu)},
                    ToLongCase{"LeadingZeros", "010.000.000.001", 16777226}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LongToAddress, WritesOctetsFromTheLowestByte) {
    EXPECT_EQ(mdbPing::LongToAddress(16820416), "192.168.0.1");
    EXPECT_EQ(mdbPing::LongToAddress(-1), "255.255.255.255");
    EXPECT_EQ(mdbPing::LongToAddress(0), "invalid");
    EXPECT_EQ(mdbPing::LongToAddress(std::int32_t(0x80000001u)), "1.0.0.128");
}

TEST(LongToAddress, InvertsAddressToLongForEveryAddressButZero) {
    for (const char* text : {"1.2.3.4", "10.0.0.138", "255.0.0.0", "0.0.0.1", "127.0.0.1", "200.100.50.25"}) {
        EXPECT_EQ(mdbPing::LongToAddress(mdbPing::AddressToLong(text)), text);
    }
}

TEST(SplitAddress, FillsFourSlotsOnlyForFourParts) {
    std::array<std::string, 4> parts;
    EXPECT_TRUE(mdbPing::SplitAddress("1.2.3.4", parts));
    EXPECT_EQ(parts, (std::array<std::string, 4>{"1", "2", "3", "4"}));
    EXPECT_TRUE(mdbPing::SplitAddress("a..b.", parts));
    EXPECT_EQ(parts, (std::array<std::string, 4>{"a", "", "b", ""}));
    EXPECT_FALSE(mdbPing::SplitAddress("1.2.3", parts));
    EXPECT_FALSE(mdbPing::SplitAddress("", parts));
    EXPECT_FALSE(mdbPing::SplitAddress("1.2.3.4.5", parts));
    EXPECT_FALSE(mdbPing::SplitAddress("host", parts));
}

TEST(BytesToAddress, JoinsBytesInOrder) {
    EXPECT_EQ(mdbPing::BytesToAddress({10, 0, 0, 138}), "10.0.0.138");
    EXPECT_EQ(mdbPing::BytesToAddress({0, 0, 0, 0}), "0.0.0.0");
    EXPECT_EQ(mdbPing::BytesToAddress({255, 255, 255, 255}), "255.255.255.255");
}

TEST(ByteHalves, SplitSixteenBitValues) {
    EXPECT_EQ(mdbPing::LoByte(0x0101), 1);
    EXPECT_EQ(mdbPing::HiByte(0x0101), 1);
    EXPECT_EQ(mdbPing::LoByte(0x0002), 2);
    EXPECT_EQ(mdbPing::HiByte(0x0002), 0);
    EXPECT_EQ(mdbPing::LoByte(0xFF7F), 0x7F);
    EXPECT_EQ(mdbPing::HiByte(0xFF7F), 0xFF);
}

}  // namespace
}  // namespace velmora

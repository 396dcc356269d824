#include <gtest/gtest.h>

#include "engine/mdbPing.h"

namespace velmora {
namespace {

TEST(AddressToLong, ReadsDottedTextIntoNetworkOrderOrZero) {
    const struct {
        const char* name;
        const char* text;
        std::int32_t value;
    } rows[] = {
        {"private address", "192.168.0.1", 16820416},
        {"all ones is minus one", "255.255.255.255", -1},
        {"empty", "", 0},
        {"three parts", "10.0.1", 0},
        {"five parts", "1.2.3.4.5", 0},
        {"part not a number", "1.x.3.4", 0},
        {"signed part", "1.-2.3.4", 0},
        {"empty part is zero", "10..0.1", 16777226},
        {"value modulo 256", "300.0.0.1", std::int32_t(0x0100002Cu)},
        {"huge part does not overflow", "99999999999999999999999.0.0.1", std::int32_t(0x010000FFu)},
        {"leading zeros", "010.000.000.001", 16777226},
    };
    for (const auto& row : rows) EXPECT_EQ(mdbPing::AddressToLong(row.text), row.value) << row.name;
}

TEST(LongToAddress, WritesOctetsFromTheLowestByte) {
    EXPECT_EQ(mdbPing::LongToAddress(16820416), "192.168.0.1");
    EXPECT_EQ(mdbPing::LongToAddress(-1), "255.255.255.255");
    EXPECT_EQ(mdbPing::LongToAddress(0), "invalid");
    EXPECT_EQ(mdbPing::LongToAddress(std::int32_t(0x80000001u)), "1.0.0.128");
}

TEST(SplitAddress, FillsFourSlotsOnlyForFourParts) {
    std::array<std::string, 4> parts;
    EXPECT_TRUE(mdbPing::SplitAddress("a..b.", parts));
    EXPECT_EQ(parts, (std::array<std::string, 4>{"a", "", "b", ""}));
    for (const char* text : {"1.2.3", "", "1.2.3.4.5"}) EXPECT_FALSE(mdbPing::SplitAddress(text, parts)) << text;
}

}  // namespace
}  // namespace velmora

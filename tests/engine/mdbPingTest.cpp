#include <gtest/gtest.h>

#include "engine/mdbPing.h"
#include "tests/support/FakeNetworkServices.h"
#include "tests/support/FakeUiServices.h"

namespace velmora::test {
namespace {

// Version 1.1 and above with a socket to spare starts; a failed start-up
// leaves nothing for the clean-up to release.
TEST(EngineStartup, AcceptsVersionOneOneAndAboveAndOtherwiseSaysWhy) {
    const struct {
        std::uint16_t version;
        std::int16_t sockets;
        const char* prompt;  // nullptr: accepted
    } rows[] = {
        {0x0101, 1, nullptr},
        {0x0002, 1, nullptr},
        {0x0001, 32767,
         "Windows Sockets Version 1.0 is not supported by Windows Sockets for 32 bit Windows environments."},
        {0x0101, 0, "This application requires a minimum of 1 supported sockets."},
    };
    for (const auto& row : rows) {
        FakeNetworkServices net;
        FakeUiServices ui;
        const mdbPing engine{net, ui};
        net.grantedVersion = row.version;
        net.maxSockets = row.sockets;
        EXPECT_EQ(engine.SocketsStartup(), row.prompt == nullptr) << row.version;
        EXPECT_TRUE(engine.SocketsCleanup());
        EXPECT_EQ(ui.boxes.size(), row.prompt ? 1u : 0u) << row.version;
        for (const ShownBox& box : ui.boxes) {
            EXPECT_EQ(box.prompt, row.prompt);
            EXPECT_EQ(box.style, vbExclamation);
        }
    }
}

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

}  // namespace
}  // namespace velmora::test

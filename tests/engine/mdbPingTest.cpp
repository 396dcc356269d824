#include <gtest/gtest.h>

#include "engine/mdbPing.h"
#include "tests/support/FakeNetworkServices.h"
#include "tests/support/FakeUiServices.h"

namespace velmora::test {
namespace {

TEST(EnginePing, SendsTheRequestAsGivenAndReturnsTheTimeOrTheNegatedStatus) {
    FakeNetworkServices net;
    FakeUiServices ui;
    const mdbPing engine{net, ui};
    ReplyRecord record;
    IP_OPTION_INFORMATION options;
    options.Ttl = 30;
    net.answer = [](const EchoRequest& r) { return EchoSuccess(r, 42, 57); };
    EXPECT_EQ(engine.Ping(5, "10.0.0.2", record, options, 9, 120, 750), 42);
    const EchoRequest& sent = net.echoes.at(0);
    EXPECT_EQ(sent.handle, IcmpHandle(5));
    EXPECT_EQ(sent.destination, AddressFromOctets(10, 0, 0, 2));
    EXPECT_EQ(sent.data, std::vector<std::uint8_t>(120, 9));
    EXPECT_EQ(sent.ttl, 30);
    EXPECT_EQ(sent.replySize, 1528u);
    EXPECT_EQ(sent.timeoutMs, 750u);
    EXPECT_EQ(record.reply.Options.Ttl, 57);

    net.answer = [](const EchoRequest&) { return EchoFailure(IP_TTL_EXPIRED_TRANSIT, AddressFromOctets(10, 0, 0, 1)); };
    EXPECT_EQ(engine.Ping(5, "10.0.0.9", record, options, 9, 0, 750), -11013);
    EXPECT_EQ(net.echoes.at(1).requestSize, 0);
    EXPECT_EQ(record.reply.Address, AddressFromOctets(10, 0, 0, 1));
    EXPECT_EQ(engine.Ping(5, "255.255.255.255", record, options, 9, 32, 750), -1) << "refused without sending";
    EXPECT_EQ(net.echoes.size(), 2u);
}

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

}  // namespace
}  // namespace velmora::test

#include <functional>

#include "tests/main_window/RunFixture.h"

namespace velmora::test {
namespace {

constexpr std::uint32_t kRouter = AddressFromOctets(10, 0, 0, 254);

struct OutcomeCase {
    const char* name;
    std::function<EchoAnswer(const EchoRequest&)> answer;
    std::string line;
    std::string received;
    friend void PrintTo(const OutcomeCase& c, std::ostream* os) { *os << c.name; }
};

class EchoOutcomeTest : public RunTest, public testing::WithParamInterface<OutcomeCase> {};

TEST_P(EchoOutcomeTest, WritesOneLineAndCountsIt) {
    view.SetRange("10.0.0.2", "10.0.0.2");
    net.answer = GetParam().answer;
    run->StartPinging();
    EXPECT_EQ(view.Lines(), std::vector<std::string>{GetParam().line});
    EXPECT_EQ(view.panels[0], "Sent: 1");
    EXPECT_EQ(view.panels[1], GetParam().received);
}

EchoAnswer WithData(EchoAnswer a, std::size_t index, std::uint8_t byte) {
    a.data.at(index) = byte;
    return a;
}

EchoAnswer WithDataSize(EchoAnswer a, std::int16_t size) {
    a.reply.DataSize = size;
    return a;
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, EchoOutcomeTest,
    testing::Values(
        OutcomeCase{"Success", [](const EchoRequest& r) { return EchoSuccess(r, 7, 57); },
                    "IP success from 10.0.0.2    RoundTripTime=7ms    DataSize=120 bytes    TTL=57", "Received: 1"},
        OutcomeCase{"ZeroMsReply", [](const EchoRequest& r) { return EchoSuccess(r, 0, 128); },
                    "IP success from 10.0.0.2    RoundTripTime=0ms    DataSize=120 bytes    TTL=128", "Received: 1"},
        OutcomeCase{"AlteredByteIsCorrupted", [](const EchoRequest& r) { return WithData(EchoSuccess(r, 7), 119, 0); },
                    "IP success from 10.0.0.2    RoundTripTime=7ms    DataCorrupted    TTL=64", "Received: 1"},
        OutcomeCase{"ShorterEchoIsCorrupted", [](const EchoRequest& r) { return WithDataSize(EchoSuccess(r, 7), 119); },
                    "IP success from 10.0.0.2    RoundTripTime=7ms    DataCorrupted    TTL=64", "Received: 1"},
        OutcomeCase{"LongerEchoIsCorrupted", [](const EchoRequest& r) { return WithDataSize(EchoSuccess(r, 7), 121); },
                    "IP success from 10.0.0.2    RoundTripTime=7ms    DataCorrupted    TTL=64", "Received: 1"},
        OutcomeCase{"ReplyFromAnotherAddress",
                    [](const EchoRequest& r) {
                        EchoAnswer a = EchoSuccess(r, 2);
                        a.reply.Address = AddressFromOctets(10, 0, 0, 99);
                        return a;
                    },
                    "IP success from 10.0.0.99    RoundTripTime=2ms    DataSize=120 bytes    TTL=64", "Received: 1"},
        OutcomeCase{"TimeoutNamesTheTarget", [](const EchoRequest&) { return EchoFailure(IP_REQ_TIMED_OUT); },
                    "IP req timed out from 10.0.0.2", "Received: 0"},
        OutcomeCase{"TtlExpiredNamesTheRouter",
                    [](const EchoRequest&) { return EchoFailure(IP_TTL_EXPIRED_TRANSIT, kRouter); },
                    "IP ttl expired transit from 10.0.0.254", "Received: 0"},
        OutcomeCase{"UnreachableNamesTheRouter",
                    [](const EchoRequest&) { return EchoFailure(IP_DEST_HOST_UNREACHABLE, kRouter); },
                    "IP dest host unreachable from 10.0.0.254", "Received: 0"},
        OutcomeCase{"UnknownStatus", [](const EchoRequest&) { return EchoFailure(11049); },
                    "Unknown  msg returned from 10.0.0.2", "Received: 0"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RunTest, EachSlotSendsTheFieldsAsTheyStandThen) {
    view.SetRange("10.0.0.1", "10.0.0.2");
    view.parameters[Control::TTL] = "30";
    view.parameters[Control::Timeout] = "750";
    view.parameters[Control::DataSize] = "16";
    view.onAppend = [this](const std::string&) {
        view.parameters[Control::TTL] = "7";
        view.parameters[Control::Timeout] = "90";
        view.parameters[Control::DataSize] = "0";
    };
    run->StartPinging();

    ASSERT_EQ(net.echoes.size(), 2u);
    EXPECT_EQ(net.echoes[0].ttl, 30);
    EXPECT_EQ(net.echoes[0].timeoutMs, 750u);
    EXPECT_EQ(net.echoes[0].requestSize, 16);
    EXPECT_EQ(net.echoes[0].replySize, 1528u);
    EXPECT_EQ(net.echoes[1].ttl, 7);
    EXPECT_EQ(net.echoes[1].timeoutMs, 90u);
    EXPECT_EQ(net.echoes[1].requestSize, 0);
    EXPECT_EQ(view.Lines()[1], "IP success from 10.0.0.2    RoundTripTime=1ms    DataSize=0 bytes    TTL=64");
}

TEST_F(RunTest, PayloadByteIsDrawnPerSlotBetween1And254) {
    view.SetRange("10.0.0.1", "10.0.0.3");
    ui.randoms = {0.0f, 0.99999994f, 0.5f};
    run->StartPinging();
    ASSERT_EQ(net.echoes.size(), 3u);
    EXPECT_EQ(net.echoes[0].data, std::vector<std::uint8_t>(120, 1));
    EXPECT_EQ(net.echoes[1].data, std::vector<std::uint8_t>(120, 254));
    EXPECT_EQ(net.echoes[2].data, std::vector<std::uint8_t>(120, 128));
}

struct UncarriedCase {
    const char* name;
    Control field;
    const char* text;
    const char* status;
    friend void PrintTo(const UncarriedCase& c, std::ostream* os) { *os << c.name; }
};

class UncarriedValueTest : public RunTest, public testing::WithParamInterface<UncarriedCase> {};

// A value edited in during the run: the slot sends nothing, reports the
// platform's answer, and the run goes on.
TEST_P(UncarriedValueTest, SlotReportsTheStatusAndTheRunGoesOn) {
    view.SetRange("10.0.0.1", "10.0.0.3");
    view.onAppend = [this](const std::string&) { view.parameters[GetParam().field] = GetParam().text; };
    run->StartPinging();

    EXPECT_EQ(net.echoes.size(), 1u);
    const auto lines = view.Lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], std::string(GetParam().status) + " from 10.0.0.2");
    EXPECT_EQ(lines[2], std::string(GetParam().status) + " from 10.0.0.3");
    EXPECT_EQ(view.panels[2], "Lost: 2");
    EXPECT_FALSE(view.running);
}

INSTANTIATE_TEST_SUITE_P(
    DuringRun, UncarriedValueTest,
    testing::Values(UncarriedCase{"DataSize1500", Control::DataSize, "1500", "IP buf too_small"},
                    UncarriedCase{"DataSizeBeyond16Bits", Control::DataSize, "70000", "IP buf too_small"},
                    UncarriedCase{"DataSizeNegative", Control::DataSize, "-1", "IP general failure"},
                    UncarriedCase{"TtlAbove255", Control::TTL, "256", "IP general failure"},
                    UncarriedCase{"TtlNegative", Control::TTL, "-2", "IP general failure"},
                    UncarriedCase{"TimeoutBeyond32Bits", Control::Timeout, "4294967296", "IP general failure"},
                    UncarriedCase{"TimeoutNegative", Control::Timeout, "-1", "IP general failure"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RunTest, UnresolvedNameGivesOneSlotWithoutEchoEachPass) {
    view.targetMode = 1;
    view.hostName = "no.such.host";
    view.parameters[Control::Num] = "2";
    run->StartPinging();
    RunToEnd();

    EXPECT_TRUE(net.echoes.empty());
    EXPECT_EQ(net.lookups, (std::vector<std::string>{"no.such.host", "no.such.host"}));
    EXPECT_EQ(view.log,
              "none resolved host name from     #1\r\n"
              "none resolved host name from     #2\r\n"
              "\r\n"
              "Ping Statistics from :\r\n"
              "   Packets:   Sent = 2,   Received = 0,   Lost = 2\r\n"
              "   RoundTripTimes:   Maximum = 0,  Minimum = 0,  Average = 0\r\n"
              "\r\n");
}

TEST_F(RunTest, NameIsResolvedAgainAtEveryPass) {
    view.targetMode = 1;
    view.hostName = "moving.test";
    view.loop = true;
    net.hosts["moving.test"] = AddressFromOctets(10, 0, 0, 1);
    run->StartPinging();
    net.hosts["moving.test"] = AddressFromOctets(10, 0, 0, 2);
    ASSERT_TRUE(RunTimer().Fire());
    net.hosts.clear();
    ASSERT_TRUE(RunTimer().Fire());

    EXPECT_EQ(Destinations(), (std::vector<std::string>{"10.0.0.1", "10.0.0.2"}));
    EXPECT_EQ(view.Lines()[2], "none resolved host name from     Loop #3");
    EXPECT_TRUE(view.running);
}

TEST_F(RunTest, NameResolvingToAllOnesIsABadFormatAndEndsThePass) {
    view.targetMode = 1;
    view.hostName = "broadcast.test";
    net.hosts["broadcast.test"] = 0xFFFFFFFFu;
    run->StartPinging();
    EXPECT_EQ(view.Lines(), std::vector<std::string>{"Bad IP format from 255.255.255.255"});
    EXPECT_TRUE(net.echoes.empty());
    EXPECT_FALSE(view.running);
}

// Advice needs both a failed echo and a text from the platform.
TEST_F(RunTest, PermissionAdviceIsShownOncePerRunAfterAFailedEcho) {
    view.SetRange("10.0.0.1", "10.0.0.3");
    net.answer = [](const EchoRequest&) { return EchoFailure(IP_REQ_TIMED_OUT); };
    run->StartPinging();
    net.permissionAdvice = "Allow ping sockets for your group.";
    net.answer = [](const EchoRequest& r) { return EchoSuccess(r, 1); };
    run->StartPinging();
    EXPECT_TRUE(ui.boxes.empty());

    net.answer = [](const EchoRequest&) { return EchoFailure(IP_GENERAL_FAILURE); };
    run->StartPinging();
    EXPECT_EQ(view.Lines().size(), 9u);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].prompt, "Allow ping sockets for your group.");
    EXPECT_EQ(ui.boxes[0].style, vbExclamation);
    run->StartPinging();
    EXPECT_EQ(view.Lines().size(), 12u);
    EXPECT_EQ(ui.boxes.size(), 2u);
}

}  // namespace
}  // namespace velmora::test

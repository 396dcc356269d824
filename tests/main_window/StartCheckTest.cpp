#include <functional>
#include <optional>

#include "tests/main_window/RunFixture.h"

namespace velmora::test {
namespace {

struct RefusalCase {
    const char* name;
    std::function<void(FakeRunView&)> edit;
    std::optional<std::string> prompt;  // nothing: refused silently
    std::optional<Control> focus;       // nothing: the focus stays
    friend void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }
};

class StartRefusalTest : public RunTest, public testing::WithParamInterface<RefusalCase> {};

TEST_P(StartRefusalTest, RefusesWithoutStartingAnything) {
    view.SetRange("10.0.0.1", "10.0.0.3");
    GetParam().edit(view);
    run->StartPinging();

    if (GetParam().prompt) {
        ASSERT_EQ(ui.boxes.size(), 1u);
        EXPECT_EQ(ui.boxes[0].prompt, *GetParam().prompt);
        EXPECT_EQ(ui.boxes[0].style, vbOKOnly);
        EXPECT_EQ(ui.boxes[0].title, "");
    } else {
        EXPECT_TRUE(ui.boxes.empty());
    }
    if (GetParam().focus) {
        EXPECT_EQ(view.focus, std::vector<Control>{*GetParam().focus});
    } else {
        EXPECT_TRUE(view.focus.empty());
    }
    EXPECT_FALSE(run->Running());
    EXPECT_FALSE(view.running);
    EXPECT_TRUE(view.captions.empty());
    EXPECT_EQ(net.startups, 0);
    EXPECT_TRUE(net.echoes.empty());
    EXPECT_FALSE(RunTimer().enabled);
}

// A parameter field the run refuses: its message, and the focus on it.
RefusalCase Field(const char* name, Control field, const char* text, const char* prompt) {
    return {name, [field, text](FakeRunView& v) { v.parameters[field] = text; }, prompt, field};
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, StartRefusalTest,
    testing::Values(
        RefusalCase{"EmptyStartOctet", [](FakeRunView& v) { v.startOctets[2] = "  "; }, std::nullopt, std::nullopt},
        RefusalCase{"EmptyStopOctet", [](FakeRunView& v) { v.stopOctets[0] = ""; }, std::nullopt, std::nullopt},
        RefusalCase{"StartAboveStopInLastOctet", [](FakeRunView& v) { v.SetRange("10.0.0.200", "10.0.1.5"); },
                    std::nullopt, Control::StopIp3},
        RefusalCase{"StartAboveStopInAHigherOctet", [](FakeRunView& v) { v.SetRange("10.0.1.1", "10.0.0.9"); },
                    std::nullopt, Control::StopIp3},
        RefusalCase{"StartOctetAbove255", [](FakeRunView& v) { v.SetRange("10.0.999.1", "10.0.999.1"); },
                    "Each part of the Start IP should be 255 or less", Control::StartIp2},
        RefusalCase{"StopOctetAbove255", [](FakeRunView& v) { v.stopOctets[3] = "256"; },
                    "Each part of the Stop IP should be 255 or less", Control::StopIp3},
        RefusalCase{"EmptyHostName",
                    [](FakeRunView& v) {
                        v.targetMode = 1;
                        v.hostName = " \t ";
                    },
                    std::nullopt, Control::HostName},
        Field("DataSize1500", Control::DataSize, "1500", "DataSize should be less than 1500"),
        Field("DataSizeRoundedTo1500", Control::DataSize, "1499.5", "DataSize should be less than 1500"),
        Field("DataSizeNegative", Control::DataSize, "-5", "DataSize should be 0 or more"),
        Field("TtlAbove255", Control::TTL, "256", "TTL should be 255 or less"),
        Field("TtlNegative", Control::TTL, "-1", "TTL should be 0 or more"),
        Field("TimeoutBeyond32Bits", Control::Timeout, "2147483648", "Timeout should be 2147483647 or less"),
        Field("TimeoutNegative", Control::Timeout, "-500", "Timeout should be 0 or more"),
        Field("DelayAboveTimerLimit", Control::Delay, "1E10", "Delay should be 2147483647 or less"),
        Field("DelayNegative", Control::Delay, "-1", "Delay should be 0 or more")),
    [](const auto& info) { return std::string(info.param.name); });

struct AcceptedCase {
    const char* name;
    Control field;
    const char* text;
    friend void PrintTo(const AcceptedCase& c, std::ostream* os) { *os << c.name; }
};

class StartAcceptTest : public RunTest, public testing::WithParamInterface<AcceptedCase> {};

TEST_P(StartAcceptTest, StartsTheRun) {
    view.parameters[GetParam().field] = GetParam().text;
    run->StartPinging();
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(net.startups, 1);
    EXPECT_EQ(view.Lines().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Limits, StartAcceptTest,
                         testing::Values(AcceptedCase{"DataSize1499", Control::DataSize, "1499"},
                                         AcceptedCase{"DataSizeZero", Control::DataSize, "0"},
                                         AcceptedCase{"Ttl255", Control::TTL, "255"},
                                         AcceptedCase{"TtlFractionRoundsDown", Control::TTL, "255.4"},
                                         AcceptedCase{"Timeout32Bits", Control::Timeout, "2147483647"},
                                         AcceptedCase{"DelayZero", Control::Delay, "0"},
                                         AcceptedCase{"DelayAtTimerLimit", Control::Delay, "2147483647"},
                                         AcceptedCase{"NegativeNumIsOnePass", Control::Num, "-5"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RunTest, StartShowsTheRunningStateAndTheTarget) {
    view.SetRange("10.0.0.1", "10.0.0.2");
    view.parameters[Control::Num] = "2";
    run->StartPinging();
    EXPECT_TRUE(view.running);
    EXPECT_TRUE(run->Running());
    EXPECT_EQ(view.Caption(), "Velmora [10.0.0.1]");
    EXPECT_EQ(net.startups, 1);
    EXPECT_TRUE(RunTimer().enabled);
    EXPECT_EQ(RunTimer().interval, 1000);
}

TEST_F(RunTest, HostNameCaptionIsTheTextAsTyped) {
    view.targetMode = 1;
    view.hostName = " gateway.test ";
    net.hosts["gateway.test"] = AddressFromOctets(10, 0, 0, 138);
    run->StartPinging();
    EXPECT_EQ(view.captions.front(), "Velmora [ gateway.test ]");
    EXPECT_EQ(net.lookups, std::vector<std::string>{"gateway.test"});
    EXPECT_EQ(Destinations(), std::vector<std::string>{"10.0.0.138"});
}

TEST_F(RunTest, FailedSocketsStartupLeavesTheCommandsRunningUntilStop) {
    net.startupResult = 10091;
    run->StartPinging();
    EXPECT_EQ(Prompts(), (std::vector<std::string>{kSocketsNotResponding, kSocketsNotResponding}));
    EXPECT_TRUE(view.running);
    EXPECT_TRUE(net.echoes.empty());
    EXPECT_FALSE(RunTimer().Fire());

    run->StopPinging();
    EXPECT_FALSE(view.running);
    EXPECT_FALSE(run->Running());
    EXPECT_EQ(view.Caption(), "Velmora");
    ASSERT_EQ(ui.boxes.size(), 3u);
    EXPECT_EQ(ui.boxes[2].prompt, "Windows Sockets error -1 occurred in Cleanup.");
    EXPECT_EQ(ui.boxes[2].style, vbExclamation);
    EXPECT_TRUE(view.log.empty());
}

TEST_F(RunTest, StopAfterAFailedStartupRepeatsNoEarlierSummary) {
    view.parameters[Control::Num] = "2";
    run->StartPinging();
    RunToEnd();
    const std::string afterFirstRun = view.log;
    net.startupResult = 10091;
    run->StartPinging();
    run->StopPinging();
    EXPECT_EQ(view.log, afterFirstRun);
}

TEST_F(RunTest, RefusedSocketsVersionIsReleasedSilentlyAtStop) {
    net.grantedVersion = 0x0001;
    run->StartPinging();
    EXPECT_EQ(Prompts(), (std::vector<std::string>{
                             "Windows Sockets Version 1.0 is not supported by Windows Sockets for 32 bit Windows "
                             "environments.",
                             kSocketsNotResponding}));
    run->StopPinging();
    EXPECT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(net.cleanups, 1);
    EXPECT_FALSE(view.running);
}

}  // namespace
}  // namespace velmora::test

#include <functional>
#include <optional>

#include "tests/main_window/RunFixture.h"

namespace velmora::test {
namespace {

// Over the range 10.0.0.1 to 10.0.0.3: a start the checks refuse (its message,
// none when silent; the focus, none when it stays) or one that goes ahead.
struct StartCase {
    const char* name;
    std::function<void(FakeRunView&)> edit;
    const char* prompt;
    std::optional<Control> focus;
    bool starts = false;
    friend void PrintTo(const StartCase& c, std::ostream* os) { *os << c.name; }
};

StartCase Range(const char* name, const char* start, const char* stop, const char* prompt,
                std::optional<Control> focus) {
    return {name, [start, stop](FakeRunView& v) { v.SetRange(start, stop); }, prompt, focus};
}
StartCase Field(const char* name, Control field, const char* text, const char* prompt) {
    return {name, [field, text](FakeRunView& v) { v.parameters[field] = text; }, prompt, field};
}
StartCase Accepted(const char* name, Control field, const char* text) {
    return {name, [field, text](FakeRunView& v) { v.parameters[field] = text; }, nullptr, std::nullopt, true};
}

class StartCheckTest : public RunTest, public testing::WithParamInterface<StartCase> {};

TEST_P(StartCheckTest, RefusesWithoutStartingAnythingOrStarts) {
    const StartCase& c = GetParam();
    view.SetRange("10.0.0.1", "10.0.0.3");
    c.edit(view);
    run->StartPinging();
    EXPECT_EQ(Prompts(), c.prompt ? std::vector<std::string>{c.prompt} : std::vector<std::string>{});
    for (const ShownBox& box : ui.boxes) EXPECT_EQ(box.style, vbOKOnly);
    EXPECT_EQ(view.focus, c.focus ? std::vector<Control>{*c.focus} : std::vector<Control>{});
    EXPECT_EQ(net.startups, c.starts ? 1 : 0);
    EXPECT_EQ(view.captions.empty(), !c.starts);
    EXPECT_EQ(net.echoes.empty(), !c.starts);
}

INSTANTIATE_TEST_SUITE_P(
    Checks, StartCheckTest,
    testing::Values(
        Range("EmptyStartOctet", "10.0.  .1", "10.0.0.3", nullptr, std::nullopt),
        Range("EmptyStopOctet", "10.0.0.1", ".0.0.3", nullptr, std::nullopt),
        Range("StartAboveStopInLastOctet", "10.0.0.200", "10.0.1.5", nullptr, Control::StopIp3),
        Range("StartAboveStopInAHigherOctet", "10.0.1.1", "10.0.0.9", nullptr, Control::StopIp3),
        Range("StartOctetAbove255", "10.0.999.1", "10.0.999.1", "Each part of the Start IP should be 255 or less",
              Control::StartIp2),
        Range("StopOctetAbove255", "10.0.0.1", "10.0.0.256", "Each part of the Stop IP should be 255 or less",
              Control::StopIp3),
        StartCase{"EmptyHostName", [](FakeRunView& v) { v.targetMode = 1, v.hostName = " \t "; }, nullptr,
                  Control::HostName},
        Field("DataSize1500", Control::DataSize, "1500", "DataSize should be less than 1500"),
        Field("DataSizeRoundedTo1500", Control::DataSize, "1499.5", "DataSize should be less than 1500"),
        Field("DataSizeNegative", Control::DataSize, "-5", "DataSize should be 0 or more"),
        Field("TtlAbove255", Control::TTL, "256", "TTL should be 255 or less"),
        Field("TimeoutBeyond32Bits", Control::Timeout, "2147483648", "Timeout should be 2147483647 or less"),
        Field("DelayAboveTimerLimit", Control::Delay, "1E10", "Delay should be 2147483647 or less"),
        Field("DelayNegative", Control::Delay, "-1", "Delay should be 0 or more"),
        Accepted("DataSize1499", Control::DataSize, "1499"), Accepted("DataSizeZero", Control::DataSize, "0"),
        Accepted("TtlFractionRoundsDownTo255", Control::TTL, "255.4"),
        Accepted("Timeout32Bits", Control::Timeout, "2147483647"), Accepted("DelayZero", Control::Delay, "0"),
        Accepted("DelayAtTimerLimit", Control::Delay, "2147483647"),
        Accepted("NegativeNumIsOnePass", Control::Num, "-5")),
    [](const auto& info) { return std::string(info.param.name); });

// A failed start-up leaves Stop enabled; Stop then releases without repeating
// the earlier run's summary.
TEST_F(RunTest, FailedSocketsStartupLeavesTheCommandsRunningUntilStop) {
    view.parameters[Control::Num] = "2";
    run->StartPinging();
    RunToEnd();
    const std::string afterFirstRun = view.log;
    net.startupResult = 10091;
    run->StartPinging();
    const std::string notResponding = "Windows Sockets for 32 bit Windows environments is not successfully responding.";
    EXPECT_EQ(Prompts(), std::vector<std::string>(2, notResponding));
    EXPECT_TRUE(view.running);
    EXPECT_FALSE(RunTimer().Fire());
    run->StopPinging();
    EXPECT_FALSE(view.running);
    EXPECT_EQ(Prompts().back(), "Windows Sockets error -1 occurred in Cleanup.");
    EXPECT_EQ(view.log, afterFirstRun);
}

}  // namespace
}  // namespace velmora::test

// The down/up rule: one address's echoes, one a second from 09:14:00 UTC,
// 'a' answered and 'x' lost or an error answer; the messages are taken after
// every echo, as a pass of one address does.
#include <gtest/gtest.h>

#include "monitoring/HostAlerts.h"

namespace velmora {
namespace {

constexpr std::int64_t kSecondUs = 1'000'000;
// 2026-12-07 09:14:00 UTC.
constexpr std::int64_t kStart = 1'796'634'840 * kSecondUs;

std::vector<std::string> Alerts(int alertAfter, const std::string& echoes) {
    HostAlerts alerts(alertAfter);
    std::vector<std::string> messages;
    for (std::size_t i = 0; i < echoes.size(); ++i) {
        alerts.Feed("10.0.0.5", echoes[i] == 'a', kStart + std::int64_t(i) * kSecondUs);
        for (std::string& message : alerts.TakeMessages()) messages.push_back(std::move(message));
    }
    return messages;
}

TEST(HostAlerts, DownAfterAlertAfterLossesInARowAndUpAtTheFirstAnswer) {
    const std::string down3 = "10.0.0.5 is down (3 echoes lost since 09:14:01)";
    const struct {
        const char* name;
        int alertAfter;
        std::string echoes;
        std::vector<std::string> messages;
    } rows[] = {
        {"NeverAnsweredIsNeverDown", 3, "xxxxxx", {}},
        {"TwoLostOfThreeIsNotDown", 3, "axxaxxa", {}},
        {"ThreeInARowIsDownOnce", 3, "axxxxx", {down3}},
        {"UpGivesTheTimeSinceTheFirstLoss", 3, "axxxxa", {down3, "10.0.0.5 is up again (down for 4 s)"}},
        {"AfterOneEachLossGoesDown", 1, "axaxa",
         {"10.0.0.5 is down (1 echo lost since 09:14:01)", "10.0.0.5 is up again (down for 1 s)",
          "10.0.0.5 is down (1 echo lost since 09:14:03)", "10.0.0.5 is up again (down for 1 s)"}},
        {"DownAgainCountsAFreshStreak", 3, "axxxaxxx",
         {down3, "10.0.0.5 is up again (down for 3 s)", "10.0.0.5 is down (3 echoes lost since 09:14:05)"}},
    };
    for (const auto& row : rows) EXPECT_EQ(Alerts(row.alertAfter, row.echoes), row.messages) << row.name;
}

TEST(HostAlerts, ManyChangesInOnePassComeAsOneMessage) {
    HostAlerts alerts(1);
    const auto address = [](int i) { return "10.0.0." + std::to_string(i); };
    for (int i = 1; i <= 5; ++i) alerts.Feed(address(i), true, kStart);
    EXPECT_TRUE(alerts.TakeMessages().empty());
    for (int i = 1; i <= 5; ++i) alerts.Feed(address(i), i == 5, kStart);
    EXPECT_EQ(alerts.TakeMessages(),
              std::vector<std::string>{"4 hosts are down: 10.0.0.1, 10.0.0.2, 10.0.0.3 and 1 more"});
    for (int i = 1; i <= 2; ++i) alerts.Feed(address(i), true, kStart + 120 * kSecondUs);
    EXPECT_EQ(alerts.TakeMessages(), (std::vector<std::string>{"10.0.0.1 is up again (down for 2 min 0 s)",
                                                               "10.0.0.2 is up again (down for 2 min 0 s)"}));
}

TEST(HostAlerts, DurationsAndStoredThresholdsRead) {
    EXPECT_EQ(DurationText(12), "12 s");
    EXPECT_EQ(DurationText(252), "4 min 12 s");
    EXPECT_EQ(DurationText(3603), "1 h 0 min 3 s");
    EXPECT_EQ(DurationText(-5), "0 s");
    const struct {
        const char* stored;
        int value;
    } rows[] = {{"3", 3}, {" 7", 7}, {"0", 1}, {"-2", 1}, {"250", 100}, {"99999999999999999999", 100},
                {"", 3}, {"many", 3}, {"12abc", 12}};
    for (const auto& row : rows) EXPECT_EQ(AlertAfterValue(row.stored), row.value) << row.stored;
}

}  // namespace
}  // namespace velmora

// The monitoring outputs apart from a run: CSV fields and times, and the
// export's dialog, failure and retry over the fake toolkit.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "monitoring/CsvExport.h"
#include "monitoring/TimeTexts.h"
#include "tests/support/CsvReader.h"
#include "tests/support/FakeUiServices.h"

namespace velmora::test {
namespace {

// 2026-12-07 09:15:02.123456 UTC.
constexpr std::int64_t kEchoUs = 1'796'634'902'123'456;

TEST(CsvField, QuotesOnlyWhatNeedsIt) {
    const struct {
        const char* text;
        const char* field;
    } rows[] = {{"10.0.0.5", "10.0.0.5"},       {"", ""},
                {"a,b", "\"a,b\""},             {"say \"hi\"", "\"say \"\"hi\"\"\""},
                {"two\nlines", "\"two\nlines\""}, {"cr\r", "\"cr\r\""}};
    for (const auto& row : rows) EXPECT_EQ(CsvField(row.text), row.field) << row.text;
}

// Times are local, with the zone's offset; the stamp and the export agree to the millisecond.
TEST(TimeTexts, LocalTimeWithItsOffsetRoundedDownToTheMillisecond) {
    const struct {
        const char* zone;
        const char* iso;
        const char* stamp;
    } rows[] = {
        {"UTC0", "2026-12-07T09:15:02.123+00:00", "2026-12-07 09:15:02.123  "},
        {"XST-05:30", "2026-12-07T14:45:02.123+05:30", "2026-12-07 14:45:02.123  "},
        {"YST03", "2026-12-07T06:15:02.123-03:00", "2026-12-07 06:15:02.123  "},
    };
    const char* previous = std::getenv("TZ");
    const std::string saved = previous ? previous : "";
    for (const auto& row : rows) {
        setenv("TZ", row.zone, 1);
        tzset();
        EXPECT_EQ(IsoTime(kEchoUs), row.iso) << row.zone;
        EXPECT_EQ(LineStamp(kEchoUs), row.stamp) << row.zone;
    }
    setenv("TZ", saved.c_str(), 1);
    tzset();
    EXPECT_EQ(IsoTime(-1), "1969-12-31T23:59:59.999+00:00") << "before 1970, still rounded down";
}

EchoRecord Echo(const char* address, const char* host, std::int32_t status, std::uint32_t roundTripUs) {
    EchoRecord echo;
    echo.address = address;
    echo.hostName = host;
    echo.sample.timeUs = kEchoUs;
    echo.sample.status = status;
    if (status == IP_SUCCESS) {
        echo.sample.roundTripUs = roundTripUs;
        echo.sample.ttl = 64;
        echo.sample.dataSize = 32;
        echo.sample.dataIntact = true;
    }
    return echo;
}

TEST(CsvExport, RowsRoundTripThroughAReader) {
    EchoStore store;
    store.Add(Echo("10.0.0.9", "say \"hi\", there", IP_SUCCESS, 1'234'567));
    store.Add(Echo("10.0.0.9", "say \"hi\", there", IP_REQ_TIMED_OUT, 0));
    const std::string csv = EchoCsv(store);
    EXPECT_EQ(csv.find('\r'), std::string::npos) << "LF line ends";
    const auto rows = ReadCsv(csv);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"time", "pass", "address", "host", "status", "status_text", "rtt_ms",
                                                 "rtt_whole_ms", "ttl", "data_size", "data_ok"}));
    EXPECT_EQ(rows[1], (std::vector<std::string>{"2026-12-07T09:15:02.123+00:00", "1", "10.0.0.9",
                                                 "say \"hi\", there", "0", "IP success", "1234.567", "1234", "64", "32",
                                                 "true"}));
    EXPECT_EQ(rows[2], (std::vector<std::string>{"2026-12-07T09:15:02.123+00:00", "1", "10.0.0.9",
                                                 "say \"hi\", there", "11010", "IP req timed out", "", "", "", "",
                                                 ""}));
}

// A refused write names the path and the reason and offers the dialog again;
// the next export starts where the last one went.
TEST(CsvExport, AFailedWriteSaysWhyAndAsksAgain) {
    FakeUiServices ui;
    EchoStore store;
    store.Add(Echo("10.0.0.5", "", IP_SUCCESS, 800));
    CsvExport exporter(ui);
    ui.dialogAnswers = {std::string("/full/echoes.csv"), std::string("/home/user/out/echoes.csv")};
    ui.wholeWriteFailures = {"No space left on device"};
    ui.answers = {vbRetry};
    exporter.Export(store);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].prompt, "The CSV file could not be written to /full/echoes.csv: No space left on device");
    EXPECT_EQ(ui.files.count("/full/echoes.csv"), 0u);
    EXPECT_EQ(ui.files.at("/home/user/out/echoes.csv"), EchoCsv(store));
    ui.dialogAnswers = {std::nullopt};
    exporter.Export(store);
    ASSERT_EQ(ui.dialogs.size(), 3u);
    EXPECT_EQ(ui.dialogs[0].startFolder, "");  // none used yet: the platform's fallback
    EXPECT_EQ(ui.dialogs[2].startFolder, "/home/user/out");
}

}  // namespace
}  // namespace velmora::test

#include "monitoring/CsvExport.h"

#include <cstdio>
#include <filesystem>

#include "monitoring/TimeTexts.h"

namespace velmora {

namespace {

constexpr const char* kHeader =
    "time,pass,address,host,status,status_text,rtt_ms,rtt_whole_ms,ttl,data_size,data_ok\n";
constexpr const char* kDialogTitle = "Export CSV";
constexpr const char* kDialogFilter = "CSV Files (*.csv)|*.csv";

std::string Milliseconds(std::uint32_t us) {
    char text[16];
    std::snprintf(text, sizeof text, "%u.%03u", us / 1000, us % 1000);
    return text;
}

// A failed echo has no round trip, TTL or data of its own: those fields stay empty.
std::string Row(const EchoSample& echo, const std::string& address, const std::string& host) {
    std::string row = IsoTime(echo.timeUs) + ',' + std::to_string(echo.pass + 1) + ',' + CsvField(address) + ',' +
                      CsvField(host) + ',' + std::to_string(echo.status) + ',' + CsvField(StatusText(echo)) + ',';
    if (echo.Replied()) {
        row += Milliseconds(echo.roundTripUs) + ',' + std::to_string(echo.RoundTripMs()) + ',' +
               std::to_string(echo.ttl) + ',' + std::to_string(echo.dataSize) + ',' +
               (echo.dataIntact ? "true" : "false");
    } else {
        row += ",,,,";
    }
    return row + '\n';
}

}  // namespace

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + '"';
}

std::string EchoCsv(const EchoStore& store) {
    std::string csv = kHeader;
    for (std::size_t s = 0; s < store.SeriesCount(); ++s) {
        const EchoSeries& series = store.SeriesAt(s);
        std::size_t index = 0;
        series.Visit(0, [&](const EchoSample& echo) {
            csv += Row(echo, series.Address(), series.HostNameAt(index++));
            return true;
        });
    }
    return csv;
}

void CsvExport::Export(const EchoStore& store) {
    const std::string csv = EchoCsv(store);
    for (;;) {
        const auto path = ui_.ShowSaveDialog(kDialogTitle, kDialogFilter, lastFolder_);
        if (!path) return;
        std::string error;
        if (ui_.WriteWholeFile(*path, csv, error)) {
            lastFolder_ = std::filesystem::path(*path).parent_path().string();
            return;
        }
        const std::string prompt = "The CSV file could not be written to " + *path + ": " + error;
        if (ui_.MsgBox(prompt, vbRetryCancelCritical, kDialogTitle) != vbRetry) return;
    }
}

}  // namespace velmora

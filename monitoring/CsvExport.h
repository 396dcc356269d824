#pragma once
// Export CSV: every echo of the data set as RFC 4180 text (a header row,
// quoting where needed, UTF-8, LF line ends), one address after another in
// range order, each address's echoes oldest first. The file is written
// whole through a temporary file, so a failure never leaves half a file over
// an old one; the user is told the path and the reason and may choose again.

#include <cstdint>
#include <string>

#include "monitoring/EchoStore.h"
#include "platform/UiServices.h"

namespace velmora {

// One field, quoted when it holds a comma, a quote or a line break.
std::string CsvField(const std::string& text);
// One row per echo, after the header.
std::string EchoCsv(const EchoStore& store);

class CsvExport {
public:
    explicit CsvExport(UiServices& ui) : ui_(ui) {}

    // Asks for the file (starting where the last export went) and writes it.
    void Export(const EchoStore& store);

private:
    UiServices& ui_;
    std::string lastFolder_;
};

}  // namespace velmora

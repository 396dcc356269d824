#pragma once
// The help display the toolkit services hand help requests to: one viewer a
// help file, kept while it is open and raised again by the next request.

#include <QPointer>
#include <map>
#include <string>

#include "platform/QtUiServices.h"

namespace velmora {

class HelpViewer;

class HelpWindows final : public HelpDisplay {
public:
    HelpWindows() = default;
    // The viewers still open close with it.
    ~HelpWindows() override;
    HelpWindows(const HelpWindows&) = delete;
    HelpWindows& operator=(const HelpWindows&) = delete;

    WindowHandle ShowHelp(WindowHandle owner, const std::string& path, int command, std::uint32_t data) override;

private:
    std::map<std::string, QPointer<HelpViewer>> viewers_;  // by the file's absolute path
};

}  // namespace velmora

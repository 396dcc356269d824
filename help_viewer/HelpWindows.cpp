#include "help_viewer/HelpWindows.h"

#include <QWidget>
#include <optional>

#include "help_viewer/HelpViewer.h"
#include "platform/ShellServices.h"
#include "window_helpers/ViewerWindows.h"

namespace velmora {

HelpWindows::~HelpWindows() {
    for (auto& entry : viewers_) delete entry.second.data();
}

WindowHandle HelpWindows::ShowHelp(WindowHandle owner, const std::string& path, int command, std::uint32_t data) {
    QPointer<HelpViewer>& viewer = viewers_[path];
    if (!viewer) viewer = HelpViewer::Open(path, QWidget::find(WId(owner))).release();
    if (!viewer) return 0;
    std::optional<std::string> topic;
    if (command == HH_DISPLAY_TOPIC) topic = viewer->DefaultTopic();
    if (command == HH_HELP_CONTEXT) topic = viewer->TopicOfContext(data);
    if (!topic || !viewer->ShowTopic(*topic)) return 0;
    BringForward(*viewer);
    return WindowHandle(viewer->winId());
}

}  // namespace velmora

#include <QApplication>
#include <cstdlib>

#include "help_viewer/HelpWindows.h"
#include "main_window/frmPing.h"
#include "platform/LinuxNetworkServices.h"
#include "platform/NetRawCapability.h"
#include "platform/QtUiServices.h"

int main(int argc, char* argv[]) {
    // A grant of cap_net_raw+ep makes it effective from the start: lower it
    // before any thread exists, so every thread starts without it.
    velmora::LowerNetRawCapability();
    QApplication app(argc, argv);
    velmora::HelpWindows help;
    velmora::QtUiServices ui;
    ui.SetHelpDisplay(&help);
    velmora::LinuxNetworkServices net;
    velmora::frmPing window(net, ui);
    ui.SetOwnerWindow(&window);
    window.show();
    const int status = app.exec();
    // The unload sequence has saved the settings and closed the capture file.
    // An echo may still wait on a worker that uses net: end here, at once,
    // rather than unwind what that worker still holds.
    std::_Exit(status);
}

#pragma once
// What the desktop tests share: the main window over the fakes (WindowTest),
// controls of any window found by their object names, and windows made
// active, as shortcuts work only in the active window.

#include <QTest>

#include "about/frmAbout.h"
#include "arp_table/frmArpTable.h"
#include "interfaces/frmInterfaceInfo.h"
#include "tests/main_window/WindowTesting.h"
#include "tests/support/TableRows.h"

namespace velmora::test {

// The fixed-size viewers, open beside the main window.
struct Viewers {
    Viewers(NetworkServices& net, UiServices& ui)
        : arp(net, ui, deleteNoAsk), interfaces(net, ui, chosen), about(std::make_unique<frmAbout>(ui)) {}

    bool deleteNoAsk = false;
    std::size_t chosen = 0;
    frmArpTable arp;
    frmInterfaceInfo interfaces;
    std::unique_ptr<frmAbout> about;
};

class DesktopTest : public WindowTest {
protected:
    // The main window, then the viewers over the loopback alone unless the
    // test has scripted other interfaces.
    std::unique_ptr<Viewers> OpenWithViewers() {
        Open();
        if (net.ifRows.empty()) net.ifRows = {IfRow(1, "lo", "lo")};
        return std::make_unique<Viewers>(net, ui);
    }

    template <typename T>
    static T& Find(QWidget& window, const char* name) {
        T* found = window.findChild<T*>(QLatin1String(name));
        if (!found) throw std::logic_error(std::string("no control ") + name);
        return *found;
    }

    // Shown, active and ready for keys.
    static void Activate(QWidget& window) {
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window)) << window.objectName().toStdString();
    }
};

}  // namespace velmora::test

#pragma once
// What the desktop tests share: the main window over the fakes (WindowTest),
// controls of any window found by their object names, and windows made
// active, as shortcuts work only in the active window.

#include <QTest>

#include "tests/main_window/WindowTesting.h"

namespace velmora::test {

class DesktopTest : public WindowTest {
protected:
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

#pragma once
// What the window tests share: the application under the offscreen platform,
// a main window over the fakes, and its controls found by their names.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QToolBar>
#include <memory>
#include <stdexcept>
#include <string>

#include "main_window/frmPing.h"
#include "window_helpers/Twips.h"
#include "tests/support/FakeNetworkServices.h"
#include "tests/support/FakeUiServices.h"

namespace velmora::test {

inline void EnsureApplication() {
    if (QApplication::instance()) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "window_tests";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);  // lives as long as the process
    // The design's own desktop, whatever the machine's default font: at 8
    // points a pixel is 15 twips, which the stored placements are written in.
    QFont font = QApplication::font();
    font.setPointSize(kDesignFontPoints);
    QApplication::setFont(font);
}

class WindowTest : public testing::Test {
protected:
    static void SetUpTestSuite() { EnsureApplication(); }

    frmPing& Open(UiServices* services = nullptr) {
        window = std::make_unique<frmPing>(net, services ? *services : ui);
        return *window;
    }
    // Ends the program's run through the unload sequence, as the close box does.
    void Exit() {
        window->close();
        window.reset();
    }

    template <typename T>
    T& Get(const QString& name) const {
        T* found = window->findChild<T*>(name);
        if (!found) throw std::logic_error("no control " + name.toStdString());
        return *found;
    }
    template <typename T>
    T& Get(const char* name) const { return Get<T>(QLatin1String(name)); }
    QLineEdit& Edit(const char* name) const { return Get<QLineEdit>(name); }
    QCheckBox& Check(const char* name) const { return Get<QCheckBox>(name); }
    std::string Text(const char* name) const { return Edit(name).text().toStdString(); }
    QLabel& Panel(int panel) const { return Get<QLabel>(QStringLiteral("Panel%1").arg(panel)); }
    QAction& Item(const char* name) const { return Get<QAction>(name); }
    QAction& Button(int position) const { return Get<QAction>(QStringLiteral("tb_%1").arg(position)); }
    QWidget& ButtonWidget(int position) const { return *Get<QToolBar>("tb").widgetForAction(&Button(position)); }
    QLineEdit& StartOctet(int i) const { return Get<QLineEdit>(QStringLiteral("txtStartIP_%1").arg(i)); }
    QLineEdit& StopOctet(int i) const { return Get<QLineEdit>(QStringLiteral("txtStopIP_%1").arg(i)); }

    // The dotted address in the start ("txtStartIP") or stop boxes.
    std::string Octets(const char* row) const {
        QStringList texts;
        for (int i = 0; i < 4; ++i) texts << Get<QLineEdit>(QLatin1String(row) + u'_' + QString::number(i)).text();
        return texts.join(u'.').toStdString();
    }

    // The range controls shown and the host name hidden, or the other way round.
    void ExpectTargetControls(bool range) const {
        EXPECT_EQ(window->TargetMode(), range ? 2 : 1);
        for (const char* name : {"lblStartIP", "lblStopIP", "txtStartIP_0", "txtStopIP_3", "lblP1_0", "lblP1_5"}) {
            EXPECT_EQ(Get<QWidget>(name).isHidden(), !range) << name;
        }
        for (const char* name : {"lblDNS", "txtDNS"}) EXPECT_EQ(Get<QWidget>(name).isHidden(), range) << name;
    }

    FakeUiServices ui;
    FakeNetworkServices net;
    std::unique_ptr<frmPing> window;  // after the fakes: goes before them
};

}  // namespace velmora::test

#pragma once
// What the window tests share: the application under the offscreen platform,
// a main window over the fakes, its controls found by their names, and a
// toolkit fake that also records the store's reads.

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
#include <utility>
#include <vector>

#include "main_window/frmPing.h"
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
}

struct SettingRead {
    std::string key;  // "Section/Key"
    std::string defaultValue;
};

class RecordingUi : public FakeUiServices {
public:
    std::vector<SettingRead> reads;

    std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                           const std::string& def) override {
        reads.push_back({section + "/" + key, def});
        return FakeUiServices::GetSetting(app, section, key, def);
    }

    // Stores a value as if an earlier run had written it.
    void Store(const std::string& sectionAndKey, const std::string& value) {
        settings[std::string(kAppName) + "/" + sectionAndKey] = value;
    }
    std::string Stored(const std::string& sectionAndKey) const {
        const auto it = settings.find(std::string(kAppName) + "/" + sectionAndKey);
        return it == settings.end() ? "(absent)" : it->second;
    }
};

class WindowTest : public testing::Test {
protected:
    static void SetUpTestSuite() { EnsureApplication(); }

    frmPing& Open() {
        window = std::make_unique<frmPing>(net, ui);
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
    QLineEdit& Edit(const QString& name) const { return Get<QLineEdit>(name); }
    QCheckBox& Check(const QString& name) const { return Get<QCheckBox>(name); }
    QLabel& Panel(int panel) const { return Get<QLabel>(QStringLiteral("Panel%1").arg(panel)); }
    QAction& Item(const QString& name) const { return Get<QAction>(name); }
    QAction& Button(int position) const { return Item(QStringLiteral("tb_%1").arg(position)); }
    QWidget& ButtonWidget(int position) const {
        return *Get<QToolBar>(QStringLiteral("tb")).widgetForAction(&Button(position));
    }
    QLineEdit& StartOctet(int i) const { return Edit(QStringLiteral("txtStartIP_%1").arg(i)); }
    QLineEdit& StopOctet(int i) const { return Edit(QStringLiteral("txtStopIP_%1").arg(i)); }

    QString Octets(const char* array) const {
        QStringList texts;
        for (int i = 0; i < 4; ++i) texts << Edit(QStringLiteral("%1_%2").arg(QLatin1String(array)).arg(i)).text();
        return texts.join(u'.');
    }

    RecordingUi ui;
    FakeNetworkServices net;
    std::unique_ptr<frmPing> window;  // after the fakes: goes before them
};

}  // namespace velmora::test

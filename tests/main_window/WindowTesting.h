#pragma once
// What the window tests share: the application under the offscreen platform,
// a main window over the fakes, its controls found by their names, and a
// toolkit fake that also counts the store's openings.

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

class RecordingUi : public FakeUiServices {
public:
    int storeOpenings = 0;  // batches, and calls outside one, each open the store once
    int batchDepth = 0;

    std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                           const std::string& def) override {
        if (batchDepth == 0) ++storeOpenings;
        return FakeUiServices::GetSetting(app, section, key, def);
    }
    void SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                     const std::string& value) override {
        if (batchDepth == 0) ++storeOpenings;
        FakeUiServices::SaveSetting(app, section, key, value);
    }
    void BeginSettingsBatch() override { storeOpenings += batchDepth++ == 0; }
    void EndSettingsBatch() override { --batchDepth; }

    // Stores "Section/Key" values as if an earlier run had written them, and reads one back.
    void Store(std::initializer_list<std::pair<const char*, std::string>> values) {
        for (const auto& [key, value] : values) settings[std::string(kAppName) + "/" + key] = value;
    }
    std::string Stored(const std::string& sectionAndKey) const {
        const auto it = settings.find(std::string(kAppName) + "/" + sectionAndKey);
        return it == settings.end() ? "(absent)" : it->second;
    }
};

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
        EXPECT_FALSE(Check("chkIpDns").isHidden());
    }

    // What the fields show when the store holds nothing usable.
    void ExpectDefaultFields() const {
        EXPECT_EQ(Octets("txtStartIP") + " " + Octets("txtStopIP"), "1.1.1.8 1.1.1.8");
        std::string texts;
        for (const char* name : {"TxtDataSize", "txtNum", "txtTTL", "txtTimeout", "txtDelay", "txtDNS"}) {
            texts += Text(name) + " ";
        }
        EXPECT_EQ(texts, "120 1 30 500 1000 localhost ");
        EXPECT_EQ(Check("chkLoop").checkState(), Qt::Unchecked);
        ExpectTargetControls(true);
        EXPECT_FALSE(window->DeleteNoAsk());
        EXPECT_FALSE(Item("mnuParallel").isChecked());
        EXPECT_EQ(window->windowState(), Qt::WindowNoState);
        EXPECT_EQ(window->width(), 648) << "the design width";
        EXPECT_FALSE(window->testAttribute(Qt::WA_Moved)) << "the window system places it";
    }

    RecordingUi ui;
    FakeNetworkServices net;
    std::unique_ptr<frmPing> window;  // after the fakes: goes before them
};

}  // namespace velmora::test

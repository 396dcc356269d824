#pragma once
// The main window. Commands flow one way through it: the menu and the toolbar
// call the run logic (PingRun), which reads the fields back and writes the
// log, the status panels, the caption and the command states through the
// PingRunView members below. ParameterFields gives the fields their
// behaviour and MainSettings reads and writes the store; this class lays the
// controls out at their design places, keeps the log pane and the clock panel
// sized with the window, and runs the load and unload sequences.
//
// Sizes are kept in twips, as the design gives them (15 twips to a logical
// pixel), and converted where a widget is placed.

#include <QKeySequence>
#include <QList>
#include <QMainWindow>
#include <QPalette>
#include <QPointer>
#include <QTimer>
#include <array>
#include <memory>
#include <optional>

#include "main_window/PingRunView.h"
#include "main_window/MainSettings.h"
#include "main_window/ParameterFields.h"
#include "monitoring/CsvExport.h"
#include "monitoring/EchoStore.h"

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QPlainTextEdit;

namespace velmora {

class frmArpTable;
class frmInterfaceInfo;
class MainSettings;
class frmAbout;
class frmLatencyGraph;
class NetworkServices;
class PingRun;
class UiServices;

// The log pane's colours within the window's palette.
QPalette LogPanePalette(QPalette palette);

class frmPing final : public QMainWindow, public PingRunView {
    Q_OBJECT
public:
    // Builds the window and runs its load sequence; the caller shows it.
    frmPing(NetworkServices& net, UiServices& ui, QWidget* parent = nullptr);
    ~frmPing() override;
    frmPing(const frmPing&) = delete;
    frmPing& operator=(const frmPing&) = delete;

    // Program-wide: ARP entries are deleted without asking ("ArpDeleteConfirm").
    bool DeleteNoAsk() const { return deleteNoAsk_; }
    void SetDeleteNoAsk(bool value) { deleteNoAsk_ = value; }

    std::string StartOctetText(int index) const override;
    std::string StopOctetText(int index) const override;
    std::string HostNameText() const override;
    std::string ParameterText(Control field) const override;
    bool LoopChecked() const override;
    std::uint8_t TargetMode() const override;
    void SetFocusTo(Control control) override;
    void SetCaption(const std::string& caption) override;
    void ShowRunState(bool running) override;
    void ShowCaptureState(bool capturing) override;
    void SetPanelText(int panel, const std::string& text) override;
    void ShowLogText(const std::string& wholeText) override;
    void AppendLogText(const std::string& text) override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildMenus();
    QAction* AddMenuItem(QMenu& menu, const char* name, const char* caption,
                         const QList<QKeySequence>& keys = {});
    void BuildToolbar();
    void BuildTargetGroup(QWidget& body);
    void BuildParameterGroup(QWidget& body);
    void BuildLogPane(QWidget& body);
    void BuildStatusBar();
    void SetTabOrder();

    void Form_Load();
    void ApplyRunChoices();
    void ResizeForm();
    void tb_ButtonClick(int position);
    void ShowClock();
    void PlacePanel7();
    void PlaceLogPane();
    QLineEdit* Field(Control control) const;
    QAction* Button(int position) const { return tbButtons_[position - 1]; }
    void HoldUntilNextFrame();
    void ShowFrame();
    void ShowHeldText();
    void ScrollLogToEnd();
    void AboutSoftware();
    void OpenHelp();
    void ArpTableInfo();
    void InterfaceInfo();
    void LatencyGraph();

    UiServices& ui_;
    FieldControls fields_;
    QPlainTextEdit* logRes_ = nullptr;
    QTimer frame_;      // runs while the pane's new lines wait and the panels hold their paint
    bool paneHeld_ = false;  // new text waits until the frame ends
    std::optional<QString> paneWhole_;  // the pane's whole text anew
    QString paneTail_;                  // then these lines at its end
    std::array<QAction*, 13> tbButtons_{};
    std::array<QLabel*, 7> panels_{};
    QAction* mnuStartPinging_ = nullptr;
    QAction* mnuStopPinging_ = nullptr;
    QAction* mnuParallel_ = nullptr;
    QAction* mnuAlert_ = nullptr;
    QAction* mnuTimestamps_ = nullptr;
    QAction* mnuCaptureLog_ = nullptr;
    QAction* mnuCloseFile_ = nullptr;
    QTimer clock_;

    float lastWidth_ = 0;
    float lastHeight_ = 0;
    std::array<float, 6> panelWidths_{};
    float panel7Width_ = 0;
    float logResWidth_ = 0;
    float logResHeight_ = 0;
    bool deleteNoAsk_ = false;
    RunChoices choices_;  // the Comm and Log menus' check items, kept in the settings store
    QPointer<frmAbout> about_;  // loaded while it is open; it deletes itself when closed
    std::size_t selectedInterface_ = 0;  // the interface window's last choice, kept while the program runs
    QPointer<frmInterfaceInfo> interfaceInfo_;
    QPointer<frmLatencyGraph> latencyGraph_;  // deletes itself when closed

    // The ARP table window while it is open; it deletes itself when closed.
    NetworkServices& net_;
    QPointer<frmArpTable> arpTable_;

    EchoStore echoes_;  // the run's data set, which the monitoring views show
    CsvExport csvExport_;
    std::unique_ptr<ParameterFields> fieldBehaviour_;
    std::unique_ptr<MainSettings> settings_;
    std::unique_ptr<PingRun> run_;  // last: goes first, before anything it may use
};

}  // namespace velmora

#pragma once
// The interface information window. At load it fills the drop-down list with
// the interfaces' descriptions and selects the one chosen last; from then on
// a choice in the list and the refresh timer, five times a second, hand the
// chosen position to InterfaceMonitor, which reads the table afresh and
// writes back through the InterfaceMonitorView members below: only the cells
// that changed, the byte counters and the traffic picture. Closing the
// window destroys it, with its timer and its refresh baseline.
//
// The chosen position belongs to the caller (the main window), so it
// outlives the window for as long as the program runs.

#include <QPixmap>
#include <QWidget>
#include <array>
#include <cstddef>
#include <memory>

#include "interfaces/InterfaceMonitor.h"

class QComboBox;
class QLabel;
class QTreeWidget;

namespace velmora {

class Timer;

class frmInterfaceInfo final : public QWidget, public InterfaceMonitorView {
    Q_OBJECT
public:
    // Builds the window and runs its load, the first refresh included; the
    // caller shows it. selectedInterface: 1-based, 0 until the first choice.
    frmInterfaceInfo(NetworkServices& net, UiServices& ui, std::size_t& selectedInterface,
                     QWidget* parent = nullptr);
    ~frmInterfaceInfo() override;
    frmInterfaceInfo(const frmInterfaceInfo&) = delete;
    frmInterfaceInfo& operator=(const frmInterfaceInfo&) = delete;

    void SetRowValue(int row, const std::string& text) override;
    void SetTraffic(const std::string& received, const std::string& sent) override;
    void ShowTrafficPicture(int picture) override;
    std::string DateTimeText(DateTime value) const override;

private:
    void BuildSelectionFrame();
    void BuildInformationFrame();
    void BuildTrafficFrame();

    void Form_Load();
    void FitColumns();
    int WidestValue() const;
    void cmbSelInterface_Click(int index);
    void tmrRefreash_Timer();

    UiServices& ui_;
    std::size_t& selectedInterface_;
    QComboBox* cmbSelInterface_ = nullptr;
    QTreeWidget* lvInterfaceInfo_ = nullptr;
    QLabel* Image1_ = nullptr;
    QLabel* lblRecv_ = nullptr;
    QLabel* lblSent_ = nullptr;
    std::array<QPixmap, 4> ImageList1_;
    int shownPicture_ = 0;  // none yet

    std::unique_ptr<InterfaceMonitor> monitor_;
    std::unique_ptr<Timer> tmrRefreash_;
};

}  // namespace velmora

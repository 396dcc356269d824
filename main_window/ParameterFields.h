#pragma once
// The behaviour of the main window's fields while the user edits them: the
// digit filter on the parameter fields and the octet boxes, the numeric
// clean-up of the parameter fields, the copy of each start octet into the stop
// octet, the octet boxes' own keys (a "." moves to the next box, a pasted
// dotted address fills the row), and the two check boxes that switch the
// target kind and the loop.
// The window creates the controls and hands them in; this class only listens.

#include <QColor>
#include <QObject>
#include <QRegularExpressionValidator>
#include <array>
#include <cstdint>

class QCheckBox;
class QKeyEvent;
class QLabel;
class QLineEdit;

namespace velmora {

// The field controls of the main window (owned by the window).
struct FieldControls {
    std::array<QLineEdit*, 4> txtStartIP{};
    std::array<QLineEdit*, 4> txtStopIP{};
    std::array<QLabel*, 6> lblP1{};
    QLabel* lblStartIP = nullptr;
    QLabel* lblStopIP = nullptr;
    QLabel* lblDNS = nullptr;
    QLineEdit* txtDNS = nullptr;
    QCheckBox* chkIpDns = nullptr;
    QCheckBox* chkLoop = nullptr;
    QLineEdit* txtNum = nullptr;
    QLineEdit* TxtDataSize = nullptr;
    QLineEdit* txtTTL = nullptr;
    QLineEdit* txtTimeout = nullptr;
    QLineEdit* txtDelay = nullptr;

    std::array<QLineEdit*, 5> NumericFields() const { return {TxtDataSize, txtNum, txtTTL, txtTimeout, txtDelay}; }
    // The start octets, then the stop octets.
    std::array<QLineEdit*, 8> OctetBoxes() const {
        return {txtStartIP[0], txtStartIP[1], txtStartIP[2], txtStartIP[3],
                txtStopIP[0],  txtStopIP[1],  txtStopIP[2],  txtStopIP[3]};
    }
};

// True when a key press may reach a filtered field: Backspace, a digit, a
// key that types no character (arrows, Delete, Tab) or a shortcut held with
// Ctrl, Alt or Meta. Letters, signs, the point and Enter are discarded.
// An octet box takes at most three digits, typed or pasted.
bool DigitFilterPasses(const QKeyEvent& event);

class ParameterFields final : public QObject {
    Q_OBJECT
public:
    explicit ParameterFields(const FieldControls& controls, QObject* parent = nullptr);

    // 1 = one host by name, 2 = an address range; follows chkIpDns.
    std::uint8_t TargetMode() const { return targetMode_; }

    // Target switch; runs on every change of chkIpDns, and once directly at load.
    void chkIpDns_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void chkLoop_Click();
    bool OctetKeyPress(QLineEdit& box, const QKeyEvent& key);
    void NumericCleanUp(QLineEdit& field);
    void CopyToLastAddress(int index);
    void ShowRangeControls(bool range);

    FieldControls c_;
    QRegularExpressionValidator octetDigits_;
    std::uint8_t targetMode_ = 2;
    QColor numBackground_;
    bool cleaning_ = false;
};

}  // namespace velmora

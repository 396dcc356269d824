#pragma once
// The modal question before an ARP entry is deleted: OK answers 1, Cancel,
// Escape and the close box answer 2 (DialogResult). OK with "Do not ask me
// that again." checked sets the program-wide DeleteNoAsk. Enter answers OK.

#include <QDialog>
#include <cstdint>
#include <string>

class QCheckBox;
class QLabel;
class QPushButton;

namespace velmora {

inline constexpr std::uint8_t kDialogOK = 1;
inline constexpr std::uint8_t kDialogCancelled = 2;

class frmDialog final : public QDialog {
    Q_OBJECT
public:
    // Loads the dialog: DialogResult is 2 until OK is pressed.
    frmDialog(bool& deleteNoAsk, QWidget* owner);

    void SetCaption(const std::string& caption);
    void SetDescription(const std::string& question);
    std::uint8_t DialogResult() const { return dialogResult_; }

private:
    void OKButton_Click();

    bool& deleteNoAsk_;
    std::uint8_t dialogResult_ = kDialogCancelled;
    QPushButton* OKButton_ = nullptr;
    QPushButton* CancelButton_ = nullptr;
    QLabel* lblDescription_ = nullptr;
    QCheckBox* chkDoNotAsk_ = nullptr;
};

// Shows a fresh dialog modally over owner; the DialogResult it ends with.
std::uint8_t AskDeleteConfirmation(QWidget& owner, const std::string& caption, const std::string& question,
                                   bool& deleteNoAsk);

}  // namespace velmora

#pragma once
// The about box: title, version and description, the product's web page and
// support mail address as links (with their pictures), and the system
// information tool. Link clicks go through OpenWebLink, System Info through
// StartSysInfo; both reach the desktop only through UiServices. Modeless and
// without an owner; OK unloads it (the window deletes itself).

#include <QDialog>
#include <string>

class QLabel;
class QPushButton;

namespace velmora {

class UiServices;

inline constexpr const char* kWebAddress = "www.velmora.example.org";
inline constexpr const char* kSupportAddress = "support@velmora.example.org";

// The description as the box shows it, its carriage return included.
std::string AboutDescription();

class frmAbout final : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(UiServices& ui);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void BuildControls();
    void Form_Load();
    void cmdOK_Click();
    void lblWeb_Click();
    void lblMail_Click();
    void SetUnderline(QLabel& label, bool underline);

    UiServices& ui_;
    QLabel* lblTitle_ = nullptr;
    QLabel* lblVersion_ = nullptr;
    QLabel* lblDescription_ = nullptr;
    QLabel* lblWeb_ = nullptr;
    QLabel* lblMail_ = nullptr;
    QLabel* imgHome_ = nullptr;
    QLabel* imgEmail_ = nullptr;
};

}  // namespace velmora

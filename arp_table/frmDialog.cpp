#include "arp_table/frmDialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include "window_helpers/Twips.h"
#include "window_helpers/ViewerWindows.h"

namespace velmora {

namespace {

}  // namespace

frmDialog::frmDialog(bool& deleteNoAsk, QWidget* owner)
    : QDialog(owner, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      deleteNoAsk_(deleteNoAsk) {
    setObjectName(QStringLiteral("frmDialog"));
    setWindowTitle(QStringLiteral("Dialog Caption"));
    FixWindowSize(*this, QSize(Px(5250), Px(1380)));

    OKButton_ = new QPushButton(QStringLiteral("OK"), this);
    OKButton_->setObjectName(QStringLiteral("OKButton"));
    OKButton_->setGeometry(Place(3840, 120, 1215, 375));
    OKButton_->setDefault(true);
    CancelButton_ = new QPushButton(QStringLiteral("Cancel"), this);
    CancelButton_->setObjectName(QStringLiteral("CancelButton"));
    CancelButton_->setGeometry(Place(3840, 600, 1215, 375));
    lblDescription_ = new QLabel(QStringLiteral("Label1"), this);
    lblDescription_->setObjectName(QStringLiteral("lblDescription"));
    lblDescription_->setGeometry(Place(240, 240, 3375, 615));
    lblDescription_->setWordWrap(true);
    lblDescription_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    chkDoNotAsk_ = new QCheckBox(QStringLiteral("Do not ask me that again."), this);
    chkDoNotAsk_->setObjectName(QStringLiteral("chkDoNotAsk"));
    chkDoNotAsk_->setGeometry(Place(240, 960, 3375, 375));
    setTabOrder(OKButton_, CancelButton_);
    setTabOrder(CancelButton_, chkDoNotAsk_);

    connect(OKButton_, &QPushButton::clicked, this, &frmDialog::OKButton_Click);
    connect(CancelButton_, &QPushButton::clicked, this, &QDialog::reject);
}

void frmDialog::SetCaption(const std::string& caption) { setWindowTitle(QString::fromStdString(caption)); }

void frmDialog::SetDescription(const std::string& question) {
    lblDescription_->setText(QString::fromStdString(question));
}

void frmDialog::OKButton_Click() {
    dialogResult_ = kDialogOK;
    if (chkDoNotAsk_->isChecked()) deleteNoAsk_ = true;
    accept();
}

std::uint8_t AskDeleteConfirmation(QWidget& owner, const std::string& caption, const std::string& question,
                                   bool& deleteNoAsk) {
    frmDialog dialog(deleteNoAsk, &owner);
    dialog.SetCaption(caption);
    dialog.SetDescription(question);
    dialog.exec();
    return dialog.DialogResult();
}

}  // namespace velmora

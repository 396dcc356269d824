#include "about/frmAbout.h"

#include <QCursor>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>

#include "about/AppVersion.h"
#include "about/MWebLink.h"
#include "about/SysInfo.h"
#include "window_helpers/DesignFont.h"
#include "window_helpers/SharedPictures.h"
#include "window_helpers/Twips.h"
#include "window_helpers/ViewerWindows.h"
#include "platform/UiServices.h"

// Resources of a static library are registered by hand, outside any namespace.
static void InitAboutImages() { Q_INIT_RESOURCE(about); }

namespace velmora {

namespace {

constexpr float kInnerWidth = 5760;
constexpr float kInnerHeight = 3765;

QLabel* Picture(QWidget& parent, const char* name, const char* image, float left, float top) {
    auto* picture = Named(new QLabel(&parent), name);
    const QPixmap pixmap = ScreenPicture(QStringLiteral(":/about"), image, parent.devicePixelRatioF());
    picture->setPixmap(pixmap);
    picture->setGeometry(QRect(QPoint(Px(left), Px(top)), pixmap.deviceIndependentSize().toSize()));
    return picture;
}

void SetFont(QLabel& label, int points, bool bold) {
    QFont font = label.font();
    font.setPointSizeF(DesignPoints(points));
    font.setBold(bold);
    label.setFont(font);
}

bool OpensLink(const QKeyEvent& key) {
    return key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter || key.key() == Qt::Key_Space;
}

// The link pointer: a hand whose fingertip is the hot spot.
QCursor LinkCursor() { return QCursor(QPixmap(QStringLiteral(":/about/LinkCursor.png")), 9, 1); }

}  // namespace

std::string AboutDescription() {
    std::string text = "IP utility which allow the user to perform a loop pinging & monitoring ";
    text += "on a multiple IP address\\DNS name with a full control of its DataSize, ";
    text += "TTL, Timeout and Delay.";
    text += '\r';
    text += " August 2001";
    return text;
}

frmAbout::frmAbout(UiServices& ui)
    : QDialog(nullptr, Qt::Tool | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint),
      ui_(ui) {
    InitAboutImages();
    Named(this, "frmAbout");
    setAttribute(Qt::WA_DeleteOnClose);
    UseDesignFont(*this);
    FixWindowSize(*this, QSize(Px(kInnerWidth), Px(kInnerHeight)));
    BuildControls();
    Form_Load();
}

void frmAbout::BuildControls() {
    Picture(*this, "Image4", "Image4", 360, 300);
    lblTitle_ = Named(new QLabel(QStringLiteral("Application Title"), this), "lblTitle");
    SetFont(*lblTitle_, 18, true);
    lblTitle_->setGeometry(Place(1320, 240, 4245, 480));
    lblVersion_ = Named(new QLabel(QStringLiteral("Version"), this), "lblVersion");
    SetFont(*lblVersion_, 12, true);
    lblVersion_->setGeometry(Place(1320, 780, 4245, 345));
    lblDescription_ = Named(new QLabel(QStringLiteral("App Description"), this), "lblDescription");
    lblDescription_->setWordWrap(true);
    lblDescription_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblDescription_->setGeometry(Place(1320, 1245, 4245, 1050));

    // The etched separator: a dark and a light line, one frame.
    auto* line = Named(new QFrame(this), "Line1");
    line->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    line->setGeometry(Place(240, 2460, 5280, 60));

    auto* disclaimer = Named(new QLabel(this), "lblDisclaimer");
    disclaimer->setText(QStringLiteral("Provided as is, without warranty. Ping only the networks you may test."));
    disclaimer->setWordWrap(true);
    disclaimer->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    disclaimer->setGeometry(Place(240, 2610, 3900, 480));

    imgHome_ = Picture(*this, "imgHome", "imgHome", 180, 3120);
    lblWeb_ = Named(new QLabel(QLatin1String(kWebAddress), this), "lblWeb");
    lblMail_ = Named(new QLabel(QLatin1String(kSupportAddress), this), "lblMail");
    lblWeb_->move(Px(840), Px(3240));
    lblMail_->move(Px(840), Px(3480));
    for (QLabel* link : {lblWeb_, lblMail_}) {
        // Sized to the address: the design's width is for a shorter one.
        link->adjustSize();
        QPalette palette = link->palette();
        palette.setColor(QPalette::WindowText, palette.color(QPalette::Link));
        link->setPalette(palette);
        link->setCursor(LinkCursor());
        link->installEventFilter(this);
        // Tab reaches a link, Return or Space opens it.
        link->setFocusPolicy(Qt::StrongFocus);
        link->setAccessibleDescription(QStringLiteral("Link"));
    }
    imgHome_->setAccessibleName(QStringLiteral("Web page"));
    imgEmail_ = Picture(*this, "imgEmail", "imgEmail", Twips(lblMail_->geometry().right()) + 120, 3450);
    imgEmail_->setAccessibleName(QStringLiteral("Mail"));
    for (QLabel* picture : {imgHome_, imgEmail_}) {
        picture->setCursor(LinkCursor());
        picture->installEventFilter(this);
    }

    auto* ok = Named(new QPushButton(QStringLiteral("OK"), this), "cmdOK");
    ok->setGeometry(Place(4320, 2640, 1260, 345));
    ok->setDefault(true);
    auto* sysInfo = Named(new QPushButton(QStringLiteral("&System Info..."), this), "cmdSysInfo");
    sysInfo->setGeometry(Place(4320, 3360, 1245, 345));
    setTabOrder(ok, sysInfo);
    setTabOrder(sysInfo, lblWeb_);
    setTabOrder(lblWeb_, lblMail_);
    ok->setFocus();
    connect(ok, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    // The box that may answer belongs to this window, which stays in front when it closes.
    connect(sysInfo, &QPushButton::clicked, this, [this] {
        const MessageOwner owner(ui_, OwnerHandle(*this));
        StartSysInfo(ui_);
    });
}

void frmAbout::Form_Load() {
    setWindowTitle(QStringLiteral("About ") + QLatin1String(kAppName));
    lblVersion_->setText(
        QStringLiteral("Version %1.%2.%3").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionRevision));
    lblTitle_->setText(QLatin1String(kAppName));
    // The label breaks lines at LF; the text keeps its CR.
    lblDescription_->setText(QString::fromStdString(AboutDescription()).replace(u'\r', u'\n'));
}

void frmAbout::cmdOK_Click() { close(); }

void frmAbout::lblWeb_Click() { OpenWebLink(ui_, lblWeb_->text().toStdString(), kLinkWebPage); }

void frmAbout::lblMail_Click() { OpenWebLink(ui_, lblMail_->text().toStdString(), kLinkMail); }

// A release over a link underlines it and, over the control, is its click.
// A link with the focus is underlined, and Return or Space is its click.
bool frmAbout::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lblWeb_ || watched == lblMail_) {
        auto& link = static_cast<QLabel&>(*watched);
        if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
            SetUnderline(link, event->type() == QEvent::FocusIn);
        }
        if (event->type() == QEvent::KeyPress && OpensLink(static_cast<const QKeyEvent&>(*event))) {
            if (&link == lblWeb_) lblWeb_Click();
            if (&link == lblMail_) lblMail_Click();
            return true;
        }
    }
    if (event->type() != QEvent::MouseButtonRelease) return QDialog::eventFilter(watched, event);
    auto* control = static_cast<QLabel*>(watched);
    if (control == lblWeb_ || control == lblMail_) SetUnderline(*control, true);
    const auto* release = static_cast<QMouseEvent*>(event);
    if (release->button() == Qt::LeftButton && control->rect().contains(release->position().toPoint())) {
        if (control == lblWeb_ || control == imgHome_) lblWeb_Click();
        if (control == lblMail_ || control == imgEmail_) lblMail_Click();
    }
    return true;  // not the background's release, which would take the underline away
}

void frmAbout::mouseReleaseEvent(QMouseEvent* event) {
    SetUnderline(*lblWeb_, false);
    SetUnderline(*lblMail_, false);
    QDialog::mouseReleaseEvent(event);
}

void frmAbout::SetUnderline(QLabel& label, bool underline) {
    QFont font = label.font();
    font.setUnderline(underline);
    label.setFont(font);
}

}  // namespace velmora

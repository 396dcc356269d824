#include "interfaces/frmInterfaceInfo.h"

#include <QComboBox>
#include <QDateTime>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QStyle>
#include <QTreeWidget>
#include <algorithm>
#include <chrono>
#include <initializer_list>
#include <iterator>

#include "window_helpers/Accessibility.h"
#include "window_helpers/DesignFont.h"
#include "window_helpers/SharedPictures.h"
#include "window_helpers/Twips.h"
#include "window_helpers/ViewerWindows.h"
#include "platform/UiServices.h"

// Resources of a static library are registered by hand, outside any namespace.
static void InitInterfacePictures() { Q_INIT_RESOURCE(interfaces); }

namespace velmora {

namespace {

constexpr float kClientWidth = 5190;
constexpr float kClientHeight = 7185;
constexpr int kRefreshMs = 200;
// The design sets the frames' captions in bold and everything else plainly.

QGroupBox* Frame(QWidget& window, const char* name, const char* caption, QRect place) {
    auto* frame = Named(new QGroupBox(QString::fromLatin1(caption), &window), name);
    frame->setFont(DesignFont(*frame, true));
    frame->setGeometry(place);
    return frame;
}

template <typename Widget>
Widget* Control(Widget* widget, const char* name, QRect place) {
    Named(widget, name);
    widget->setFont(DesignFont(*widget, false));
    widget->setGeometry(place);
    return widget;
}

QLabel* Label(QWidget& frame, const char* name, const char* caption, QRect place) {
    return Control(new QLabel(QString::fromLatin1(caption), &frame), name, place);
}

}  // namespace

frmInterfaceInfo::frmInterfaceInfo(NetworkServices& net, UiServices& ui, std::size_t& selectedInterface,
                                   QWidget* parent)
    : QWidget(parent, FixedSizeWindowFlags()),
      ui_(ui),
      selectedInterface_(selectedInterface),
      monitor_(std::make_unique<InterfaceMonitor>(*this, net, ui)) {
    InitInterfacePictures();
    UseWindowRole();
    Named(this, "frmInterfaceInfo");
    AddCloseKeys(*this);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Network Interfaces Information"));
    setWindowIcon(TwoScaleIcon(QStringLiteral(":/interfaces"), "Adapter"));
    FixWindowSize(*this, QSize(Px(kClientWidth), Px(kClientHeight)));
    constexpr const char* kTrafficPictures[] = {"Traffic1", "Traffic2", "Traffic3", "Traffic4"};
    static_assert(std::size(kTrafficPictures) == std::tuple_size_v<decltype(ImageList1_)>);
    for (std::size_t i = 0; i < ImageList1_.size(); ++i) {
        ImageList1_[i] = ScreenPicture(QStringLiteral(":/interfaces"), kTrafficPictures[i], devicePixelRatioF());
    }
    BuildSelectionFrame();
    BuildInformationFrame();
    BuildTrafficFrame();
    Form_Load();
}

frmInterfaceInfo::~frmInterfaceInfo() = default;

void frmInterfaceInfo::BuildSelectionFrame() {
    QGroupBox& frame = *Frame(*this, "Frame1", "&Select Network Interface", Place(120, 120, 4935, 615));
    // Announced by its current entry, and labelled by the frame's caption.
    cmbSelInterface_ = Control(new QComboBox(&frame), "cmbSelInterface", Place(120, 240, 4695, 315));
    connect(cmbSelInterface_, &QComboBox::activated, this, &frmInterfaceInfo::cmbSelInterface_Click);
}

void frmInterfaceInfo::BuildInformationFrame() {
    QGroupBox& frame = *Frame(*this, "Frame2", "Interface Information", Place(120, 840, 4935, 5295));
    lvInterfaceInfo_ = Control(new QTreeWidget(&frame), "lvInterfaceInfo", Place(120, 240, 4695, 4935));
    lvInterfaceInfo_->setAccessibleName(SpokenCaption(frame.title()));
    lvInterfaceInfo_->setRootIsDecorated(false);
    lvInterfaceInfo_->setUniformRowHeights(true);
    lvInterfaceInfo_->setSelectionMode(QAbstractItemView::SingleSelection);
    lvInterfaceInfo_->setAllColumnsShowFocus(true);
}

void frmInterfaceInfo::BuildTrafficFrame() {
    QGroupBox& frame = *Frame(*this, "Frame3", "Traffic", Place(120, 6240, 4935, 855));
    Image1_ = Named(new QLabel(&frame), "Image1");
    Image1_->setAccessibleName(QStringLiteral("Traffic picture"));
    Image1_->setGeometry(Place(360, 240, 480, 480));
    ShowTrafficPicture(1);  // no traffic seen yet
    QLabel* received = Label(frame, "Label1", "Bytes received:", Place(1800, 240, 1125, 195));
    QLabel* sent = Label(frame, "Label2", "Bytes sent:", Place(1800, 480, 825, 195));
    // The captions keep their whole text in any font, and the counters stand
    // after them, as wide as the frame allows: a busy link's counters run to
    // fifteen places and more.
    int countersLeft = Px(3000);
    for (QLabel* caption : {received, sent}) {
        caption->resize(std::max(caption->width(), caption->sizeHint().width()), caption->height());
        countersLeft = std::max(countersLeft, caption->geometry().right() + Px(60));
    }
    const int countersWidth = frame.width() - Px(120) - countersLeft;
    lblRecv_ = Label(frame, "lblRecv", "000 000 000", {countersLeft, Px(240), countersWidth, Px(255)});
    lblSent_ = Label(frame, "lblSent", "000 000 000", {countersLeft, Px(480), countersWidth, Px(255)});
    // A counter reads its figures; its caption tells what they count.
    lblRecv_->setAccessibleDescription(SpokenCaption(received->text()));
    lblSent_->setAccessibleDescription(SpokenCaption(sent->text()));
}

void frmInterfaceInfo::Form_Load() {
    lvInterfaceInfo_->setHeaderLabels({QStringLiteral("Parameter"), QStringLiteral("Value")});
    for (int row = 1; row <= kInterfaceRows; ++row) {
        new QTreeWidgetItem(lvInterfaceInfo_, {QString::fromLatin1(InterfaceRowLabel(row)), QString()});
    }
    FitColumns();

    for (const std::string& description : monitor_->Descriptions()) {
        cmbSelInterface_->addItem(QString::fromStdString(description));
    }
    // A remembered position beyond a shorter list falls back to the first entry.
    const int count = cmbSelInterface_->count();
    if (count > 0) {
        const bool remembered = selectedInterface_ >= 1 && selectedInterface_ <= std::size_t(count);
        const int index = remembered ? int(selectedInterface_ - 1) : 0;
        cmbSelInterface_->setCurrentIndex(index);
        cmbSelInterface_Click(index);
    }

    tmrRefreash_ = ui_.CreateTimer();
    tmrRefreash_->OnTimer([this] { tmrRefreash_Timer(); });
    tmrRefreash_->SetInterval(kRefreshMs);
    tmrRefreash_->SetEnabled(true);
}

// The widest text a value cell shows in practice, in the user's locale: a
// late date with a two-digit day, a twelve-place counter, the longest status.
int frmInterfaceInfo::WidestValue() const {
    const QFontMetrics metrics(lvInterfaceInfo_->font());
    const DateTime late =
        std::chrono::system_clock::from_time_t(QDateTime(QDate(2026, 12, 28), QTime(23, 58)).toSecsSinceEpoch());
    int widest = 0;
    for (const std::string& text : {DateTimeText(late),
                                    SpacedDigits(999'999'999'999, 12), std::string("Non operational")}) {
        widest = std::max(widest, metrics.horizontalAdvance(QString::fromStdString(text)));
    }
    return widest + 2 * lvInterfaceInfo_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + Px(90);
}

// The design's columns fit the labels and the values in its own font; a
// wider font, or a longer date in the user's locale, widens the columns and
// the window with them rather than cut a text short.
void frmInterfaceInfo::FitColumns() {
    lvInterfaceInfo_->resizeColumnToContents(0);
    const int labels = std::max(lvInterfaceInfo_->columnWidth(0), Px(3000));
    lvInterfaceInfo_->header()->resizeSection(0, labels);
    const int room = lvInterfaceInfo_->width() - 2 * lvInterfaceInfo_->frameWidth() -
                     lvInterfaceInfo_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, lvInterfaceInfo_);
    const int extra = labels + std::max(WidestValue(), Px(1600)) - room;
    if (extra <= 0) return;
    FixWindowSize(*this, QSize(width() + extra, height()));
    const std::initializer_list<QWidget*> widened{findChild<QGroupBox*>(QStringLiteral("Frame1")),
                                                  findChild<QGroupBox*>(QStringLiteral("Frame2")),
                                                  findChild<QGroupBox*>(QStringLiteral("Frame3")),
                                                  cmbSelInterface_, lvInterfaceInfo_, lblRecv_, lblSent_};
    for (QWidget* widget : widened) widget->resize(widget->width() + extra, widget->height());
}

void frmInterfaceInfo::cmbSelInterface_Click(int index) {
    const MessageOwner owner(ui_, OwnerHandle(*this));
    selectedInterface_ = std::size_t(index) + 1;
    monitor_->ShowInterfaceInfo(selectedInterface_);
}

// With no entry in the list there is nothing to show.
void frmInterfaceInfo::tmrRefreash_Timer() {
    const MessageOwner owner(ui_, OwnerHandle(*this));
    if (cmbSelInterface_->count() > 0) monitor_->ShowInterfaceInfo(selectedInterface_);
}

void frmInterfaceInfo::SetRowValue(int row, const std::string& text) {
    lvInterfaceInfo_->topLevelItem(row - 1)->setText(1, QString::fromStdString(text));
}

void frmInterfaceInfo::SetTraffic(const std::string& received, const std::string& sent) {
    lblRecv_->setText(QString::fromStdString(received));
    lblSent_->setText(QString::fromStdString(sent));
}

// Set only when it changes: a new picture repaints, five times a second.
void frmInterfaceInfo::ShowTrafficPicture(int picture) {
    if (picture == shownPicture_) return;
    shownPicture_ = picture;
    Image1_->setPixmap(ImageList1_[std::size_t(picture - 1)]);
}

std::string frmInterfaceInfo::DateTimeText(DateTime value) const {
    if (value == DateTime{}) return {};
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(value.time_since_epoch()).count();
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(ms);
    const QLocale locale = QLocale::system();
    QString text = locale.toString(local.date(), QLocale::ShortFormat);
    if (local.time() != QTime(0, 0)) text += u' ' + locale.toString(local.time(), QLocale::ShortFormat);
    return text.toStdString();
}

}  // namespace velmora

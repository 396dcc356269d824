#include "help_viewer/HelpViewer.h"

#include <QAction>
#include <QDesktopServices>
#include <QSplitter>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <vector>

#include "help_viewer/ChmFile.h"
#include "window_helpers/Accessibility.h"
#include "window_helpers/Twips.h"
#include "window_helpers/ViewerWindows.h"

namespace velmora {

namespace {

const QString kScheme = QStringLiteral("chm");

QUrl TopicUrl(const std::string& topic) { return QUrl(kScheme + u':' + QString::fromStdString(ObjectPath(topic))); }

constexpr int kTopicRole = Qt::UserRole;

// Links that leave the file go to the desktop only when they name a web page
// or a mail: a help file must not make the desktop open or run local files.
const QStringList kOutsideSchemes{QStringLiteral("http"), QStringLiteral("https"), QStringLiteral("mailto")};

}  // namespace

ChmBrowser::ChmBrowser(const ChmFile& file, QWidget* parent) : QTextBrowser(parent), file_(file) {}

QVariant ChmBrowser::loadResource(int, const QUrl& name) {
    const QUrl url = name.isRelative() ? source().resolved(name) : name;
    if (url.scheme() != kScheme) return {};
    const auto bytes = file_.Read(url.path().toStdString());
    if (!bytes) return {};
    return QByteArray(bytes->data(), qsizetype(bytes->size()));
}

std::unique_ptr<HelpViewer> HelpViewer::Open(const std::string& path, QWidget* owner) {
    auto file = ChmFile::Open(path);
    if (!file) return nullptr;
    return std::unique_ptr<HelpViewer>(new HelpViewer(std::move(file), owner));
}

HelpViewer::HelpViewer(std::unique_ptr<ChmFile> file, QWidget* owner)
    : QWidget(owner, Qt::Window), file_(std::move(file)) {
    UseWindowRole();
    setObjectName(QStringLiteral("HelpViewer"));
    AddCloseKeys(*this);
    const std::string& title = file_->System().title;
    setWindowTitle(title.empty() ? QStringLiteral("Help") : QString::fromStdString(title));

    auto* tools = new QToolBar(this);
    back_ = tools->addAction(style()->standardIcon(QStyle::SP_ArrowBack), tr("Back"));
    forward_ = tools->addAction(style()->standardIcon(QStyle::SP_ArrowForward), tr("Forward"));
    back_->setEnabled(false);
    forward_->setEnabled(false);

    auto* split = new QSplitter(this);
    contents_ = new QTreeWidget(split);
    contents_->setObjectName(QStringLiteral("contents"));
    contents_->setHeaderHidden(true);
    contents_->setAccessibleName(QStringLiteral("Contents"));
    browser_ = new ChmBrowser(*file_, split);
    browser_->setObjectName(QStringLiteral("topic"));
    browser_->setOpenLinks(false);  // links are followed here, inside the file or out of it
    browser_->setAccessibleName(QStringLiteral("Topic"));
    split->setStretchFactor(1, 1);
    // Sizes in twips, so that the window and its contents pane grow with the text.
    split->setSizes({Px(3300), Px(8400)});

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tools);
    layout->addWidget(split, 1);
    resize(Px(12300), Px(9000));

    connect(back_, &QAction::triggered, browser_, &QTextBrowser::backward);
    connect(forward_, &QAction::triggered, browser_, &QTextBrowser::forward);
    connect(browser_, &QTextBrowser::backwardAvailable, back_, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::anchorClicked, this, &HelpViewer::FollowLink);
    connect(browser_, &QTextBrowser::sourceChanged, this, &HelpViewer::MarkCurrentTopic);
    // A click, or Return on the entry the keyboard chose, opens its topic.
    const auto showEntry = [this](QTreeWidgetItem* item) {
        const QString topic = item->data(0, kTopicRole).toString();
        if (!topic.isEmpty()) ShowTopic(topic.toStdString());
    };
    connect(contents_, &QTreeWidget::itemClicked, this, showEntry);
    connect(contents_, &QTreeWidget::itemActivated, this, showEntry);
    BuildContents();
}

HelpViewer::~HelpViewer() = default;

std::optional<std::string> HelpViewer::DefaultTopic() const {
    const std::string& topic = file_->System().defaultTopic;
    if (!topic.empty()) return ObjectPath(topic);
    return std::nullopt;
}

std::optional<std::string> HelpViewer::TopicOfContext(std::uint32_t context) const {
    return file_->TopicOfContext(context);
}

bool HelpViewer::ShowTopic(const std::string& topic) {
    const QUrl url = TopicUrl(topic);
    if (!file_->Contains(url.path().toStdString())) return false;
    browser_->setSource(url, QTextDocument::HtmlResource);
    return true;
}

void HelpViewer::BuildContents() {
    const std::string& hhc = file_->System().contentsFile;
    if (hhc.empty()) return;
    // parents holds the last entry of each depth down to the entry before.
    std::vector<QTreeWidgetItem*> parents;
    for (const ContentsEntry& entry : ParseSitemap(file_->Read(ObjectPath(hhc)).value_or(std::string()))) {
        parents.resize(std::size_t(entry.depth));
        auto* item = parents.empty() ? new QTreeWidgetItem(contents_) : new QTreeWidgetItem(parents.back());
        item->setText(0, QString::fromStdString(entry.name));
        if (!entry.local.empty()) item->setData(0, kTopicRole, QString::fromStdString(ObjectPath(entry.local)));
        parents.push_back(item);
    }
    contents_->expandAll();
}

void HelpViewer::FollowLink(const QUrl& link) {
    const QUrl url = link.isRelative() ? browser_->source().resolved(link) : link;
    if (url.scheme() == kScheme) {
        browser_->setSource(url, QTextDocument::HtmlResource);
    } else if (kOutsideSchemes.contains(url.scheme())) {
        QDesktopServices::openUrl(url);
    }
}

// The contents tree follows the page shown, however it was reached.
void HelpViewer::MarkCurrentTopic(const QUrl& shown) {
    const QString path = shown.path();
    for (QTreeWidgetItemIterator it(contents_); *it; ++it) {
        const QString topic = (*it)->data(0, kTopicRole).toString();
        if (!topic.isEmpty() && TopicUrl(topic.toStdString()).path() == path) {
            contents_->setCurrentItem(*it);
            return;
        }
    }
}

}  // namespace velmora

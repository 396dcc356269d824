#include "arp_table/frmArpTable.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QStyle>
#include <QTreeWidget>
#include <array>

#include "arp_table/frmDialog.h"
#include "platform/UiServices.h"
#include "window_helpers/Accessibility.h"
#include "window_helpers/SharedPictures.h"
#include "window_helpers/Twips.h"
#include "window_helpers/ViewerWindows.h"

// Resources of a static library are registered by hand, outside any namespace.
static void InitSortImages() { Q_INIT_RESOURCE(sort); }

namespace velmora {

namespace {

constexpr float kInnerWidth = 6375;
constexpr float kInnerHeight = 2535;
constexpr int kRefreshMs = 5000;
constexpr int kKeyRole = Qt::UserRole;

struct Column {
    const char* caption;
    float width;  // twips; 0 the list's default
};
// The list's default column width in twips (100 pixels).
constexpr float kDefaultColumnWidth = 1500;
constexpr std::array<Column, 4> kColumns{{
    {"Interface", 1800},
    {"IP Address", 0},
    {"Physical Address", 2000},
    {"ARP Type", 0},
}};

ArpRowKey KeyOf(const QTreeWidgetItem& item) {
    const QList<QVariant> key = item.data(0, kKeyRole).toList();
    return {key.value(0).toUInt(), key.value(1).toUInt()};
}

}  // namespace

frmArpTable::frmArpTable(NetworkServices& net, UiServices& ui, bool& deleteNoAsk, ConfirmDelete confirm)
    : ui_(ui),
      reader_(net, ui),
      deleteNoAsk_(deleteNoAsk),
      confirm_(confirm ? std::move(confirm) : ConfirmDelete(&AskDeleteConfirmation)),
      tmrRefrash_(ui.CreateTimer()) {
    InitSortImages();
    setObjectName(QStringLiteral("frmArpTable"));
    UseWindowRole();
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(FixedSizeWindowFlags());
    setWindowIcon(SharedIcon("Arp"));
    FixWindowSize(*this, QSize(Px(kInnerWidth), Px(kInnerHeight)));
    sortDown_ = TwoScaleIcon(QStringLiteral(":/sort"), "SortDown");
    sortUp_ = TwoScaleIcon(QStringLiteral(":/sort"), "SortUp");

    ListView1_ = new QTreeWidget(this);
    ListView1_->setObjectName(QStringLiteral("ListView1"));
    ListView1_->setAccessibleName(QStringLiteral("ARP table"));
    // The columns share the list's width, so all four show without a scroll bar.
    ListView1_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ListView1_->setContextMenuPolicy(Qt::PreventContextMenu);  // the menu opens from eventFilter
    ListView1_->setRootIsDecorated(false);
    ListView1_->setAllColumnsShowFocus(true);
    ListView1_->setSortingEnabled(false);  // sorted by ListView1_ColumnClick only
    ListView1_->header()->setSectionsClickable(true);
    ListView1_->header()->setSortIndicatorShown(false);
    ListView1_->installEventFilter(this);
    ListView1_->viewport()->installEventFilter(this);
    connect(ListView1_, &QTreeWidget::currentItemChanged, this, [this] { ListView1_Click(); });
    connect(ListView1_->header(), &QHeaderView::sectionClicked, this,
            [this](int section) { ListView1_ColumnClick(section + 1); });

    popMenu_ = new QMenu(this);
    popMenu_->setObjectName(QStringLiteral("popMenu"));
    QAction* popRefreshTable = popMenu_->addAction(QStringLiteral("&Refresh Table"));
    popRefreshTable->setObjectName(QStringLiteral("popRefreshTable"));
    popRefreshTable->setShortcut(Qt::Key_F5);
    QAction* popDeleteEntry = popMenu_->addAction(QStringLiteral("&Delete Entry"));
    popDeleteEntry->setObjectName(QStringLiteral("popDeleteEntry"));
    popDeleteEntry->setShortcut(Qt::Key_Delete);  // shown in the menu; the list takes the key itself
    connect(popRefreshTable, &QAction::triggered, this, [this] { tmrRefrash_Timer(); });
    connect(popDeleteEntry, &QAction::triggered, this, [this] { popDeleteEntry_Click(); });
    addAction(popRefreshTable);
    BuildSortMenu();
    AddCloseKeys(*this);

    tmrRefrash_->SetEnabled(true);
    tmrRefrash_->OnTimer([this] { tmrRefrash_Timer(); });
    Form_Load();
}

frmArpTable::~frmArpTable() = default;

// "Sort by" does what a click on the column's header does; Ctrl+1 to Ctrl+4 too.
void frmArpTable::BuildSortMenu() {
    QMenu* sortBy = popMenu_->addMenu(QStringLiteral("&Sort by"));
    sortBy->setObjectName(QStringLiteral("popSortBy"));
    for (int column = 1; column <= int(kColumns.size()); ++column) {
        const QString caption = QStringLiteral("&%1 %2").arg(column).arg(QLatin1String(kColumns[column - 1].caption));
        QAction* sort = sortBy->addAction(caption);
        sort->setObjectName(QStringLiteral("popSort_%1").arg(column));
        sort->setShortcut(QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_0 + column)));
        connect(sort, &QAction::triggered, this, [this, column] { ListView1_ColumnClick(column); });
        addAction(sort);
    }
}

// At the current row when the keyboard asks, at the pointer when the mouse does.
void frmArpTable::ShowPopupAtCurrentRow() {
    QTreeWidgetItem* current = ListView1_->currentItem();
    const QRect row = current ? ListView1_->visualItemRect(current) : QRect();
    popMenu_->popup(ListView1_->viewport()->mapToGlobal(row.isValid() ? row.bottomLeft() : QPoint(0, 0)));
}

// The room is the list's inside, less a vertical scroll bar's width, which a long table shows.
void frmArpTable::FitColumns() {
    const int room = ListView1_->width() - 2 * ListView1_->frameWidth() -
                     ListView1_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, ListView1_);
    float designWidths = 0;
    for (const Column& column : kColumns) designWidths += column.width > 0 ? column.width : kDefaultColumnWidth;
    int left = room;
    for (int column = 0; column + 1 < int(kColumns.size()); ++column) {
        const float design = kColumns[column].width > 0 ? kColumns[column].width : kDefaultColumnWidth;
        const int width = int(float(room) * design / designWidths);
        ListView1_->setColumnWidth(column, width);
        left -= width;
    }
    ListView1_->setColumnWidth(int(kColumns.size()) - 1, left);
}

void frmArpTable::Form_Load() {
    SelectedRow_ = 0;
    SortedColumn_ = 0;
    ListView1_->setGeometry(0, 0, width(), height());
    tmrRefrash_->SetInterval(kRefreshMs);
}

void frmArpTable::InitArpTabel() {
    setWindowTitle(QString::fromLatin1(kCaption));
    ListView1_->clear();
    ListView1_->setColumnCount(int(kColumns.size()));
    QTreeWidgetItem* header = ListView1_->headerItem();
    for (int column = 0; column < int(kColumns.size()); ++column) {
        header->setText(column, QString::fromLatin1(kColumns[column].caption));
        header->setIcon(column, QIcon());
    }
    FitColumns();
}

void frmArpTable::GetArpTabel() {
    // A box raised inside a read lets the timer tick again: that tick waits for the next.
    if (reading_) return;
    reading_ = true;
    const MessageOwner owner(ui_, OwnerHandle(*this));
    ListView1_->clear();
    QList<QTreeWidgetItem*> items;
    for (const ArpRow& row : reader_.GetArpTabel()) {
        auto* item = new QTreeWidgetItem;
        for (int column = 0; column < int(row.texts.size()); ++column) {
            item->setText(column, QString::fromStdString(row.texts[std::size_t(column)]));
        }
        item->setData(0, kKeyRole, QList<QVariant>{row.key.dwIndex, row.key.dwAddr});
        items.append(item);
    }
    ListView1_->addTopLevelItems(items);
    if (sorted_) ListView1_->sortItems(sortColumn_, sortOrder_);
    reading_ = false;
}

void frmArpTable::tmrRefrash_Timer() {
    GetArpTabel();
    if (SelectedRow_ > 0 && SelectedRow_ <= ListView1_->topLevelItemCount()) {
        ListView1_->setCurrentItem(ListView1_->topLevelItem(SelectedRow_ - 1));
    }
}

// Follows the current row, chosen by the keyboard or the mouse; the clearing
// of a refresh is not a choice.
void frmArpTable::ListView1_Click() {
    if (reading_ || ListView1_->topLevelItemCount() == 0 || ListView1_->currentItem() == nullptr) return;
    SelectedRow_ = ListView1_->indexOfTopLevelItem(ListView1_->currentItem()) + 1;
}

// The order flips on every click, whichever column: the list starts ascending,
// so the first click sorts descending and shows "SortDown".
void frmArpTable::ListView1_ColumnClick(int column) {
    sortColumn_ = column - 1;
    sorted_ = true;
    QTreeWidgetItem* header = ListView1_->headerItem();
    if (SortedColumn_ != 0) header->setIcon(SortedColumn_ - 1, QIcon());
    if (sortOrder_ == Qt::AscendingOrder) {
        header->setIcon(column - 1, sortDown_);
        sortOrder_ = Qt::DescendingOrder;
    } else {
        header->setIcon(column - 1, sortUp_);
        sortOrder_ = Qt::AscendingOrder;
    }
    SortedColumn_ = column;
    ListView1_->sortItems(sortColumn_, sortOrder_);
}

std::string frmArpTable::QuestionFor(const std::string& address) const {
    return "Do you want to delete entry " + address + " from table?";
}

// With rows but none selected there is nothing to name, and nothing happens.
void frmArpTable::popDeleteEntry_Click() {
    if (ListView1_->topLevelItemCount() == 0) return;
    const QList<QTreeWidgetItem*> selected = ListView1_->selectedItems();
    if (selected.isEmpty()) return;
    const std::string address = selected.front()->text(1).toStdString();
    const ArpRowKey key = KeyOf(*selected.front());
    const MessageOwner owner(ui_, OwnerHandle(*this));
    std::uint8_t DialogResult = kDialogOK;
    if (!deleteNoAsk_) DialogResult = confirm_(*this, "Delete Warning", QuestionFor(address), deleteNoAsk_);
    if (DialogResult == kDialogOK && reader_.DeleteArpEntry(key)) tmrRefrash_Timer();
}

bool frmArpTable::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ListView1_ && event->type() == QEvent::KeyPress) {
        const auto& key = static_cast<const QKeyEvent&>(*event);
        const bool menuKey = key.key() == Qt::Key_Menu ||
                             (key.key() == Qt::Key_F10 && key.modifiers() == Qt::ShiftModifier);
        if (menuKey) {
            ShowPopupAtCurrentRow();
            return true;
        }
        if (key.key() == Qt::Key_Delete) {
            popDeleteEntry_Click();
            return true;
        }
    }
    if (watched == ListView1_->viewport() && event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
        popMenu_->popup(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace velmora

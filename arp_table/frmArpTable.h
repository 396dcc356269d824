#pragma once
// The ARP table window. Its timer, the "Refresh Table" command and every
// successful delete re-read the table through ArpTableReader, which gives the
// rows and their keys; this class only lays them into the list, keeps the
// remembered selection and the column sort, and asks before a delete through
// a confirmation function (the real dialog, or a test's answer).

#include <QIcon>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "arp_table/ArpTableReader.h"

class QAction;
class QMenu;
class QTreeWidget;

namespace velmora {

class Timer;

// Asks whether to delete; answers DialogResult (1 OK, 2 not) and may set deleteNoAsk.
using ConfirmDelete = std::function<std::uint8_t(QWidget& owner, const std::string& caption,
                                                 const std::string& question, bool& deleteNoAsk)>;

class frmArpTable final : public QWidget {
    Q_OBJECT
public:
    // Loads the window (Form_Load); the opener then runs InitArpTabel and
    // GetArpTabel and shows it. deleteNoAsk is the program's flag, kept by
    // the main window.
    frmArpTable(NetworkServices& net, UiServices& ui, bool& deleteNoAsk, ConfirmDelete confirm = {});
    ~frmArpTable() override;
    frmArpTable(const frmArpTable&) = delete;
    frmArpTable& operator=(const frmArpTable&) = delete;

    void InitArpTabel();
    void GetArpTabel();
    void tmrRefrash_Timer();

    static constexpr const char* kCaption = "ARP Table Information";

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load();
    void BuildSortMenu();
    void ShowPopupAtCurrentRow();
    void FitColumns();
    void ListView1_Click();
    void ListView1_ColumnClick(int column);
    void popDeleteEntry_Click();
    std::string QuestionFor(const std::string& address) const;

    UiServices& ui_;
    ArpTableReader reader_;
    bool& deleteNoAsk_;
    ConfirmDelete confirm_;
    QTreeWidget* ListView1_ = nullptr;
    QMenu* popMenu_ = nullptr;
    QIcon sortDown_;
    QIcon sortUp_;
    std::unique_ptr<Timer> tmrRefrash_;

    int SelectedRow_ = 0;   // 1-based position last clicked; 0 none (any position, not only up to 255)
    int SortedColumn_ = 0;  // 1-based column showing a sort image; 0 none
    // The list's own sort state.
    bool sorted_ = false;
    int sortColumn_ = 0;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
    bool reading_ = false;
};

}  // namespace velmora

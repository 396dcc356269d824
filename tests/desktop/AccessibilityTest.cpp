// What a screen reader meets in every window: each window, field and text
// announced by its caption or label, never by an object name.

#include <QAccessible>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <functional>
#include <map>
#include <set>

#include "about/frmAbout.h"
#include "arp_table/frmArpTable.h"
#include "arp_table/frmDialog.h"
#include "help_viewer/HelpViewer.h"
#include "interfaces/frmInterfaceInfo.h"
#include "monitoring/frmLatencyGraph.h"
#include "tests/desktop/DesktopTesting.h"
#include "tests/support/TableRows.h"

namespace velmora::test {
namespace {

QString NameOf(QObject& object) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(&object);
    return face ? face->text(QAccessible::Name) : QString();
}

// Every accessible object a screen reader reaches from the window, menus and
// their items included, and every widget under it, hidden ones too.
void VisitAccessible(QAccessibleInterface& face, const std::function<void(QAccessibleInterface&)>& visit) {
    visit(face);
    for (int i = 0; i < face.childCount(); ++i) {
        if (QAccessibleInterface* child = face.child(i)) VisitAccessible(*child, visit);
    }
}

// A drop-down list reads its entry; its label comes as a relation.
QString LabelOf(QComboBox& list) {
    const auto labels = QAccessible::queryAccessibleInterface(&list)->relations(QAccessible::Label);
    if (labels.size() != 1) return QStringLiteral("(%1 labels)").arg(labels.size());
    return labels[0].first->text(QAccessible::Name);
}

using Names = std::set<std::string>;

Names NamesEqualToObjectNames(QWidget& window) {
    Names found;
    const auto check = [&found](QObject* object, const QString& name) {
        if (object && !object->objectName().isEmpty() && name == object->objectName()) {
            found.insert(name.toStdString());
        }
    };
    QList<QWidget*> widgets = window.findChildren<QWidget*>();
    widgets.prepend(&window);
    for (QWidget* widget : widgets) check(widget, NameOf(*widget));
    VisitAccessible(*QAccessible::queryAccessibleInterface(&window),
                    [&check](QAccessibleInterface& face) { check(face.object(), face.text(QAccessible::Name)); });
    return found;
}

using ExpectedNames = std::map<QString, QString>;  // object name -> announced name

void ExpectNames(QWidget& window, const ExpectedNames& expected) {
    for (const auto& [object, announced] : expected) {
        QWidget* widget = object == window.objectName() ? &window : window.findChild<QWidget*>(object);
        ASSERT_NE(widget, nullptr) << object.toStdString();
        EXPECT_EQ(NameOf(*widget).toStdString(), announced.toStdString()) << object.toStdString();
    }
}

class AccessibilityTest : public DesktopTest {};

TEST_F(AccessibilityTest, MainWindowAnnouncesItsCaptionEveryFieldByItsLabelAndThePanelsByTheirText) {
    frmPing& main = Open();
    ExpectNames(main, {
                          {"frmPing", "Velmora"},
                          {"txtStartIP_0", "Start IP, part 1"},
                          {"txtStartIP_3", "Start IP, part 4"},
                          {"txtStopIP_0", "Stop IP, part 1"},
                          {"txtStopIP_3", "Stop IP, part 4"},
                          {"txtDNS", "DNS"},
                          {"chkIpDns", "IP/DNS"},
                          {"chkLoop", "Loop"},
                          {"txtNum", "Num"},
                          {"TxtDataSize", "DataSize"},
                          {"txtTTL", "TTL"},
                          {"txtTimeout", "Timeout"},
                          {"txtDelay", "Delay"},
                          {"logRes", "Log"},
                          {"StatusBar1", "Status bar"},
                      });
    for (const char* label : {"lblStartIP", "lblStopIP", "lblDNS", "Lable9", "Label7", "Label14", "Label13"}) {
        EXPECT_NE(Get<QLabel>(label).buddy(), nullptr) << label << " leads to its field";
    }
    for (int panel = 1; panel <= 7; ++panel) {
        EXPECT_FALSE(Panel(panel).text().isEmpty());
        EXPECT_EQ(NameOf(Panel(panel)), Panel(panel).text()) << "panel " << panel;
    }
    EXPECT_EQ(NamesEqualToObjectNames(main), Names{});
}

TEST_F(AccessibilityTest, ViewersAreWindowsNamedByTheirCaptionsWithNamedListsAndReadableCounters) {
    net.ifRows = {IfRow(1, "lo", "lo")};
    net.ifRows[0].dwInOctets = 1234567;
    net.ifRows[0].dwOutOctets = 89;
    const auto viewers = OpenWithViewers();
    auto& [deleteNoAsk, chosen, arp, interfaces, aboutBox] = *viewers;
    frmAbout& about = *aboutBox;
    arp.InitArpTabel();
    EchoStore echoes;
    const std::unique_ptr<frmLatencyGraph> graph(new frmLatencyGraph(echoes));
    frmDialog dialog(deleteNoAsk, &arp);
    dialog.SetCaption("Delete Warning");
    dialog.SetDescription("Do you want to delete entry 10.0.0.1 from table?");

    ExpectNames(arp, {{"frmArpTable", "ARP Table Information"}, {"ListView1", "ARP table"}});
    ExpectNames(interfaces, {{"frmInterfaceInfo", "Network Interfaces Information"},
                             {"cmbSelInterface", "lo"},
                             {"lvInterfaceInfo", "Interface Information"},
                             {"Image1", "Traffic picture"}});
    ExpectNames(about, {{"frmAbout", "About Velmora"},
                        {"lblTitle", "Velmora"},
                        {"lblWeb", "www.velmora.example.org"},
                        {"lblMail", "support@velmora.example.org"},
                        {"cmdOK", "OK"},
                        {"cmdSysInfo", "System Info..."}});
    EXPECT_TRUE(NameOf(Find<QLabel>(about, "lblVersion")).startsWith(QStringLiteral("Version ")));
    ExpectNames(dialog, {{"frmDialog", "Delete Warning"},
                         {"lblDescription", "Do you want to delete entry 10.0.0.1 from table?"},
                         {"OKButton", "OK"},
                         {"chkDoNotAsk", "Do not ask me that again."}});
    for (const char* counter : {"lblRecv", "lblSent"}) {
        QLabel& label = Find<QLabel>(interfaces, counter);
        EXPECT_EQ(NameOf(label), label.text()) << counter << " reads its figures";
    }
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&Find<QLabel>(interfaces, "lblRecv"))
                  ->text(QAccessible::Description),
              QStringLiteral("Bytes received"));
    EXPECT_EQ(LabelOf(Find<QComboBox>(interfaces, "cmbSelInterface")), QStringLiteral("Select Network Interface"))
        << "from the frame's caption";

    ExpectNames(*graph, {{"frmLatencyGraph", "Latency Graph"}});
    QStringList graphControls;
    for (QWidget* control : graph->findChildren<QWidget*>()) {
        if (!control->isVisibleTo(graph.get()) || !(control->focusPolicy() & Qt::TabFocus)) continue;
        auto* list = qobject_cast<QComboBox*>(control);
        graphControls << (list ? LabelOf(*list) : NameOf(*control));
    }
    graphControls.sort();
    EXPECT_EQ(graphControls.join(u'|').toStdString(), "Clear|Show:|Span:|Statistics per address")
        << "every control the keyboard reaches, by its label or caption";

    for (QWidget* window : std::initializer_list<QWidget*>{&arp, &interfaces, &about, &dialog, graph.get()}) {
        EXPECT_EQ(NamesEqualToObjectNames(*window), Names{}) << window->objectName().toStdString();
    }
    const std::map<QWidget*, QAccessible::Role> roles{
        {&arp, QAccessible::Window}, {&interfaces, QAccessible::Window}, {&about, QAccessible::Dialog},
        {window.get(), QAccessible::Window}, {graph.get(), QAccessible::Window}};
    for (const auto& [shown, role] : roles) {
        EXPECT_EQ(QAccessible::queryAccessibleInterface(shown)->role(), role) << shown->objectName().toStdString();
    }
}

TEST_F(AccessibilityTest, HelpViewerIsAWindowWithANamedContentsTreeAndPage) {
    std::unique_ptr<HelpViewer> help = HelpViewer::Open(VELMORA_HELP_FILE, nullptr);
    ASSERT_NE(help, nullptr);
    ExpectNames(*help, {{"HelpViewer", "Velmora Help"}, {"contents", "Contents"}, {"topic", "Topic"}});
    EXPECT_EQ(QAccessible::queryAccessibleInterface(help.get())->role(), QAccessible::Window);
    EXPECT_EQ(NamesEqualToObjectNames(*help), Names{});
}

// The walk itself: a control named by its object name alone is caught.
TEST_F(AccessibilityTest, TheWalkFindsANameThatIsAnObjectName) {
    frmPing& main = Open();
    Edit("txtTTL").setAccessibleName(QStringLiteral("txtTTL"));
    EXPECT_EQ(NamesEqualToObjectNames(main), Names{"txtTTL"});
}

}  // namespace
}  // namespace velmora::test

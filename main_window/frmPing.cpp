#include "main_window/frmPing.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTextCursor>
#include <QTime>
#include <QTimer>
#include <QToolBar>
#include <algorithm>
#include <numeric>
#include <stdexcept>
#include <utility>
#include <type_traits>

#include "about/frmAbout.h"
#include "about/mdlHelp.h"
#include "arp_table/frmArpTable.h"
#include "interfaces/frmInterfaceInfo.h"
#include "main_window/MainSettings.h"
#include "main_window/PingRun.h"
#include "monitoring/frmLatencyGraph.h"
#include "window_helpers/Accessibility.h"
#include "window_helpers/DesignFont.h"
#include "window_helpers/SharedPictures.h"
#include "window_helpers/Twips.h"
#include "window_helpers/ViewerWindows.h"

// Resources of a static library are registered by hand, outside any namespace.
static void InitToolbarImages() { Q_INIT_RESOURCE(velmora); }

namespace velmora {

namespace {

// Design client area, and the toolbar's height within it: the body below the
// toolbar is the central widget, so design tops are measured from there.
constexpr float kDesignWidth = 9720;
constexpr float kDesignHeight = 5175;
constexpr float kToolbarHeight = 420;

constexpr float kTextBoxWidth = 615;
constexpr float kTextBoxHeight = 285;
constexpr float kCheckBoxSize = 255;
constexpr float kPanelWidth = 1440;
constexpr int kFramesPerSecond = 60;
constexpr float kLabelGap = 60;

// The image list: twelve images, addressed by position from 1. The ARP
// table's picture is shared with its window.
constexpr std::array<const char*, 12> kImages{"Stop",  "Start",   "StartCapture", "StopCapture",
                                               "Running", "Arp",  "Setting",      "Adapter",
                                               "Interface", "Clear", "Exit",      "Help"};
constexpr int kSharedImage = 6;

QIcon ToolbarIcon(int image) {
    const char* name = kImages[std::size_t(image - 1)];
    if (image == kSharedImage) return SharedIcon(name);
    return TwoScaleIcon(QStringLiteral(":/toolbar"), name);
}

struct ToolbarPosition {
    const char* tooltip;  // nullptr: a separator
    int image;
};

constexpr std::array<ToolbarPosition, 13> kToolbar{{
    {"Start pinging to target", 2},
    {"Cancel pinging to target", 1},
    {nullptr, 0},
    {"Capture text to file", 3},
    {"Close capture file", 4},
    {"Clear log", 10},
    {nullptr, 0},
    {"Arp table Information...", 6},
    {"Network interfaces information...", 9},
    {nullptr, 0},
    {"Help topic", 12},
    {nullptr, 0},
    {"Exit program", 11},
}};

// The widest text each figure panel shows in practice, so the bar keeps still.
constexpr std::array<const char*, 6> kWidestPanelTexts{"Sent: 00000",    "Received: 00000", "Lost: 00000",
                                                       "Maximum: 00000", "Minimum: 00000",  "Average: 00000"};

QString Indexed(const char* name, int index) { return QString::fromLatin1(name) + u'_' + QString::number(index); }

// A label placed at its design corner; its group fits it to its room.
QLabel* Label(QWidget& parent, const QString& name, const char* caption, float left, float top) {
    auto* label = Named(new QLabel(QString::fromLatin1(caption), &parent), name);
    label->move(Px(left), Px(top));
    return label;
}

// The room of a label: `room` twips to its right, less the gap before the next control.
FittedLabel InRoom(QLabel* label, float room) { return {label, Px(room - kLabelGap)}; }

QLineEdit* TextBox(QWidget& parent, const QString& name, const char* text, const char* tooltip, float left,
                   float top, float width = kTextBoxWidth) {
    auto* box = Named(new QLineEdit(QString::fromLatin1(text), &parent), name);
    box->setGeometry(Place(left, top, width, kTextBoxHeight));
    if (tooltip) box->setToolTip(QString::fromLatin1(tooltip));
    return box;
}

QCheckBox* CheckBox(QWidget& parent, const QString& name, const char* tooltip, float left, float top) {
    auto* box = Named(new QCheckBox(&parent), name);
    box->setGeometry(Place(left, top, kCheckBoxSize, kCheckBoxSize));
    if (tooltip) box->setToolTip(QString::fromLatin1(tooltip));
    return box;
}

QFrame* Group(QWidget& body, const char* name, float left, float top) {
    auto* frame = Named(new QFrame(&body), QString::fromLatin1(name));
    frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
    UseDesignFont(*frame);
    // The design lets the groups reach 60 twips under the toolbar; here they start below it.
    frame->setGeometry(Place(left, std::max(0.f, top - kToolbarHeight), 4695, 975));
    return frame;
}

// A row of octet boxes shares one label: the label leads to the first box,
// and each box is announced as a part of the address.
void NameOctetBoxes(QLabel& label, const std::array<QLineEdit*, 4>& boxes) {
    label.setBuddy(boxes[0]);
    for (int i = 0; i < 4; ++i) {
        boxes[i]->setAccessibleName(QStringLiteral("%1, part %2").arg(SpokenCaption(label.text())).arg(i + 1));
    }
}

// The pane separates lines with LF; the kept text has CR LF.
QString PaneText(const std::string& text) { return QString::fromStdString(text).remove(u'\r'); }

}  // namespace

// A light palette gives the pane the tooltips' colours, as the design has it;
// in a dark one those may be bright, so the pane keeps the palette's own.
QPalette LogPanePalette(QPalette palette) {
    if (palette.color(QPalette::Base).lightness() < 128) return palette;
    palette.setColor(QPalette::Base, palette.color(QPalette::ToolTipBase));
    palette.setColor(QPalette::Text, palette.color(QPalette::ToolTipText));
    return palette;
}

frmPing::frmPing(NetworkServices& net, UiServices& ui, QWidget* parent) : QMainWindow(parent), ui_(ui), net_(net), csvExport_(ui) {
    InitToolbarImages();
    Named(this, QStringLiteral("frmPing"));
    setContextMenuPolicy(Qt::PreventContextMenu);  // no menu to hide the toolbar
    BuildMenus();
    BuildToolbar();
    auto* body = new QWidget(this);
    setCentralWidget(body);
    BuildTargetGroup(*body);
    BuildParameterGroup(*body);
    BuildLogPane(*body);
    BuildStatusBar();
    SetTabOrder();
    // The smallest window shows both groups, every figure panel and the
    // clock, with room for the time and the size grip.
    const QRect groups = findChild<QFrame*>(QStringLiteral("Frame1"))->geometry() |
                         findChild<QFrame*>(QStringLiteral("Frame2"))->geometry();
    const float figures = std::accumulate(panelWidths_.begin(), panelWidths_.end(), 0.f);
    const int clockRoom = panels_[6]->sizeHint().width() + statusBar()->sizeHint().height();
    body->setMinimumSize(std::max(groups.right() + 1, Px(figures) + clockRoom), groups.bottom() + 1);
    resize(Px(kDesignWidth), Px(kDesignHeight) + menuBar()->sizeHint().height());

    fieldBehaviour_ = std::make_unique<ParameterFields>(fields_);
    settings_ = std::make_unique<MainSettings>(ui, *this, fields_, deleteNoAsk_, choices_);
    run_ = std::make_unique<PingRun>(*this, net, ui, echoes_);
    Form_Load();
}

frmPing::~frmPing() {
    delete arpTable_;
    delete about_.data();
    delete latencyGraph_.data();  // before the data set it follows
}

void frmPing::BuildMenus() {
    QMenu* comm = Named(menuBar()->addMenu(QStringLiteral("&Comm")), QStringLiteral("mnuComm"));
    mnuStartPinging_ = AddMenuItem(*comm, "mnuStartPinging", "&Start Pinging", {Qt::Key_F5});
    mnuStopPinging_ =
        AddMenuItem(*comm, "mnuStopPinging", "S&top Pinging", {Qt::SHIFT | Qt::Key_F5, Qt::Key_Escape});
    mnuParallel_ = AddMenuItem(*comm, "mnuParallel", "Sweep in &parallel");
    mnuParallel_->setCheckable(true);
    mnuAlert_ = AddMenuItem(*comm, "mnuAlert", "&Alert when a host goes down or comes back");
    mnuAlert_->setCheckable(true);
    Named(comm->addSeparator(), QStringLiteral("mnu1"));
    QAction* mnuExit = AddMenuItem(*comm, "mnuExit", "E&xit", {Qt::CTRL | Qt::Key_Q});
    connect(mnuStartPinging_, &QAction::triggered, this, [this] { run_->StartPinging(); });
    connect(mnuStopPinging_, &QAction::triggered, this, [this] { run_->StopPinging(); });
    connect(mnuParallel_, &QAction::toggled, this, [this](bool checked) {
        choices_.parallel = checked;
        run_->SetParallel(checked);
    });
    connect(mnuAlert_, &QAction::toggled, this, [this](bool checked) {
        choices_.alert = checked;
        run_->SetAlerts(checked, choices_.alertAfter);
    });
    connect(mnuExit, &QAction::triggered, this, &QWidget::close);

    QMenu* log = Named(menuBar()->addMenu(QStringLiteral("&Log")), QStringLiteral("mnuLog"));
    mnuCaptureLog_ = AddMenuItem(*log, "mnuCaptureLog", "&Capture log to file...");
    mnuCloseFile_ = AddMenuItem(*log, "mnuCloseFile", "Close &file");
    mnuTimestamps_ = AddMenuItem(*log, "mnuTimestamps", "Add &time stamps");
    mnuTimestamps_->setCheckable(true);
    QAction* mnuExportCsv = AddMenuItem(*log, "mnuExportCsv", "&Export CSV...");
    Named(log->addSeparator(), QStringLiteral("mnu2"));
    QAction* mnuClearLog = AddMenuItem(*log, "mnuClearLog", "C&lear log", {Qt::CTRL | Qt::Key_L});
    connect(mnuCaptureLog_, &QAction::triggered, this, [this] { run_->OpenCaptureFile(); });
    connect(mnuCloseFile_, &QAction::triggered, this, [this] { run_->CloseCaptureFile(); });
    connect(mnuClearLog, &QAction::triggered, this, [this] { run_->ClearLog(); });
    connect(mnuTimestamps_, &QAction::toggled, this, [this](bool checked) {
        choices_.timestamps = checked;
        run_->SetTimestamps(checked);
    });
    connect(mnuExportCsv, &QAction::triggered, this, [this] { csvExport_.Export(echoes_); });

    // The viewers, the about box and the help file come with their own windows.
    QMenu* view = Named(menuBar()->addMenu(QStringLiteral("&View")), QStringLiteral("mnu3"));
    QAction* mnuArpTable = AddMenuItem(*view, "mnuArpTable", "&Arp table information...");
    connect(mnuArpTable, &QAction::triggered, this, [this] { ArpTableInfo(); });
    QAction* mnuInterfaceInfo = AddMenuItem(*view, "mnuInterfaceInfo", "Network &Interface information...");
    connect(mnuInterfaceInfo, &QAction::triggered, this, &frmPing::InterfaceInfo);
    QAction* mnuLatencyGraph = AddMenuItem(*view, "mnuLatencyGraph", "&Latency graph...", {Qt::CTRL | Qt::Key_G});
    connect(mnuLatencyGraph, &QAction::triggered, this, &frmPing::LatencyGraph);

    QMenu* help = Named(menuBar()->addMenu(QStringLiteral("&Help")), QStringLiteral("mnuHelp"));
    QAction* mnuHelpTopic = AddMenuItem(*help, "mnuHelpTopic", "&Help Topic", {Qt::Key_F1});
    Named(help->addSeparator(), QStringLiteral("mnu4"));
    QAction* mnuAboutSoftware = AddMenuItem(*help, "mnuAboutSoftware", "&About Velmora...");
    connect(mnuHelpTopic, &QAction::triggered, this, &frmPing::OpenHelp);
    connect(mnuAboutSoftware, &QAction::triggered, this, &frmPing::AboutSoftware);
}

// The caption's "&" marks its access key; the keys work wherever the main window has the focus.
QAction* frmPing::AddMenuItem(QMenu& menu, const char* name, const char* caption,
                              const QList<QKeySequence>& keys) {
    QAction* item = Named(menu.addAction(QString::fromLatin1(caption)), QString::fromLatin1(name));
    item->setShortcuts(keys);
    return item;
}

void frmPing::BuildToolbar() {
    QToolBar* tb = Named(addToolBar(QStringLiteral("Toolbar")), QStringLiteral("tb"));
    tb->setMovable(false);
    tb->setFloatable(false);
    tb->setIconSize(QSize(16, 16));
    for (int position = 1; position <= int(kToolbar.size()); ++position) {
        const ToolbarPosition& entry = kToolbar[position - 1];
        QAction* button = entry.tooltip ? tb->addAction(QString::fromLatin1(entry.tooltip)) : tb->addSeparator();
        Named(button, Indexed("tb", position));
        if (entry.tooltip) {
            button->setIcon(ToolbarIcon(entry.image));
            button->setToolTip(QString::fromLatin1(entry.tooltip));
            connect(button, &QAction::triggered, this, [this, position] { tb_ButtonClick(position); });
        }
        tbButtons_[position - 1] = button;
    }
}

void frmPing::BuildTargetGroup(QWidget& body) {
    QFrame& frame = *Group(body, "Frame1", 120, 360);
    QLabel* ipDns = Label(frame, QStringLiteral("Label16"), "IP/DNS", 3960, 240);
    fields_.chkIpDns = CheckBox(frame, QStringLiteral("chkIpDns"), nullptr, 4080, 480);
    TieLabel(*ipDns, *fields_.chkIpDns);
    fields_.lblStartIP = Label(frame, QStringLiteral("lblStartIP"), "Start IP:", 240, 240);
    fields_.lblStopIP = Label(frame, QStringLiteral("lblStopIP"), "Stop IP:", 240, 600);
    constexpr std::array<float, 4> octetLefts{960, 1680, 2400, 3120};
    constexpr std::array<const char*, 4> designOctets{"1", "1", "1", "8"};
    for (int i = 0; i < 4; ++i) {
        fields_.txtStartIP[i] = TextBox(frame, Indexed("txtStartIP", i), designOctets[i],
                                        "Start IP address to ping to", octetLefts[i], 240);
        fields_.txtStopIP[i] = TextBox(frame, Indexed("txtStopIP", i), designOctets[i],
                                       "Stop IP address to ping to", octetLefts[i], 600);
    }
    NameOctetBoxes(*fields_.lblStartIP, fields_.txtStartIP);
    NameOctetBoxes(*fields_.lblStopIP, fields_.txtStopIP);
    constexpr std::array<float, 3> dotLefts{1560, 2280, 3000};
    for (int i = 0; i < 6; ++i) {
        // A round bullet where the octets' digits stand on their line: many
        // fonts draw a large point as a square.
        auto* dot = Named(new QLabel(QStringLiteral("\u2022"), &frame), Indexed("lblP1", i));
        dot->setAccessibleName(QStringLiteral("dot"));
        dot->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
        dot->setGeometry(Place(dotLefts[i % 3], i < 3 ? 240 : 600, 135, kTextBoxHeight - 45));
        fields_.lblP1[i] = dot;
    }
    fields_.lblDNS = Label(frame, QStringLiteral("lblDNS"), "DNS:", 240, 480);
    FitLabelFonts({InRoom(ipDns, 4695 - 3960), InRoom(fields_.lblStartIP, 720), InRoom(fields_.lblStopIP, 720),
                   InRoom(fields_.lblDNS, 720)});
    fields_.txtDNS = TextBox(frame, QStringLiteral("txtDNS"), "", nullptr, 960, 480, 2775);
    TieLabel(*fields_.lblDNS, *fields_.txtDNS);
}

void frmPing::BuildParameterGroup(QWidget& body) {
    QFrame& frame = *Group(body, "Frame2", 4920, 360);
    QLabel* loopNum = Label(frame, QStringLiteral("Label8"), "Loop\\Num:", 240, 240);
    fields_.chkLoop = CheckBox(frame, QStringLiteral("chkLoop"), "Loop until cancel", 240, 480);
    fields_.txtNum = TextBox(frame, QStringLiteral("txtNum"), "1", "Number of pings", 600, 480);
    // One label over two fields: the box is "Loop", the number "Num".
    loopNum->setBuddy(fields_.chkLoop);
    fields_.chkLoop->setAccessibleName(QStringLiteral("Loop"));
    fields_.txtNum->setAccessibleName(QStringLiteral("Num"));
    QLabel* dataSize = Label(frame, QStringLiteral("Lable9"), "DataSize:", 1320, 240);
    fields_.TxtDataSize =
        TextBox(frame, QStringLiteral("TxtDataSize"), "120", "Data size (bytes) - up to 1500", 1320, 480, 855);
    TieLabel(*dataSize, *fields_.TxtDataSize);
    QLabel* ttl = Label(frame, QStringLiteral("Label7"), "TTL:", 2280, 240);
    fields_.txtTTL = TextBox(frame, QStringLiteral("txtTTL"), "30", "Time To Leave", 2280, 480);
    TieLabel(*ttl, *fields_.txtTTL);
    QLabel* timeout = Label(frame, QStringLiteral("Label14"), "Timeout:", 3000, 240);
    fields_.txtTimeout =
        TextBox(frame, QStringLiteral("txtTimeout"), "1000", "Timeout for ping replay (milli-second)", 3000, 480);
    TieLabel(*timeout, *fields_.txtTimeout);
    QLabel* delay = Label(frame, QStringLiteral("Label13"), "Delay:", 3720, 240);
    fields_.txtDelay =
        TextBox(frame, QStringLiteral("txtDelay"), "1000", "Delay between pings (milli-second).", 3720, 480);
    TieLabel(*delay, *fields_.txtDelay);
    FitLabelFonts({InRoom(loopNum, 1320 - 240), InRoom(dataSize, 2280 - 1320), InRoom(ttl, 3000 - 2280),
                   InRoom(timeout, 3720 - 3000), InRoom(delay, 4695 - 3720)});
}

// Reading order: the start octets, the stop octets (hidden by a host name),
// the host name, its switch, then the parameters from left to right.
void frmPing::SetTabOrder() {
    QList<QWidget*> order;
    for (QLineEdit* box : fields_.OctetBoxes()) order << box;
    order << fields_.txtDNS << fields_.chkIpDns << fields_.chkLoop;
    for (QLineEdit* field : {fields_.txtNum, fields_.TxtDataSize, fields_.txtTTL, fields_.txtTimeout, fields_.txtDelay}) {
        order << field;
    }
    for (qsizetype i = 0; i + 1 < order.size(); ++i) setTabOrder(order[i], order[i + 1]);
}

void frmPing::BuildLogPane(QWidget& body) {
    logRes_ = Named(new QPlainTextEdit(&body), QStringLiteral("logRes"));
    logRes_->setAccessibleName(QStringLiteral("Log"));
    logRes_->setReadOnly(true);
    logRes_->setUndoRedoEnabled(false);  // nothing to undo, and every line would keep a step
    logRes_->setPalette(LogPanePalette(logRes_->palette()));
    // Design place 120, 1440, 9495 x 3255; ResizeForm changes the size only.
    logRes_->move(Px(120), Px(1440 - kToolbarHeight));
    logResWidth_ = 9495;
    logResHeight_ = 3255;
    PlaceLogPane();
}

void frmPing::BuildStatusBar() {
    QStatusBar* bar = Named(statusBar(), QStringLiteral("StatusBar1"));
    bar->setAccessibleName(QStringLiteral("Status bar"));
    UseDesignFont(*bar);
    for (int panel = 1; panel <= int(panels_.size()); ++panel) {
        auto* label = Named(new QLabel(bar), QStringLiteral("Panel%1").arg(panel));
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->installEventFilter(this);
        bar->addWidget(label);
        panels_[panel - 1] = label;
    }
    for (std::size_t i = 0; i < panelWidths_.size(); ++i) {
        QLabel& label = *panels_[i];
        label.setText(QLatin1String(kWidestPanelTexts[i]));  // measured with the frame and the indent
        panelWidths_[i] = std::max(kPanelWidth, Twips(label.sizeHint().width()));
        // A fixed size in both directions: a new text repaints the panel
        // without laying the whole bar out again.
        label.setFixedSize(Px(panelWidths_[i]), label.sizeHint().height());
    }
    panels_[6]->setText(QStringLiteral("00:00"));  // measured for the window's minimum
    clock_.setSingleShot(true);
    connect(&clock_, &QTimer::timeout, this, &frmPing::ShowClock);
    frame_.setSingleShot(true);
    frame_.setInterval(1000 / kFramesPerSecond);
    connect(&frame_, &QTimer::timeout, this, &frmPing::ShowFrame);
    ShowClock();
}

void frmPing::Form_Load() {
    lastWidth_ = Twips(width());
    lastHeight_ = Twips(height());
    Button(2)->setEnabled(false);
    Button(5)->setEnabled(false);
    mnuStopPinging_->setEnabled(false);
    mnuCloseFile_->setEnabled(false);
    fieldBehaviour_->chkIpDns_Click();
    setWindowTitle(QString::fromLatin1(kAppName));
    ui_.Randomize();
    run_->ClearStatistic();
    panel7Width_ = lastWidth_ - std::accumulate(panelWidths_.begin(), panelWidths_.end(), 0.f);
    PlacePanel7();
    const SettingsBatch restore(ui_);
    settings_->RestoreWindow();
    settings_->RestoreParameters();
    ApplyRunChoices();
}

// The menus show the stored choices and the run takes them.
void frmPing::ApplyRunChoices() {
    mnuParallel_->setChecked(choices_.parallel);
    mnuAlert_->setChecked(choices_.alert);
    mnuTimestamps_->setChecked(choices_.timestamps);
    run_->SetParallel(choices_.parallel);
    run_->SetAlerts(choices_.alert, choices_.alertAfter);
    run_->SetTimestamps(choices_.timestamps);
    run_->SetCaptureFolder(choices_.captureFolder);
}

void frmPing::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    ResizeForm();
}

void frmPing::ResizeForm() {
    if (isMinimized()) return;
    const float dW = Twips(width()) - lastWidth_;
    const float dH = Twips(height()) - lastHeight_;
    // A change skipped here is not made up later.
    if (panel7Width_ + dW > 0) panel7Width_ += dW;
    logResWidth_ += dW;
    logResHeight_ += dH;
    lastWidth_ = Twips(width());
    lastHeight_ = Twips(height());
    PlacePanel7();
    PlaceLogPane();
}

void frmPing::PlacePanel7() { panels_[6]->setFixedWidth(std::max(0, Px(panel7Width_))); }

// The pane keeps the unclamped size, so a window that grows again gets it back.
void frmPing::PlaceLogPane() { logRes_->resize(std::max(0, Px(logResWidth_)), std::max(0, Px(logResHeight_))); }

void frmPing::tb_ButtonClick(int position) {
    // An error inside the operation ends it where it failed, without a message.
    try {
        switch (position) {
            case 1: run_->StartPinging(); break;
            case 2: run_->StopPinging(); break;
            case 4: run_->OpenCaptureFile(); break;
            case 5: run_->CloseCaptureFile(); break;
            case 6: run_->ClearLog(); break;
            case 8: ArpTableInfo(); break;
            case 9: InterfaceInfo(); break;
            case 11: OpenHelp(); break;
            case 13: close(); break;
            default: break;  // separators
        }
    } catch (...) {
    }
}

// Opening it again while it is open sets it up and fills it again, and brings it forward.
void frmPing::ArpTableInfo() {
    if (!arpTable_) arpTable_ = new frmArpTable(net_, ui_, deleteNoAsk_);
    arpTable_->InitArpTabel();
    arpTable_->GetArpTabel();
    BringForward(*arpTable_);
}

void frmPing::closeEvent(QCloseEvent* event) {
    choices_.captureFolder = run_->CaptureFolder();
    settings_->Save();
    if (run_->Capturing()) run_->CloseCaptureFile();
    delete interfaceInfo_;
    if (arpTable_) arpTable_->close();
    delete about_.data();
    event->accept();
    // A run in progress is abandoned: no summary, no clean-up of the sockets library.
    QCoreApplication::exit(0);
}

void frmPing::AboutSoftware() {
    if (!about_) about_ = new frmAbout(ui_);
    BringForward(*about_);
}

// A missing help file opens nothing and says nothing; a failed look-up says why.
void frmPing::OpenHelp() {
    try {
        ShowHtmlHelp(ui_, kHelpFile, WindowHandle(winId()), 0);
    } catch (const std::exception& error) {
        ui_.MsgBox(error.what(), vbExclamation, kAppName);
    }
}

bool frmPing::eventFilter(QObject* watched, QEvent* event) {
    // The figure panels blank on a click; the clock keeps its time.
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto panel = std::find(panels_.begin(), panels_.end() - 1, watched);
        if (panel != panels_.end() - 1) (*panel)->clear();
    }
    return QMainWindow::eventFilter(watched, event);
}

// One graph window over the run's data set; opened again, it comes forward.
void frmPing::LatencyGraph() {
    if (!latencyGraph_) latencyGraph_ = new frmLatencyGraph(echoes_, this);
    BringForward(*latencyGraph_);
}

// Opened again, the window only comes forward; a closed one still waiting
// for its deletion is replaced by a new one.
void frmPing::InterfaceInfo() {
    try {
        if (!interfaceInfo_ || !interfaceInfo_->isVisible()) {
            delete interfaceInfo_;
            interfaceInfo_ = new frmInterfaceInfo(net_, ui_, selectedInterface_, this);
        }
        BringForward(*interfaceInfo_);
    } catch (const std::exception& error) {
        ui_.MsgBox(error.what(), vbCritical, "Failed to open interface information.");
    }
}

void frmPing::ShowClock() {
    const QTime now = QTime::currentTime();
    panels_[6]->setText(now.toString(QStringLiteral("hh:mm")));
    clock_.start(60000 - (now.second() * 1000 + now.msec()));
}

QLineEdit* frmPing::Field(Control control) const {
    switch (control) {
        case Control::HostName: return fields_.txtDNS;
        case Control::StartIp0:
        case Control::StartIp1:
        case Control::StartIp2:
        case Control::StartIp3: return fields_.txtStartIP[int(control) - int(Control::StartIp0)];
        case Control::StopIp0:
        case Control::StopIp1:
        case Control::StopIp2:
        case Control::StopIp3: return fields_.txtStopIP[int(control) - int(Control::StopIp0)];
        case Control::Num: return fields_.txtNum;
        case Control::DataSize: return fields_.TxtDataSize;
        case Control::TTL: return fields_.txtTTL;
        case Control::Timeout: return fields_.txtTimeout;
        case Control::Delay: return fields_.txtDelay;
    }
    return fields_.txtNum;
}

std::string frmPing::StartOctetText(int index) const { return fields_.txtStartIP[index]->text().toStdString(); }
std::string frmPing::StopOctetText(int index) const { return fields_.txtStopIP[index]->text().toStdString(); }
std::string frmPing::HostNameText() const { return fields_.txtDNS->text().toStdString(); }
std::string frmPing::ParameterText(Control field) const { return Field(field)->text().toStdString(); }
bool frmPing::LoopChecked() const { return fields_.chkLoop->checkState() == Qt::Checked; }
std::uint8_t frmPing::TargetMode() const { return fieldBehaviour_->TargetMode(); }
void frmPing::SetFocusTo(Control control) { Field(control)->setFocus(); }
void frmPing::SetCaption(const std::string& caption) { setWindowTitle(QString::fromStdString(caption)); }

void frmPing::ShowRunState(bool running) {
    Button(1)->setEnabled(!running);
    mnuStartPinging_->setEnabled(!running);
    Button(2)->setEnabled(running);
    mnuStopPinging_->setEnabled(running);
}

void frmPing::ShowCaptureState(bool capturing) {
    Button(4)->setEnabled(!capturing);
    mnuCaptureLog_->setEnabled(!capturing);
    Button(5)->setEnabled(capturing);
    mnuCloseFile_->setEnabled(capturing);
}

// Lines may come far faster than a screen shows them, and laying out a line
// in the pane costs more than making it. A change after a pause shows at
// once and starts a frame; until the frame ends, the panels take their texts
// without painting and the pane's new text waits, then goes in at once. The
// run keeps the pane's text and writes the capture file line by line.
void frmPing::SetPanelText(int panel, const std::string& text) {
    QLabel& label = *panels_[panel - 1];
    const QString shown = QString::fromStdString(text);
    if (label.text() == shown) return;
    label.setText(shown);
    HoldUntilNextFrame();
}

void frmPing::ShowLogText(const std::string& wholeText) {
    paneWhole_ = PaneText(wholeText);
    paneTail_.clear();
    if (!paneHeld_) ShowHeldText();
}

void frmPing::AppendLogText(const std::string& text) {
    paneTail_ += PaneText(text);
    if (!paneHeld_) ShowHeldText();
}

void frmPing::ShowHeldText() {
    if (paneWhole_) {
        logRes_->setPlainText(*paneWhole_ + paneTail_);
        paneWhole_.reset();
    } else {
        QTextCursor end(logRes_->document());
        end.movePosition(QTextCursor::End);
        end.insertText(paneTail_);
    }
    paneTail_.clear();
    ScrollLogToEnd();
    paneHeld_ = true;
    HoldUntilNextFrame();
}

void frmPing::HoldUntilNextFrame() {
    if (frame_.isActive()) return;
    statusBar()->setUpdatesEnabled(false);
    frame_.start();
}

void frmPing::ShowFrame() {
    statusBar()->setUpdatesEnabled(true);
    paneHeld_ = false;
    if (paneWhole_ || !paneTail_.isEmpty()) ShowHeldText();
}

void frmPing::ScrollLogToEnd() {
    logRes_->moveCursor(QTextCursor::End);
    logRes_->ensureCursorVisible();
}

}  // namespace velmora

#include "monitor/Fciscomon.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QTimer>
#include <optional>
#include <string>
#include <tuple>

#include "monitor/Monitorlook.h"
#include "monitor/Startdir.h"
#include "monitor/Ventrelicon.h"
#include "router/Interfacewalk.h"
#include "router/Readings.h"
#include "router/Routerconf.h"
#include "router/Traytip.h"
#include "shell/Desktop.h"
#include "shell/Faboutventrel.h"
#include "shell/Fonts.h"
#include "shell/Formutil.h"
#include "shell/Frouterconfig.h"
#include "shell/Hidetask.h"
#include "shell/Viewdoc.h"
#include "snmp/Snmp.h"
#include "widgets/Gaugebar.h"
#include "widgets/Largehtmllabel.h"

namespace {

const QStringList kWaitingText = {
    "Waiting for SNMP packets to be received...<br><br>",
    "If no SNMP packets are received, then use the <Setup> ",
    "button to verify your router settings are correct.",
};

QAction* MakeAction(QMenu* menu, const char* name, const QString& text) {
    QAction* action = text == "-" ? menu->addSeparator() : menu->addAction(text);
    action->setObjectName(name);
    return action;
}

// The packet totals sit above their bars and are as wide: a width that does
// not follow each new number, so a new total repaints only itself.
constexpr int kTotalWidth = 150;

// What a screen reader calls the packet totals, which show a bare number.
const QString kTotalInName = QStringLiteral("Packets received in total");
const QString kTotalOutName = QStringLiteral("Packets sent in total");

// Sets a total's number only when it changes: the same text again would
// still lay it out and repaint it. A reader hears the number with its words.
void SetTotal(QLabel* label, const QString& words, const QString& number) {
    if (label->text() == number) return;
    label->setText(number);
    label->setAccessibleName(words + ": " + number);
}

// A reading on its gauge, or the gauge's "not available".
template <typename Number>
void ShowReading(TGaugeBar* bar, const std::optional<Number>& reading) {
    if (reading) {
        bar->SetPosition(static_cast<double>(*reading));
    } else {
        bar->SetNotAvailable();
    }
}

// Whether a window of `size` at (`left`, `top`) shows on any screen at all.
// In 64 bits: a stored position near the end of the integer range must not
// wrap round to look visible.
bool OnAnyScreen(std::int64_t left, std::int64_t top, QSize size) {
    const std::int64_t right = left + size.width();
    const std::int64_t bottom = top + size.height();
    for (QScreen* screen : QGuiApplication::screens()) {
        const QRect area = screen->availableGeometry();
        if (left < std::int64_t{area.left()} + area.width() && right > area.left() &&
            top < std::int64_t{area.top()} + area.height() && bottom > area.top())
            return true;
    }
    return false;
}

}  // namespace

TFormCiscoMon::TFormCiscoMon(QWidget* parent)
    : QMainWindow(parent),
      Now([] { return QDateTime::currentSecsSinceEpoch(); }),
      Steady([] { return std::chrono::steady_clock::now(); }) {
    setObjectName("FormCiscoMon");
    setWindowTitle("Ventrel");
    setFont(MonitorFont());
    setWindowIcon(VentrelIcon());
    CreateControls();
    CreateMenus();
    NameForReaders();
    ConnectSignals();
    // The client area is fixed; the menu bar sits above it.
    setFixedSize(382, 114 + menuBar()->sizeHint().height());
    setWindowFlag(Qt::WindowMaximizeButtonHint, false);

    config_ = std::make_unique<TCiscoConfig>();
    Config = config_.get();
    Config->Load();
    PlaceWindow();
    Quitting = false;
    CreateTaskbar();
    PageControl1->setCurrentWidget(TabSheetWaiting);
    FormCreate();
}

TFormCiscoMon::~TFormCiscoMon() {
    if (Config == config_.get()) Config = nullptr;
}

void TFormCiscoMon::CreateControls() {
    auto* client = new QWidget(this);
    client->setObjectName("ClientArea");
    client->setFixedSize(382, 114);
    setCentralWidget(client);

    ComboBoxInterface = MakeControl<QComboBox>(client, "ComboBoxInterface", {36, 8, 145, 21});
    // A switch has hundreds of interfaces: the list drops down as a list of
    // a few entries with a scroll bar, not as a menu of them all, whatever
    // the style's own habit.
    ComboBoxInterface->setStyleSheet("QComboBox { combobox-popup: 0; }");
    ButtonSetup = MakeControl<QPushButton>(client, "ButtonSetup", {187, 8, 75, 21});
    ButtonSetup->setText("Setup");

    PageControl1 = MakeControl<QStackedWidget>(client, "PageControl1", {0, 30, 388, 86});
    TabSheetGauges = new QWidget;
    TabSheetGauges->setObjectName("TabSheetGauges");
    TabSheetWaiting = new QWidget;
    TabSheetWaiting->setObjectName("TabSheetWaiting");
    PageControl1->addWidget(TabSheetGauges);
    PageControl1->addWidget(TabSheetWaiting);

    CreateGauges();

    LargeHtmlLabel1 =
        MakeControl<TLargeHtmlLabel>(TabSheetWaiting, "LargeHtmlLabel1", {3, 3, 366, 62});
    LargeHtmlLabel1->SetWordWrap1(1);
    LargeHtmlLabel1->SetLines(kWaitingText);

    TimerPoll = new QTimer(this);
    TimerPoll->setObjectName("TimerPoll");
    TimerRequest = new QTimer(this);
    TimerRequest->setObjectName("TimerRequest");
    for (QTimer* timer : {TimerPoll, TimerRequest}) {
        // Whole seconds: both fire in the same wake-up of the program.
        timer->setTimerType(Qt::VeryCoarseTimer);
        timer->setInterval(1000);
        timer->start();
    }
    TimerWalk = new QTimer(this);
    TimerWalk->setObjectName("TimerWalk");
    // Its pace is the walk's: a coarse timer, which may fire early, would
    // miss every other step.
    TimerWalk->setTimerType(Qt::PreciseTimer);
    TimerWalk->setInterval(static_cast<int>(TInterfaceWalk::kStep.count()));
}

void TFormCiscoMon::CreateGauges() {
    QWidget* page = TabSheetGauges;
    LabelPacketsIn = MakeLabel(page, "LabelPacketsIn", "LabelPacketsIn", {32, 3});
    LabelPacketsOut = MakeLabel(page, "LabelPacketsOut", "LabelPacketsOut", {220, 3});
    for (QLabel* total : {LabelPacketsIn, LabelPacketsOut}) total->setFixedWidth(kTotalWidth);
    MakeLabel(page, "Label3", "In:", {12, 26});
    MakeLabel(page, "Label4", "Out:", {192, 26});
    MakeLabel(page, "Label1", "Mem:", {0, 55});
    MakeLabel(page, "Label2", "CPU:", {190, 55});

    ProgressBarPPSIn = MakeControl<TGaugeBar>(page, "ProgressBarPPSIn", {32, 22, 150, 17});
    ProgressBarPPSOut = MakeControl<TGaugeBar>(page, "ProgressBarPPSOut", {220, 22, 150, 17});
    ProgressBarMem = MakeControl<TGaugeBar>(page, "ProgressBarMem", {32, 52, 150, 17});
    ProgressBarCpu = MakeControl<TGaugeBar>(page, "ProgressBarCpu", {220, 52, 150, 17});
    for (TGaugeBar* bar : {ProgressBarPPSIn, ProgressBarPPSOut, ProgressBarMem, ProgressBarCpu}) {
        ApplyMonitorLook(*bar);
        bar->SetMaximum(100);
        bar->SetStep(10);
        bar->SetGlowAnimation(false);
    }
    // Packet rates jump to each new value; memory and CPU glide.
    for (TGaugeBar* bar : {ProgressBarPPSIn, ProgressBarPPSOut}) {
        bar->Appearance().ValueFormat = "%.0f pps";
        bar->SetProgressAnimation(false);
    }
    for (TGaugeBar* bar : {ProgressBarMem, ProgressBarCpu}) {
        bar->Appearance().ValueFormat = "%.0f%%";
        bar->SetProgressAnimation(true);
    }
}

void TFormCiscoMon::CreateMenus() {
    // Alt+F and Alt+H open them.
    File1 = menuBar()->addMenu("&File");
    File1->setObjectName("File1");
    Exit1 = MakeAction(File1, "Exit1", "Exit");
    Help1 = menuBar()->addMenu("&Help");
    Help1->setObjectName("Help1");
    UsersManual1 = MakeAction(Help1, "UsersManual1", "User's Manual");
    N2 = MakeAction(Help1, "N2", "-");
    About1 = MakeAction(Help1, "About1", "About");
    menuBar()->setObjectName("MainMenu1");

    PopupMenuTaskbar = new QMenu(this);
    PopupMenuTaskbar->setObjectName("PopupMenuTaskbar");
    OpenWindow1 = MakeAction(PopupMenuTaskbar, "OpenWindow1", "Open Window");
    N1 = MakeAction(PopupMenuTaskbar, "N1", "-");
    Quit1 = MakeAction(PopupMenuTaskbar, "Quit1", "Quit");
}

void TFormCiscoMon::NameForReaders() {
    // Words a listener understands for what the eye reads off the window;
    // the gauges speak their values, the waiting text its own words.
    ComboBoxInterface->setAccessibleName("Interface");
    // Where a list's name is its label's, as on Linux, it needs a label;
    // the window shows none, so this one stays hidden.
    QLabel* caption = MakeLabel(ComboBoxInterface->parentWidget(), "LabelInterface", "Interface",
                                ComboBoxInterface->pos());
    caption->setBuddy(ComboBoxInterface);
    caption->hide();
    ButtonSetup->setAccessibleName("Setup");
    ButtonSetup->setAccessibleDescription("The router's address and community");
    ProgressBarPPSIn->setAccessibleName("Packets received per second");
    ProgressBarPPSOut->setAccessibleName("Packets sent per second");
    ProgressBarMem->setAccessibleName("Memory in use");
    ProgressBarCpu->setAccessibleName("CPU load");
    LabelPacketsIn->setAccessibleName(kTotalInName);
    LabelPacketsOut->setAccessibleName(kTotalOutName);
    // Tab goes between the two controls that take the keyboard.
    setTabOrder(ComboBoxInterface, ButtonSetup);
}

void TFormCiscoMon::ConnectSignals() {
    connect(TimerPoll, &QTimer::timeout, this, &TFormCiscoMon::TimerPollTimer);
    connect(TimerRequest, &QTimer::timeout, this, &TFormCiscoMon::TimerRequestTimer);
    connect(TimerWalk, &QTimer::timeout, this, &TFormCiscoMon::TimerWalkTimer);
    // activated fires only when the user picks an entry, never for our own changes.
    connect(ComboBoxInterface, &QComboBox::activated, this,
            &TFormCiscoMon::ComboBoxInterfaceChange);
    connect(ButtonSetup, &QPushButton::clicked, this, &TFormCiscoMon::ButtonSetupClick);
    connect(Exit1, &QAction::triggered, this, &TFormCiscoMon::Exit1Click);
    connect(Quit1, &QAction::triggered, this, &TFormCiscoMon::Quit1Click);
    connect(About1, &QAction::triggered, this, &TFormCiscoMon::About1Click);
    connect(UsersManual1, &QAction::triggered, this, &TFormCiscoMon::UsersManual1Click);
    connect(OpenWindow1, &QAction::triggered, this, &TFormCiscoMon::OpenWindow1Click);
}

void TFormCiscoMon::PlaceWindow() {
    QPoint stored(Config->left, Config->top);
    // A position saved on a screen that is gone would put the window where
    // nobody can see it.
    QScreen* primary = QGuiApplication::primaryScreen();
    if (!OnAnyScreen(Config->left, Config->top, frameGeometry().size()) && primary != nullptr)
        stored = primary->availableGeometry().topLeft();
    move(stored);
}

void TFormCiscoMon::CreateTaskbar() {
    Taskbar = std::make_unique<THideOnTaskbar>();
    Taskbar->form = this;
    Taskbar->tip = "Ventrel";
    Taskbar->callbackMessage = kTrayCallbackMessage;
    Taskbar->icon = windowIcon();
    Taskbar->keyName = Config->name;
    Taskbar->noTrayMessage = QStringLiteral(
        "This desktop has no tray to keep Ventrel in, so its window stays open, and Ventrel "
        "goes on polling. To end Ventrel, choose File \u203A Exit.");
    // The menu before the icon: a StatusNotifier host reads it when the
    // icon registers.
    Taskbar->SetPopupMenu(PopupMenuTaskbar);
    // The icon stays in the tray from now until the program quits.
    Taskbar->SetAlwaysIcon(true);
}

void TFormCiscoMon::FormCreate() {
    Connection = std::make_unique<TSnmpConnection>(Config->hostname, Config->community);
    Connection->Open();
    // A stored instance beyond the first ten keeps an entry of its own until
    // the walk finds it; a negative one leaves nothing selected.
    Config->ChooseInterface(Config->selectedInterface);
    ShowInterfaceList();
    StartWalk(false);
}

int TFormCiscoMon::SelectedInstance() const {
    const QVariant instance = ComboBoxInterface->currentData();
    return instance.isValid() ? instance.toInt() : -1;
}

void TFormCiscoMon::ComboBoxInterfaceChange(int) {
    if (Config == nullptr) return;
    const int instance = SelectedInstance();
    if (instance == Config->selectedInterface) return;
    Config->selectedInterface = instance;
    Config->ChooseInterface(instance);
    Config->Save();
    // A stored interface the router never had keeps its entry only while it
    // is chosen; the list is mended once the box has finished its change.
    QMetaObject::invokeMethod(this, &TFormCiscoMon::ShowInterfaceList, Qt::QueuedConnection);
}

void TFormCiscoMon::StartWalk(bool forget) {
    Config->walk.Start(Steady(), forget);
    TimerWalk->start();
}

void TFormCiscoMon::TimerRequestTimer() {
    if (!Connection) return;
    if (Config->walk.RetryDue(Steady())) StartWalk(false);
    Config->RequestTick(Now(), SelectedInstance(),
                        [this](const std::string& oid) { Connection->SendGet(oid); });
}

bool TFormCiscoMon::FileReply(const TSnmpValue& reply, std::int64_t now) {
    if (reply.next) {
        Config->walk.Take(reply);
        return false;
    }
    return Config->FileReply(reply, now);
}

void TFormCiscoMon::TimerPollTimer() {
    const std::int64_t now = Now();
    bool anyMatched = false;
    for (const auto& held : heldReplies_) anyMatched = FileReply(*held, now) || anyMatched;
    heldReplies_.clear();
    std::unique_ptr<TSnmpValue> reply;
    for (int n = 0; Connection && n < maxRepliesPerTick && Connection->Poll(reply) > 0; ++n) {
        anyMatched = FileReply(*reply, now) || anyMatched;
        reply.reset();
    }
    std::optional<TReadings> readings;
    if (anyMatched) readings = UpdateGauges();
    if (Config->walk.version() != shownWalkVersion_) ShowInterfaceList();
    Config->ClearFresh();
    UpdateTray(now, readings ? &*readings : nullptr);
}

void TFormCiscoMon::TimerWalkTimer() {
    // The walk's answers are taken as they come; the rest wait for the poll
    // tick, which files them with its time and shows them once a second.
    std::unique_ptr<TSnmpValue> reply;
    while (Connection && heldReplies_.size() < static_cast<std::size_t>(maxRepliesPerTick) &&
           Connection->Poll(reply) > 0) {
        if (reply->next) {
            Config->walk.Take(*reply);
        } else {
            heldReplies_.push_back(std::move(reply));
        }
        reply.reset();
    }
    if (std::optional<std::string> oid = Config->walk.Due(Steady()); oid && Connection)
        Connection->SendGetNext(*oid);
    if (!Config->walk.Walking()) TimerWalk->stop();
}

void TFormCiscoMon::ShowInterfaceList() {
    // Entries come in instance order, the list's too: new ones are put in
    // their place, gone ones taken out, renamed ones renamed, and the
    // selected entry stays selected, wherever it moved.
    const std::vector<TListEntry> list = InterfaceList(*Config);
    QComboBox* box = ComboBoxInterface;
    int row = 0;
    for (const TListEntry& entry : list) {
        while (row < box->count() && box->itemData(row).toInt() < entry.instance)
            box->removeItem(row);
        const QString text = QString::fromLocal8Bit(entry.text);
        if (row < box->count() && box->itemData(row).toInt() == entry.instance) {
            if (box->itemText(row) != text) box->setItemText(row, text);
        } else {
            box->insertItem(row, text, entry.instance);
        }
        ++row;
    }
    while (box->count() > row) box->removeItem(row);
    const int selected = box->findData(Config->selectedInterface);
    if (box->currentIndex() != selected) box->setCurrentIndex(selected);
    shownWalkVersion_ = Config->walk.version();
}

TReadings TFormCiscoMon::UpdateGauges() {
    if (PageControl1->currentWidget() == TabSheetWaiting)
        PageControl1->setCurrentWidget(TabSheetGauges);

    // Renaming an item never changes the selection, so it can be read first.
    const TReadings readings = ComputeReadings(*Config, SelectedInstance());
    ShowReading(ProgressBarCpu, readings.cpu);
    ShowReading(ProgressBarMem, readings.memory);
    if (InterfaceNamesFresh(*Config)) ShowInterfaceList();
    if (readings.interfaceSelected) UpdatePacketGauges(readings);
    return readings;
}

void TFormCiscoMon::UpdatePacketGauges(const TReadings& readings) {
    for (auto [label, words, bar, traffic] :
         {std::tuple{LabelPacketsIn, kTotalInName, ProgressBarPPSIn, readings.in},
          std::tuple{LabelPacketsOut, kTotalOutName, ProgressBarPPSOut, readings.out}}) {
        if (!traffic) {
            SetTotal(label, words, TGaugeBar::kNotAvailableText);
            bar->SetNotAvailable();
            continue;
        }
        SetTotal(label, words, QString::number(traffic->total));
        const TGaugeSetting gauge = PacketGauge(traffic->pps, bar->Maximum());
        bar->SetMaximum(gauge.maximum);
        bar->SetPosition(gauge.position);
    }
}

void TFormCiscoMon::UpdateTray(std::int64_t now, const TReadings* readings) {
    const std::string entry = readings != nullptr && readings->interfaceSelected
                                  ? InterfaceEntry(*Config, SelectedInstance())
                                  : std::string();
    const TTrayNews::TNews news =
        trayNews_.Tick(now, readings, entry, PageControl1->currentWidget() == TabSheetGauges);
    if (news.notice != TOutage::TNotice::None) {
        Taskbar->ShowMessage(windowTitle(), QString::fromUtf8(news.noticeText),
                             news.notice == TOutage::TNotice::Stopped
                                 ? QSystemTrayIcon::Warning
                                 : QSystemTrayIcon::Information);
    }
    if (news.tip) Taskbar->SetTip(*news.tip);
}

void TFormCiscoMon::ButtonSetupClick() {
    TFormRouterConfig dialog(*Config, this);
    PlaceDialog(this, &dialog);
    if (dialog.exec() != QDialog::Accepted) return;
    Connection->SetHost(Config->hostname);
    // Confirmed, changed or not: a name is looked up again, so a router
    // whose name failed (or moved) is found without a restart.
    Connection->LookUpAgain();
    Connection->SetCommunity(Config->community);
    Config->ForgetAbsent();
    StartWalk(true);
    ShowInterfaceList();
    Config->Save();
    PageControl1->setCurrentWidget(TabSheetWaiting);
    Taskbar->SetTip(WaitingTip());
}

void TFormCiscoMon::About1Click() {
    TFormAboutVentrel dialog(this);
    PlaceDialog(this, &dialog);
    dialog.exec();
}

void TFormCiscoMon::UsersManual1Click() { OpenManual("ventrel", StartDirectory(), false); }

void TFormCiscoMon::OpenWindow1Click() { Taskbar->RequestRestore(); }

void TFormCiscoMon::Exit1Click() {
    Quitting = true;
    // The window may be hidden in the tray, and hidden windows never end
    // the application by themselves.
    if (close()) QCoreApplication::quit();
}

void TFormCiscoMon::Quit1Click() { Exit1Click(); }

void TFormCiscoMon::closeEvent(QCloseEvent* event) { FormClose(event); }

void TFormCiscoMon::FormClose(QCloseEvent* event) {
    if (!Quitting) {
        // Closing hides to the tray; polling goes on.
        Taskbar->HideToTray();
        event->ignore();
        return;
    }
    if (Config != nullptr) {
        // Where the platform keeps the window's place to itself (Wayland),
        // x() and y() read 0, 0: the stored place, which an X11 session
        // uses, stays as it was.
        if (Desktop().Windowing().knowsPosition) {
            Config->top = y();
            Config->left = x();
        }
        Config->Save();
    }
    if (Taskbar) Taskbar->RemoveIcon();
    event->accept();
}

// The main window: the interface list, the Setup button, the four gauges and
// the two one-second timers that poll the router.
#pragma once

#include <QMainWindow>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "router/Traynews.h"

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QPushButton;
class QStackedWidget;
class QTimer;
class TCiscoConfig;
class TGaugeBar;
class THideOnTaskbar;
class TLargeHtmlLabel;
class TSnmpConnection;
class TSnmpValue;
struct TReadings;

class TFormCiscoMon : public QMainWindow {
    Q_OBJECT

public:
    explicit TFormCiscoMon(QWidget* parent = nullptr);
    ~TFormCiscoMon() override;

    // The wall clock in whole seconds, and the clock that paces the walk of
    // the router's interfaces; tests set their own.
    std::function<std::int64_t()> Now;
    std::function<std::chrono::steady_clock::time_point()> Steady;

    // At most this many datagrams are read in one poll tick, so that a flood
    // at the local port cannot freeze the window; the rest wait for the next.
    int maxRepliesPerTick = 256;

    QTimer* TimerPoll;
    QTimer* TimerRequest;
    // Runs only while the router's interfaces are walked, at the walk's pace.
    QTimer* TimerWalk;
    QComboBox* ComboBoxInterface;
    QPushButton* ButtonSetup;
    QMenu* File1;
    QMenu* Help1;
    QAction* About1;
    QAction* Exit1;
    QMenu* PopupMenuTaskbar;
    QAction* OpenWindow1;
    QAction* N1;
    QAction* Quit1;
    QAction* N2;
    QAction* UsersManual1;
    QStackedWidget* PageControl1;
    QWidget* TabSheetGauges;
    QLabel* LabelPacketsIn;
    TGaugeBar* ProgressBarPPSIn;
    TGaugeBar* ProgressBarPPSOut;
    TGaugeBar* ProgressBarMem;
    TGaugeBar* ProgressBarCpu;
    QLabel* LabelPacketsOut;
    QWidget* TabSheetWaiting;
    TLargeHtmlLabel* LargeHtmlLabel1;

    TSnmpConnection* connection() const { return Connection.get(); }
    THideOnTaskbar* taskbar() const { return Taskbar.get(); }

    // The instance of the interface selected in the list, or -1.
    int SelectedInstance() const;

public slots:
    void TimerRequestTimer();
    void TimerPollTimer();
    void TimerWalkTimer();
    void ComboBoxInterfaceChange(int index);
    void ButtonSetupClick();
    void Exit1Click();
    void Quit1Click();
    void About1Click();
    void UsersManual1Click();
    void OpenWindow1Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateControls();
    void CreateGauges();
    void CreateMenus();
    void NameForReaders();
    void ConnectSignals();
    void PlaceWindow();
    void CreateTaskbar();
    void FormCreate();
    void FormClose(QCloseEvent* event);
    TReadings UpdateGauges();
    void UpdatePacketGauges(const TReadings& readings);
    // The list's entries as the model has them, the selection kept.
    void ShowInterfaceList();
    void StartWalk(bool forget);
    // Files a reply of the link: a walk's answer to the walk, any other to
    // the model. Returns whether a variable matched.
    bool FileReply(const TSnmpValue& reply, std::int64_t now);
    // The tray's tip and balloons, once per poll tick; `readings` when a
    // reply matched in it.
    void UpdateTray(std::int64_t now, const TReadings* readings);

    std::unique_ptr<TCiscoConfig> config_;
    std::unique_ptr<TSnmpConnection> Connection;
    bool Quitting = false;
    std::unique_ptr<THideOnTaskbar> Taskbar;
    TTrayNews trayNews_;
    // Replies the walk's ticks read between two poll ticks, filed by the
    // next poll tick as if read there.
    std::vector<std::unique_ptr<TSnmpValue>> heldReplies_;
    int shownWalkVersion_ = -1;
};

// The main window: the interface list, the Setup button, the four gauges and
// the two one-second timers that poll the router.
#pragma once

#include <QMainWindow>
#include <cstdint>
#include <functional>
#include <memory>

#include "router/Outage.h"

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
struct TReadings;

class TFormCiscoMon : public QMainWindow {
    Q_OBJECT

public:
    explicit TFormCiscoMon(QWidget* parent = nullptr);
    ~TFormCiscoMon() override;

    // The wall clock in whole seconds; tests set their own.
    std::function<std::int64_t()> Now;

    // At most this many datagrams are read in one poll tick, so that a flood
    // at the local port cannot freeze the window; the rest wait for the next.
    int maxRepliesPerTick = 256;

    QTimer* TimerPoll;
    QTimer* TimerRequest;
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

public slots:
    void TimerRequestTimer();
    void TimerPollTimer();
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
    // The tray's tip and balloons, once per poll tick; `readings` when a
    // reply matched in it.
    void UpdateTray(std::int64_t now, const TReadings* readings);

    std::unique_ptr<TCiscoConfig> config_;
    std::unique_ptr<TSnmpConnection> Connection;
    bool Quitting = false;
    std::unique_ptr<THideOnTaskbar> Taskbar;
    TOutage outage_;
};

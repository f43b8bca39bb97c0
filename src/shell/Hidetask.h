// The tray controller: keeps the program's icon in the tray, hides every
// window into it, brings them back on a click (asking for the restore
// password when the settings say so), and gives the tray its menu.
#pragma once

#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "shell/Trayhost.h"

class QWidget;
class TFormRestore;

// Mouse events on the icon, as the tray reports them to the window.
inline constexpr long kTrayLeftButtonDown = 513;
inline constexpr long kTrayLeftButtonDoubleClick = 515;
inline constexpr long kTrayRightButtonDown = 516;
inline constexpr long kTrayMiddleButtonDown = 519;
inline constexpr unsigned kTrayCallbackMessage = 1125;  // WM_USER + 101

// The stored tray settings: read at every hide, written by the Tray page of
// the Configuration dialog (the boss key never).
inline constexpr const char* kPasswordValue = "hidetask_password";
inline constexpr const char* kUsePasswordValue = "hidetask_usepassword";
inline constexpr const char* kUseBossKeyValue = "hidetask_usebosskey";

// The tray's message to the window: the mouse event is in `lParam`.
struct TTrayMessage {
    unsigned message = kTrayCallbackMessage;
    unsigned long wParam = 0;
    long lParam = 0;
};

// The mouse event a tray activation stands for.
long TrayMouseEvent(QSystemTrayIcon::ActivationReason reason);

// True when the entry equals the password, letters compared without regard
// to their case and every other byte exactly.
bool SamePassword(std::string_view entered, std::string_view password);

class THideOnTaskbar : public QObject {
    Q_OBJECT

public:
    static constexpr std::size_t kMaxHiddenForms = 256;

    explicit THideOnTaskbar(QObject* parent = nullptr);
    ~THideOnTaskbar() override;

    void SetAlwaysIcon(bool flag);
    void HideToTray();
    void RemoveIcon();
    void HandleTrayMessage(const TTrayMessage& message);
    void RequestRestore();
    // The icon's menu. Qt shows it on an XEmbed tray and on Windows, and
    // exports it over D-Bus to a StatusNotifier host, which draws it itself:
    // nothing here pops it up.
    void SetPopupMenu(QMenu* menu);
    QMenu* PopupMenu() const { return popupMenu_; }
    // A new tip for the icon in UTF-8, as the program writes its own texts,
    // cut to kTipLimit bytes; the tray hears of it only when it changed.
    void SetTip(std::string_view text);
    // A balloon message from the icon, where the tray shows it and shows
    // the icon; elsewhere nothing.
    void ShowMessage(const QString& title, const QString& text, QSystemTrayIcon::MessageIcon kind);

    QPointer<QWidget> form;
    unsigned callbackMessage = 0;
    std::string tip = "Restore";
    QIcon icon;
    bool hidden = false;
    bool restoring = false;
    bool usePassword = false;
    bool useBossKey = false;  // read and kept; nothing acts on it
    bool iconShown = false;
    bool alwaysIcon = false;
    std::string password;
    std::string keyName = "qvhidetask";
    QPointer<TFormRestore> restoreDialog;
    std::vector<QPointer<QWidget>> hiddenForms;
    // Told once, under the form's title, when a close can neither hide the
    // forms into a tray nor minimise them (Wayland without a StatusNotifier
    // host): how to end the program instead. Empty: nothing is told.
    QString noTrayMessage;

    // Whether the desktop shows a tray now; tests replace it.
    std::function<bool()> trayAvailable = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
    // Whether a StatusNotifier host runs now; tests replace it.
    std::function<bool()> trayHostRunning = &TTrayHostWatch::HostRunning;

    // Where Qt looks for a StatusNotifier host only once, the icon waits for
    // one: the session bus changed, and a host may run now.
    void TrayHostChanged();

    QSystemTrayIcon* trayIcon() const { return trayIcon_.get(); }

protected:
    // Keeps a form hidden whose way back is the password when something
    // else maps it (a window manager's action, another program).
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void AddIcon();
    bool IconMayBeMade();
    bool TrayShows() const;
    void KeepOnScreen();
    void DeleteIcon();
    void LoadTraySettings();
    void HideForms();
    void ShowForms();
    void RestoreWindows();
    void Activated(QSystemTrayIcon::ActivationReason reason);
    void GuardHiddenForms();
    void HideAgain();

    QPointer<QMenu> popupMenu_;
    std::unique_ptr<QSystemTrayIcon> trayIcon_;
    QPointer<TTrayHostWatch> hostWatch_;  // while the icon waits for a host
    bool toldNoTray_ = false;
    bool guarded_ = false;      // hidden, and only the password brings the forms back
    bool hidingAgain_ = false;  // a HideAgain is on its way
};

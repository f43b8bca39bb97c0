// The tray controller: keeps the program's icon in the tray, hides every
// window into it, brings them back on a click (asking for the restore
// password when the settings say so), and shows the tray menu.
#pragma once

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QMenu;
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
    static constexpr std::size_t kMaxTip = 127;

    explicit THideOnTaskbar(QObject* parent = nullptr);
    ~THideOnTaskbar() override;

    void SetAlwaysIcon(bool flag);
    void HideToTray();
    void RemoveIcon();
    void HandleTrayMessage(const TTrayMessage& message);
    void RequestRestore();
    // A new tip for the icon in UTF-8, as the program writes its own texts,
    // cut to kMaxTip bytes; the tray hears of it only when it changed.
    void SetTip(std::string_view text);
    // A balloon message from the icon, where the tray shows it and shows
    // the icon; elsewhere nothing.
    void ShowMessage(const QString& title, const QString& text, QSystemTrayIcon::MessageIcon kind);

    QMenu* popupMenu = nullptr;
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

    // Whether the desktop shows a tray now; tests replace it.
    std::function<bool()> trayAvailable = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };

    QSystemTrayIcon* trayIcon() const { return trayIcon_.get(); }

protected:
    // Keeps a form hidden whose way back is the password when something
    // else maps it (a window manager's action, another program).
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void AddIcon();
    void DeleteIcon();
    void LoadTraySettings();
    void HideForms();
    void ShowForms();
    void RestoreWindows();
    void ShowTrayMenu();
    void Activated(QSystemTrayIcon::ActivationReason reason);
    void GuardHiddenForms();
    void HideAgain();

    std::unique_ptr<QSystemTrayIcon> trayIcon_;
    bool guarded_ = false;      // hidden, and only the password brings the forms back
    bool hidingAgain_ = false;  // a HideAgain is on its way
};

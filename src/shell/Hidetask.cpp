#include "shell/Hidetask.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <cstring>

#include "router/SettingsKey.h"
#include "shell/Desktop.h"
#include "shell/Frestore.h"
#include "shell/Strconv.h"
#include "snmp/Limits.h"
#include "snmp/Strutil.h"

long TrayMouseEvent(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
        case QSystemTrayIcon::Trigger:
            return kTrayLeftButtonDown;
        case QSystemTrayIcon::Context:
            return kTrayRightButtonDown;
        case QSystemTrayIcon::DoubleClick:
            return kTrayLeftButtonDoubleClick;
        case QSystemTrayIcon::MiddleClick:
            return kTrayMiddleButtonDown;
        case QSystemTrayIcon::Unknown:
            break;
    }
    return 0;
}

bool SamePassword(std::string_view entered, std::string_view password) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (entered.size() != password.size()) return false;
    for (std::size_t i = 0; i < entered.size(); ++i) {
        if (lower(entered[i]) != lower(password[i])) return false;
    }
    return true;
}

THideOnTaskbar::THideOnTaskbar(QObject* parent) : QObject(parent) { setObjectName("Taskbar"); }

THideOnTaskbar::~THideOnTaskbar() = default;

void THideOnTaskbar::SetAlwaysIcon(bool flag) {
    alwaysIcon = flag;
    AddIcon();
}

void THideOnTaskbar::AddIcon() {
    iconShown = true;
    if (!trayIcon_) {
        if (!IconMayBeMade()) return;
        trayIcon_ = std::make_unique<QSystemTrayIcon>();
        trayIcon_->setObjectName("TrayIcon");
        connect(trayIcon_.get(), &QSystemTrayIcon::activated, this, &THideOnTaskbar::Activated);
        // Before the icon shows: a StatusNotifier host reads the item's
        // menu only when the item registers.
        trayIcon_->setContextMenu(popupMenu_);
    }
    trayIcon_->setIcon(icon);
    tip.resize(CutText(tip, kTipLimit).size());
    trayIcon_->setToolTip(QString::fromUtf8(tip));
    // Where no tray runs yet, the icon docks as soon as one appears.
    trayIcon_->show();
}

bool THideOnTaskbar::IconMayBeMade() {
    // Qt asks for a StatusNotifier host when the first icon is made, and
    // there (Wayland) never again: an icon made before a host runs would
    // stay out of every tray for the whole run. So it waits for a host.
    if (!Desktop().Windowing().trayLookedUpOnce || trayHostRunning()) return true;
    if (!hostWatch_) {
        hostWatch_ = new TTrayHostWatch(this);
        connect(hostWatch_, &TTrayHostWatch::Changed, this, &THideOnTaskbar::TrayHostChanged);
    }
    return false;
}

void THideOnTaskbar::TrayHostChanged() {
    if (trayIcon_ || !trayHostRunning()) return;
    if (hostWatch_) hostWatch_->deleteLater();
    if (iconShown) AddIcon();
}

bool THideOnTaskbar::TrayShows() const { return trayIcon_ && trayAvailable(); }

void THideOnTaskbar::SetPopupMenu(QMenu* menu) {
    popupMenu_ = menu;
    if (!trayIcon_) return;
    trayIcon_->setContextMenu(menu);
    if (trayIcon_->isVisible()) {
        // Shown anew, the icon registers again, and the host reads the menu.
        trayIcon_->hide();
        trayIcon_->show();
    }
}

void THideOnTaskbar::DeleteIcon() {
    if (trayIcon_) trayIcon_->hide();
    iconShown = false;
}

void THideOnTaskbar::SetTip(std::string_view text) {
    text = CutText(text, kTipLimit);
    if (text == tip) return;
    tip = text;
    if (trayIcon_) trayIcon_->setToolTip(QString::fromUtf8(tip));
}

void THideOnTaskbar::ShowMessage(const QString& title, const QString& text,
                                 QSystemTrayIcon::MessageIcon kind) {
    if (!iconShown || !TrayShows() || !Desktop().SupportsTrayMessages()) return;
    Desktop().ShowTrayMessage(*trayIcon_, title, text, kind);
}

void THideOnTaskbar::RemoveIcon() {
    if (iconShown) DeleteIcon();
}

void THideOnTaskbar::LoadTraySettings() {
    SettingsKey key;
    key.Open(keyName);
    std::string stored;
    key.ReadString(kPasswordValue, "", stored, kTextBufferSize);
    // Fails closed: "yes" asks for the password, as 1 does.
    usePassword = key.ReadFlag(kUsePasswordValue);
    password = stored;
    useBossKey = key.ReadInteger(kUseBossKeyValue, 0) != 0;
    key.Close();
}

namespace {

// The program's own windows: not its menus or tool tips, and not the window
// that shows the tray icon itself.
bool IsForm(const QWidget* widget) {
    const Qt::WindowType type = widget->windowType();
    return (type == Qt::Window || type == Qt::Dialog) &&
           std::strcmp(widget->metaObject()->className(), "QSystemTrayIconSys") != 0;
}

}  // namespace

void THideOnTaskbar::HideForms() {
    // Collect first, hide afterwards: hiding changes what is visible.
    hiddenForms.clear();
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible() && IsForm(widget) && hiddenForms.size() < kMaxHiddenForms) {
            hiddenForms.emplace_back(widget);
        }
    }
    for (const auto& widget : hiddenForms) {
        if (widget) widget->hide();
    }
}

void THideOnTaskbar::ShowForms() {
    for (const auto& widget : hiddenForms) {
        if (!widget) continue;
        widget->setEnabled(true);
        widget->show();
    }
}

void THideOnTaskbar::HideToTray() {
    LoadTraySettings();
    if (icon.isNull()) {
        Desktop().MessageBox("Internal Error: Taskbar icon is NULL", "Error");
        return;
    }
    AddIcon();
    if (!TrayShows()) {
        // Without a tray nobody could bring a hidden window back.
        KeepOnScreen();
        return;
    }
    HideForms();
    hidden = true;
    guarded_ = usePassword;
    if (guarded_) GuardHiddenForms();
}

void THideOnTaskbar::KeepOnScreen() {
    QWidget* window = form.data();
    if (Desktop().Windowing().canMinimise) {
        if (window != nullptr) window->showMinimized();
        return;
    }
    // Nowhere to put the window: it stays, and a close that seemed to do
    // nothing says once how to end the program.
    if (toldNoTray_ || noTrayMessage.isEmpty()) return;
    toldNoTray_ = true;
    Desktop().MessageBox(noTrayMessage, window != nullptr ? window->windowTitle() : QString());
}

void THideOnTaskbar::GuardHiddenForms() {
    for (const auto& widget : hiddenForms) {
        QWidget* hiddenForm = widget.data();
        if (QWindow* window = hiddenForm != nullptr ? hiddenForm->windowHandle() : nullptr) {
            window->installEventFilter(this);
        }
    }
}

bool THideOnTaskbar::eventFilter(QObject* watched, QEvent* event) {
    // Mapped from outside, a hidden form is exposed while Qt still counts it
    // hidden: nothing of it may be drawn, and it goes again at once.
    if (event->type() == QEvent::Expose && hidden && guarded_) {
        auto* window = qobject_cast<QWindow*>(watched);
        if (window != nullptr && window->isExposed() && !window->isVisible()) {
            HideAgain();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void THideOnTaskbar::HideAgain() {
    if (hidingAgain_) return;
    hidingAgain_ = true;
    QTimer::singleShot(0, this, [this] {
        hidingAgain_ = false;
        if (!hidden || !guarded_) return;
        for (const auto& widget : hiddenForms) {
            QWidget* hiddenForm = widget.data();
            if (hiddenForm == nullptr || hiddenForm->isVisible()) continue;
            const QWindow* window = hiddenForm->windowHandle();
            if (window == nullptr || !window->isExposed()) continue;
            // Qt unmaps only a window it counts shown.
            hiddenForm->show();
            hiddenForm->hide();
        }
    });
}

void THideOnTaskbar::RestoreWindows() {
    guarded_ = false;
    if (!alwaysIcon) DeleteIcon();
    ShowForms();
    hidden = false;
}

void THideOnTaskbar::Activated(QSystemTrayIcon::ActivationReason reason) {
    HandleTrayMessage({callbackMessage, 0, TrayMouseEvent(reason)});
}

void THideOnTaskbar::HandleTrayMessage(const TTrayMessage& message) {
    // A right press needs nothing here: the tray shows the icon's menu
    // itself, and a second one popped by hand would open over it (on
    // Wayland as a window of its own).
    if (message.lParam == kTrayLeftButtonDown) RequestRestore();
}

void THideOnTaskbar::RequestRestore() {
    if (restoring) {
        // The password dialog is open: bring it forward, nothing more.
        if (restoreDialog) {
            // Where no program may raise itself, a window mapped anew goes on
            // top; the activation below then has the host's token, where the
            // host gave one.
            if (!Desktop().Windowing().canRaise) restoreDialog->ShowAgain();
            restoreDialog->show();
            restoreDialog->raise();
            restoreDialog->activateWindow();
        }
        return;
    }
    restoring = true;
    QWidget* window = form.data();
    if (!hidden && window != nullptr && window->isVisible()) {
        // On screen, perhaps minimised or behind others: no password asked.
        if (window->isMinimized()) window->showNormal();
        window->raise();
        window->activateWindow();
    } else if (usePassword) {
        TFormRestore dialog(form);
        restoreDialog = &dialog;
        const bool ok = dialog.RunModal() == QDialog::Accepted;
        // Cut as the stored password was read: one longer than the store
        // holds matches by the part it keeps.
        const std::string entered = TextToBuffer(dialog.EditPassword->text());
        restoreDialog = nullptr;
        if (ok && SamePassword(entered, password)) {
            RestoreWindows();
        } else if (ok) {
            Desktop().MessageBox("Invalid Password", "Invalid Password");
        }
    } else {
        RestoreWindows();
    }
    restoring = false;
}

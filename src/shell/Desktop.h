// The few desktop-shell services the program uses: opening a document or web
// page, a message box with an OK button, the tray's balloon messages, the
// program's own path, the primary screen's size, and what the windowing
// platform lets a program do. Tests install their own so that no browser
// starts and no message box blocks, and play any platform.
#pragma once

#include <QRect>
#include <QString>
#include <QSystemTrayIcon>

// What the windowing platform lets a program do with its windows. Wayland
// keeps a window's place on the screen to the compositor, tells a program
// nothing of whether a request to minimise did anything (sway ignores it),
// lets no program raise itself, and there Qt looks for a StatusNotifier tray
// only once.
struct TWindowing {
    bool knowsPosition = true;  // a window can learn where it is
    bool canMinimise = true;    // a minimised window goes where the user finds it
    bool canRaise = true;       // a window can put itself over the others
    // Qt decides at the first tray icon, for good, whether a StatusNotifier
    // host runs; X11's trays it watches for itself.
    bool trayLookedUpOnce = false;
};

class TDesktop {
public:
    virtual ~TDesktop() = default;

    // Hands a local file or a web address to the user's program for it.
    virtual void Open(const QString& pathOrUrl);
    // A modal message with an OK button and no owner window.
    virtual void MessageBox(const QString& text, const QString& caption);
    // Whether the desktop's tray shows balloon messages at all.
    virtual bool SupportsTrayMessages();
    // A balloon message from `icon`, gone by itself after a while.
    virtual void ShowTrayMessage(QSystemTrayIcon& icon, const QString& title, const QString& text,
                                 QSystemTrayIcon::MessageIcon kind);
    virtual QString ApplicationFilePath();
    virtual QRect PrimaryScreen();
    virtual TWindowing Windowing();
};

// The desktop in use; the real one unless a test replaced it.
TDesktop& Desktop();

// Replaces the desktop in use (nullptr puts the real one back). Not owned.
void SetDesktop(TDesktop* desktop);

// The few desktop-shell services the program uses: opening a document or web
// page, a message box with an OK button, the tray's balloon messages, the
// program's own path and the primary screen's size. Tests install their own
// so that no browser starts and no message box blocks.
#pragma once

#include <QRect>
#include <QString>
#include <QSystemTrayIcon>

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
};

// The desktop in use; the real one unless a test replaced it.
TDesktop& Desktop();

// Replaces the desktop in use (nullptr puts the real one back). Not owned.
void SetDesktop(TDesktop* desktop);

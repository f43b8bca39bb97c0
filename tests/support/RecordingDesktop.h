// A desktop that records what the program asks of it instead of doing it:
// no browser starts, no message box blocks, no balloon shows. Installed for
// the life of the object.
#pragma once

#include <QStringList>

#include "shell/Desktop.h"

class TRecordingDesktop : public TDesktop {
public:
    TRecordingDesktop() { SetDesktop(this); }
    ~TRecordingDesktop() override { SetDesktop(nullptr); }
    TRecordingDesktop(const TRecordingDesktop&) = delete;
    TRecordingDesktop& operator=(const TRecordingDesktop&) = delete;

    void Open(const QString& path) override { opened << path; }
    void MessageBox(const QString& text, const QString& caption) override {
        messages << caption + ": " + text;
    }
    bool SupportsTrayMessages() override { return trayMessages; }
    void ShowTrayMessage(QSystemTrayIcon& /*icon*/, const QString& title, const QString& text,
                         QSystemTrayIcon::MessageIcon /*kind*/) override {
        balloons << title + ": " + text;
    }
    TWindowing Windowing() override { return windowing; }
    QString ApplicationFilePath() override {
        return program.isNull() ? TDesktop::ApplicationFilePath() : program;
    }

    QStringList opened;
    QStringList messages;
    QStringList balloons;
    bool trayMessages = true;  // whether the tray shows balloons
    QString program;           // null: the real path
    TWindowing windowing;      // X11's, unless a test plays another
};

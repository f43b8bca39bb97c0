#include "shell/Desktop.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QUrl>

namespace {
TDesktop realDesktop;
TDesktop* current = &realDesktop;
}  // namespace

void TDesktop::Open(const QString& pathOrUrl) {
    QUrl url = QUrl(pathOrUrl, QUrl::StrictMode);
    if (url.scheme().isEmpty() || QFileInfo::exists(pathOrUrl)) {
        url = QUrl::fromLocalFile(QFileInfo(pathOrUrl).absoluteFilePath());
    }
    QDesktopServices::openUrl(url);
}

void TDesktop::MessageBox(const QString& text, const QString& caption) {
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok);
    box.exec();
}

bool TDesktop::SupportsTrayMessages() { return QSystemTrayIcon::supportsMessages(); }

void TDesktop::ShowTrayMessage(QSystemTrayIcon& icon, const QString& title, const QString& text,
                               QSystemTrayIcon::MessageIcon kind) {
    icon.showMessage(title, text, kind);
}

QString TDesktop::ApplicationFilePath() { return QCoreApplication::applicationFilePath(); }

QRect TDesktop::PrimaryScreen() {
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect();
}

TWindowing TDesktop::Windowing() {
    if (!QGuiApplication::platformName().startsWith("wayland")) return {};
    return {
        .knowsPosition = false, .canMinimise = false, .canRaise = false, .trayLookedUpOnce = true};
}

TDesktop& Desktop() { return *current; }

void SetDesktop(TDesktop* desktop) { current = desktop ? desktop : &realDesktop; }

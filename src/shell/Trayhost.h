// Watches the session bus for a StatusNotifier host: the tray of KDE, of
// GNOME's AppIndicator extension, of xfce4-panel and of waybar. Qt looks for
// one only when the first tray icon is made; where it does so for good
// (Wayland), the icon waits for this watch to see a host.
#pragma once

#include <QObject>

class TTrayHostWatch : public QObject {
    Q_OBJECT

public:
    explicit TTrayHostWatch(QObject* parent = nullptr);

    // Whether a host is registered with the bus's StatusNotifierWatcher now,
    // as Qt asks it.
    static bool HostRunning();

signals:
    // A watcher came onto the bus, or a host registered with it.
    void Changed();
};

#include "shell/Trayhost.h"

#ifdef VENTREL_HAVE_DBUS
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDBusVariant>

namespace {

const QString kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString kWatcherInterface = QStringLiteral("org.kde.StatusNotifierWatcher");

// A watcher that hangs must not hang the window.
constexpr int kCallTimeoutMs = 2000;

}  // namespace

TTrayHostWatch::TTrayHostWatch(QObject* parent) : QObject(parent) {
    setObjectName("TrayHostWatch");
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return;
    auto* watcher = new QDBusServiceWatcher(kWatcherService, bus,
                                            QDBusServiceWatcher::WatchForRegistration, this);
    watcher->setObjectName("StatusNotifierWatcherWatch");
    connect(watcher, &QDBusServiceWatcher::serviceRegistered, this, &TTrayHostWatch::Changed);
    // From any sender: the watcher's unique name is not known before it runs.
    bus.connect(QString(), kWatcherPath, kWatcherInterface, "StatusNotifierHostRegistered", this,
                SIGNAL(Changed()));
}

bool TTrayHostWatch::HostRunning() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || bus.interface() == nullptr ||
        !bus.interface()->isServiceRegistered(kWatcherService))
        return false;
    QDBusMessage get = QDBusMessage::createMethodCall(kWatcherService, kWatcherPath,
                                                      "org.freedesktop.DBus.Properties", "Get");
    get << kWatcherInterface << QStringLiteral("IsStatusNotifierHostRegistered");
    const QDBusMessage reply = bus.call(get, QDBus::Block, kCallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return false;
    return reply.arguments().constFirst().value<QDBusVariant>().variant().toBool();
}

#else

// Without D-Bus (Windows) Qt's own tray serves.
TTrayHostWatch::TTrayHostWatch(QObject* parent) : QObject(parent) {
    setObjectName("TrayHostWatch");
}

bool TTrayHostWatch::HostRunning() { return false; }

#endif

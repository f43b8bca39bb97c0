#include "bench/BenchRouter.h"

#include <QDir>
#include <QFile>
#include <cstdio>

bool WriteBenchSettings(const QTemporaryDir& home, const QByteArray& general) {
    if (!home.isValid()) return false;
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    QDir(home.path()).mkpath("Quillot");
    QFile settings(home.path() + "/Quillot/ventrel.conf");
    return settings.open(QIODevice::WriteOnly) && settings.write("[General]\n" + general) > 0;
}

bool StartBenchRouter(QProcess& router, const QStringList& options) {
    router.setProcessChannelMode(QProcess::MergedChannels);
    router.start(SIMROUTER_PATH, QStringList{"--port", "16161"} + options);
    if (router.waitForReadyRead(5000)) return true;
    std::fprintf(stderr, "simrouter did not start\n");
    return false;
}

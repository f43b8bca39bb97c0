// What the benchmarks that run the real window against simrouter share: a
// settings folder of their own that names the simulated router, and the
// router itself on 127.0.0.1:16161, in the private network namespace the
// bench scripts give them.
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// Points XDG_CONFIG_HOME at `home` and writes there a settings file whose
// [General] section holds `general`. False when it cannot be written.
bool WriteBenchSettings(const QTemporaryDir& home, const QByteArray& general);

// Starts simrouter on 127.0.0.1:16161 with `options` added and waits until
// it listens. False, after saying so, when it does not.
bool StartBenchRouter(QProcess& router, const QStringList& options);

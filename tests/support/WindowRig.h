// The main window in process for a test: its own settings folder, its
// timers stopped and a clock that reads `now`, so the test calls the ticks.
#pragma once

#include <QString>
#include <QTemporaryDir>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "monitor/Fciscomon.h"
#include "tests/support/SimRouterProcess.h"

class TFakeRouter;
struct TCiscoInterface;

// The settings file for a window that polls simrouter on interface `row`.
QString SimSettings(int row = 6, const std::string& host = kSimAddress);

// One test's main window: its own settings folder, its timers stopped, and a
// clock that reads `now`.
class TWindowRig {
public:
    TWindowRig();
    ~TWindowRig();

    // Writes the [General] section of the settings file.
    void WriteSettings(const QString& general);
    QString SettingsPath() const;

    void Open();

    // One request tick; then, when `router` is given and running, waits until
    // it has logged the last request of the tick; then one poll tick at
    // `now`. Returns the number of requests the tick sent.
    int Tick(TSimRouterProcess* router);
    // Its two halves: the request tick and the wait (returns the number of
    // requests), and the poll tick, after a short wait when replies are due.
    int Request(TSimRouterProcess* router);
    void Poll(bool repliesDue);
    // The same against a scripted agent in this process.
    void Tick(TFakeRouter& router);
    // Steps the walk of the interfaces, each step waiting for its answer,
    // until it ends. Returns the requests it took.
    int Walk();

    bool Waiting() const;
    // The model's entry of the interface selected in the window's list.
    const TCiscoInterface& Selected() const;

    QTemporaryDir home;
    std::unique_ptr<TFormCiscoMon> window;
    std::int64_t now = 1'000'000;
    std::chrono::steady_clock::time_point steady;
};

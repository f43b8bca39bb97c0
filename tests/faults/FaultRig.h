// What the fault tests share: simrouter started by the test with its log read
// line by line, and the main window in process with its timers stopped, so
// the test calls the ticks and sets the clock. Every test binary that uses it
// runs in its own private network namespace.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "monitor/Fciscomon.h"
#include "tests/support/Child.h"
#include "tests/support/WhenOpen.h"

class TFakeRouter;
struct TCiscoInterface;

namespace faults {

inline constexpr int kSimPort = 16161;
inline constexpr const char* kSimAddress = "127.0.0.1:16161";

// simrouter as a child process, logging every request.
class TSimRouterProcess {
public:
    // Starts it on 127.0.0.1:kSimPort with `options` added, and waits until it
    // listens. The simulation's clock starts about then: started() is when
    // the test saw it listen.
    bool Start(const std::vector<std::string>& options);
    int Stop();
    bool running() const { return child_.pid() >= 0; }

    // Waits until simrouter has logged request `id` from 127.0.0.1:`fromPort`.
    // It logs a request after its reply was sent (or dropped by --loss), so
    // the replies are waiting then.
    bool WaitForRequest(std::uint16_t fromPort, std::int32_t id, std::chrono::milliseconds timeout);

    // Every log line read so far that contains `part`.
    int CountLines(const std::string& part) const;

    // The number simrouter sent last for `oid` in a reply that went out, to
    // any sender or to the one whose log text ("127.0.0.1:65535") is `to`.
    std::optional<std::uint32_t> LastAnswer(const std::string& oid,
                                            const std::string& to = {}) const;

    // The number simrouter answered (or, under --loss, meant to answer)
    // to request `id` from 127.0.0.1:`fromPort`.
    std::optional<std::uint32_t> Answer(std::uint16_t fromPort, std::int32_t id) const;

    std::chrono::steady_clock::time_point started() const { return started_; }
    TChild& child() { return child_; }

private:
    TChild child_;
    std::chrono::steady_clock::time_point started_;
};

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

    bool Waiting() const;
    // The model's entry of the interface selected in the window's list.
    const TCiscoInterface& Selected() const;

    QTemporaryDir home;
    std::unique_ptr<TFormCiscoMon> window;
    std::int64_t now = 1'000'000;
};

// Sleeps until half a second after simulated second `second` of `router`
// began, so a request tick then sees the simulation at that second.
void PaceTo(const TSimRouterProcess& router, int second);

}  // namespace faults

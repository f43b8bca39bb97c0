// simrouter as a child process of the test, its log read line by line. The
// programs that use it run in their own private network namespace.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/Child.h"

inline constexpr int kSimPort = 16161;
inline constexpr const char* kSimAddress = "127.0.0.1:16161";

// simrouter on 127.0.0.1:kSimPort, logging every request.
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

// Sleeps until half a second after simulated second `second` of `router`
// began, so a request tick then sees the simulation at that second.
void PaceTo(const TSimRouterProcess& router, int second);

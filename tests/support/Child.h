// A helper process a test starts and stops: simrouter or snmpd. Its standard
// output and error come back through a pipe, line by line.
#pragma once

#ifndef _WIN32
#include <sys/types.h>
#endif

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#ifdef _WIN32
using TChildId = long;
#else
using TChildId = pid_t;
#endif

// Child.cpp on POSIX, ChildWin.cpp on Windows.
class TChild {
public:
    TChild() = default;
    ~TChild();
    TChild(const TChild&) = delete;
    TChild& operator=(const TChild&) = delete;

    // Starts `argv[0]` with the arguments and, added to ours, `environment`
    // ("NAME=value").
    bool Start(const std::vector<std::string>& argv,
               const std::vector<std::string>& environment = {});

    // The next output line, or none when none came within `timeout` or the
    // process closed its output.
    std::optional<std::string> ReadLine(std::chrono::milliseconds timeout);

    // Reads lines until one satisfies `match`; returns it, or none.
    std::optional<std::string> WaitFor(const std::function<bool(const std::string&)>& match,
                                       std::chrono::milliseconds timeout);

    // SIGTERM, and SIGKILL when it has not ended within two seconds (on
    // Windows, TerminateProcess). Returns the exit status, or -1.
    int Stop();
    // Waits for the process to end by itself; -1 when it did not in time.
    int Wait(std::chrono::milliseconds timeout);

    // The process id while it runs, else -1.
    TChildId pid() const { return pid_; }
    const std::vector<std::string>& lines() const { return lines_; }

private:
    // Takes the first whole line out of what was read, "\r\n" or "\n" at its
    // end (a child's C runtime on Windows writes the former), and keeps it.
    std::optional<std::string> TakeLine();

    TChildId pid_ = -1;
#ifdef _WIN32
    void* process_ = nullptr;  // its HANDLE
    void* output_ = nullptr;   // the HANDLE of the pipe's reading end
#else
    int output_ = -1;
#endif
    std::string pending_;
    std::vector<std::string> lines_;  // every line read so far
};

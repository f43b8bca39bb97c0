// TChild on Windows: CreateProcess with its output on a pipe.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <thread>

#include "tests/support/Child.h"

namespace {

using Clock = std::chrono::steady_clock;

// One argument as the C runtime of the child reads it back: in quotes when it
// holds white space or quotes, backslashes doubled only before a quote.
std::string Quoted(const std::string& arg) {
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
    std::string out = "\"";
    std::size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        out.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        backslashes = 0;
        out += c;
    }
    out.append(2 * backslashes, '\\');
    return out + "\"";
}

HANDLE Handle(void* h) { return static_cast<HANDLE>(h); }

}  // namespace

TChild::~TChild() {
    Stop();
    if (output_ != nullptr) ::CloseHandle(Handle(output_));
}

bool TChild::Start(const std::vector<std::string>& argv,
                   const std::vector<std::string>& environment) {
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!::CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) return false;
    // Only the writing end goes to the child.
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    std::string commandLine;
    for (const std::string& arg : argv) {
        if (!commandLine.empty()) commandLine += ' ';
        commandLine += Quoted(arg);
    }
    // Ours with `environment` in front: NAME=value\0...\0\0.
    std::string block;
    if (!environment.empty()) {
        for (const std::string& e : environment) block += e + '\0';
        if (char* ours = ::GetEnvironmentStringsA()) {
            for (const char* e = ours; *e != '\0'; e += std::strlen(e) + 1)
                block += std::string(e) + '\0';
            ::FreeEnvironmentStringsA(ours);
        }
        block += '\0';
    }

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = INVALID_HANDLE_VALUE;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION started{};
    const BOOL ok =
        ::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                         block.empty() ? nullptr : block.data(), nullptr, &startup, &started);
    ::CloseHandle(writeEnd);
    if (!ok) {
        ::CloseHandle(readEnd);
        return false;
    }
    ::CloseHandle(started.hThread);
    process_ = started.hProcess;
    pid_ = static_cast<TChildId>(started.dwProcessId);
    output_ = readEnd;
    return true;
}

std::optional<std::string> TChild::ReadLine(std::chrono::milliseconds timeout) {
    const Clock::time_point end = Clock::now() + timeout;
    while (true) {
        if (std::optional<std::string> line = TakeLine()) return line;
        if (output_ == nullptr) return std::nullopt;
        DWORD waiting = 0;
        if (!::PeekNamedPipe(Handle(output_), nullptr, 0, nullptr, &waiting, nullptr)) {
            // The child has ended and its output is closed.
            ::CloseHandle(Handle(output_));
            output_ = nullptr;
            if (pending_.empty()) return std::nullopt;
            pending_.push_back('\n');
            continue;
        }
        if (waiting == 0) {
            // Anonymous pipes cannot be waited on with a timeout: look again
            // shortly, up to the deadline.
            if (Clock::now() >= end) return std::nullopt;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        char chunk[4096];
        DWORD n = 0;
        if (::ReadFile(Handle(output_), chunk, std::min<DWORD>(waiting, sizeof chunk), &n,
                       nullptr)) {
            pending_.append(chunk, n);
        }
    }
}

int TChild::Wait(std::chrono::milliseconds timeout) {
    if (process_ == nullptr) return -1;
    if (::WaitForSingleObject(Handle(process_), static_cast<DWORD>(timeout.count())) !=
        WAIT_OBJECT_0)
        return -1;
    DWORD status = 0;
    const bool known = ::GetExitCodeProcess(Handle(process_), &status) != 0;
    ::CloseHandle(Handle(process_));
    process_ = nullptr;
    pid_ = -1;
    return known ? static_cast<int>(status) : -1;
}

int TChild::Stop() {
    if (process_ == nullptr) return -1;
    // No SIGTERM here: the child ends at once, as with SIGKILL.
    ::TerminateProcess(Handle(process_), 1);
    return Wait(std::chrono::seconds(4));
}

#include "tests/support/Child.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

int ExitStatus(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

}  // namespace

TChild::~TChild() {
    Stop();
    if (output_ >= 0) ::close(output_);
}

bool TChild::Start(const std::vector<std::string>& argv,
                   const std::vector<std::string>& environment) {
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 2);

    std::vector<std::string> env = environment;
    for (char** e = environ; *e != nullptr; ++e) env.emplace_back(*e);
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<std::string> args = argv;
    std::vector<char*> argp;
    for (std::string& a : args) argp.push_back(a.data());
    argp.push_back(nullptr);

    int error = ::posix_spawnp(&pid_, argp[0], &actions, nullptr, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    if (error != 0) {
        pid_ = -1;
        ::close(pipeEnds[0]);
        return false;
    }
    output_ = pipeEnds[0];
    return true;
}

std::optional<std::string> TChild::ReadLine(std::chrono::milliseconds timeout) {
    const Clock::time_point end = Clock::now() + timeout;
    while (true) {
        if (std::optional<std::string> line = TakeLine()) return line;
        if (output_ < 0) return std::nullopt;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
        if (left.count() <= 0) return std::nullopt;
        pollfd p{output_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
        char chunk[4096];
        ssize_t n = ::read(output_, chunk, sizeof chunk);
        if (n <= 0) {
            ::close(output_);
            output_ = -1;
            if (pending_.empty()) return std::nullopt;
            pending_.push_back('\n');
            continue;
        }
        pending_.append(chunk, static_cast<std::size_t>(n));
    }
}

int TChild::Wait(std::chrono::milliseconds timeout) {
    if (pid_ < 0) return -1;
    const Clock::time_point end = Clock::now() + timeout;
    while (true) {
        int status = 0;
        pid_t done = ::waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            pid_ = -1;
            return ExitStatus(status);
        }
        if (done < 0 || Clock::now() >= end) return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

int TChild::Stop() {
    if (pid_ < 0) return -1;
    ::kill(pid_, SIGTERM);
    int status = Wait(std::chrono::seconds(2));
    if (pid_ >= 0) {
        ::kill(pid_, SIGKILL);
        status = Wait(std::chrono::seconds(2));
    }
    return status;
}

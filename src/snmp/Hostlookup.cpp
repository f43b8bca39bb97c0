#include "snmp/Hostlookup.h"

#include <atomic>
#include <functional>
#include <system_error>
#include <thread>
#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// Workers alive at once, over every lookup of the program. A name server
// that never answers holds each one for its whole timeout; a lookup started
// while this many wait is launched when one of them has ended.
constexpr int kMaxWorkers = 4;
std::atomic<int> workers{0};

#ifdef _WIN32
DWORD WINAPI RunWork(void* parameter) {
    std::unique_ptr<std::function<void()>> work(static_cast<std::function<void()>*>(parameter));
    (*work)();
    return 0;
}
#endif

// Runs `work` on a thread of its own that nobody waits for; false when no
// thread could be had. On Windows a thread of the system's own: a detached
// thread of the compiler's pthreads layer is now and then never started
// there when another one is ending.
bool RunDetached(std::function<void()> work) {
#ifdef _WIN32
    auto* parameter = new std::function<void()>(std::move(work));
    HANDLE thread = ::CreateThread(nullptr, 0, RunWork, parameter, 0, nullptr);
    if (thread == nullptr) {
        delete parameter;
        return false;
    }
    ::CloseHandle(thread);
    return true;
#else
    try {
        std::thread(std::move(work)).detach();
        return true;
    } catch (const std::system_error&) {
        return false;
    }
#endif
}

}  // namespace

struct THostLookup::TJob {
    std::string name;
    TLookupAnswer answer;
    std::atomic<bool> done{false};
};

void THostLookup::Start(const std::string& name) {
    if (Busy() && name == name_) return;
    name_ = name;
    job_.reset();
    waiting_ = true;
    Launch();
}

void THostLookup::Cancel() {
    job_.reset();
    waiting_ = false;
}

void THostLookup::Launch() {
    int running = workers.load();
    do {
        if (running >= kMaxWorkers) return;
    } while (!workers.compare_exchange_weak(running, running + 1));

    auto job = std::make_shared<TJob>();
    job->name = name_;
    // Nobody waits for a name server that may never answer. The worker
    // holds its job, so it never touches this object.
    const bool started = RunDetached([job] {
        TLookupAnswer answer;
        answer.found = LookupHost(job->name, answer.address);
        job->answer = answer;
        job->done.store(true, std::memory_order_release);
        workers.fetch_sub(1);
    });
    if (!started) {
        // No thread to be had: a lookup that found nothing, tried again later.
        workers.fetch_sub(1);
        job->done.store(true, std::memory_order_release);
    }
    job_ = std::move(job);
    waiting_ = false;
}

bool THostLookup::Busy() const { return waiting_ || job_ != nullptr; }

std::optional<TLookupAnswer> THostLookup::Take() {
    if (waiting_) Launch();
    if (!job_ || !job_->done.load(std::memory_order_acquire)) return std::nullopt;
    TLookupAnswer answer = job_->answer;
    job_.reset();
    return answer;
}

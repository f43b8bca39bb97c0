#include "snmp/Hostlookup.h"

#include <atomic>
#include <system_error>
#include <thread>

namespace {

// Workers alive at once, over every lookup of the program. A name server
// that never answers holds each one for its whole timeout; a lookup started
// while this many wait is launched when one of them has ended.
constexpr int kMaxWorkers = 4;
std::atomic<int> workers{0};

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
    try {
        // Detached: nobody waits for a name server that may never answer.
        // The worker holds its job, so it never touches this object.
        std::thread([job] {
            TLookupAnswer answer;
            answer.found = LookupHost(job->name, answer.address);
            job->answer = answer;
            job->done.store(true, std::memory_order_release);
            workers.fetch_sub(1);
        }).detach();
    } catch (const std::system_error&) {
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

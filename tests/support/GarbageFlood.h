// A bounded flood of garbage datagrams at a local UDP port, sent from a
// thread of its own: for the fault test and the flood benchmark.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

namespace faults {

class TGarbageFlood {
public:
    // Sends `count` datagrams to 127.0.0.1:`port`, spread over about
    // `spread`, and stops by itself after `limit` whatever was sent.
    TGarbageFlood(std::uint16_t port, long count, std::chrono::milliseconds spread,
                  std::chrono::milliseconds limit);
    ~TGarbageFlood();
    TGarbageFlood(const TGarbageFlood&) = delete;
    TGarbageFlood& operator=(const TGarbageFlood&) = delete;

    bool running() const { return running_; }
    long sent() const { return sent_; }
    // Waits until the flood has ended.
    void Join();

private:
    void Run(std::uint16_t port, long count, std::chrono::milliseconds spread,
             std::chrono::milliseconds limit);

    std::atomic<bool> running_{true};
    std::atomic<long> sent_{0};
    std::thread thread_;
};

}  // namespace faults

#include "tests/support/GarbageFlood.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <random>
#include <vector>

namespace faults {

namespace {

using Clock = std::chrono::steady_clock;

// Datagrams sent between two looks at the clock.
constexpr long kBurst = 500;

// Random octets, some of them starting like an SNMP message, of 1 to 300
// octets: what a scan or a misdirected stream brings.
std::vector<std::uint8_t> Garbage(std::mt19937& random) {
    std::uniform_int_distribution<int> octet(0, 255);
    std::vector<std::uint8_t> data(std::uniform_int_distribution<std::size_t>(1, 300)(random));
    for (std::uint8_t& o : data) o = static_cast<std::uint8_t>(octet(random));
    if (data.size() > 2 && (data.size() & 1) != 0) {
        data[0] = 0x30;
        data[1] = static_cast<std::uint8_t>(data.size() - 2);
    }
    return data;
}

}  // namespace

TGarbageFlood::TGarbageFlood(std::uint16_t port, long count, std::chrono::milliseconds spread,
                             std::chrono::milliseconds limit)
    : thread_([=, this] { Run(port, count, spread, limit); }) {}

TGarbageFlood::~TGarbageFlood() { Join(); }

void TGarbageFlood::Join() {
    if (thread_.joinable()) thread_.join();
}

void TGarbageFlood::Run(std::uint16_t port, long count, std::chrono::milliseconds spread,
                        std::chrono::milliseconds limit) {
    int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    to.sin_port = htons(port);

    // A pool of different datagrams, sent round and round.
    std::mt19937 random(20240611);
    std::array<std::vector<std::uint8_t>, 64> pool;
    for (auto& datagram : pool) datagram = Garbage(random);

    const Clock::time_point start = Clock::now();
    const Clock::time_point end = start + limit;
    for (long i = 0; s >= 0 && i < count && Clock::now() < end; ++i) {
        const auto& datagram = pool[static_cast<std::size_t>(i) % pool.size()];
        ::sendto(s, datagram.data(), datagram.size(), 0, reinterpret_cast<const sockaddr*>(&to),
                 sizeof to);
        sent_ = i + 1;
        if ((i + 1) % kBurst == 0) {
            // Keep to the spread: burst k is due at k / bursts of it.
            std::this_thread::sleep_until(start + spread * (i + 1) / count);
        }
    }
    if (s >= 0) ::close(s);
    running_ = false;
}

}  // namespace faults

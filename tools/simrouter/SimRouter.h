// The router that simrouter pretends to be: a Cisco router with a CPU load,
// two memory pools and twelve interfaces whose values move a little every
// second, the way a lightly used branch router's do; or a switch with many
// ports numbered as switches number them.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "asn1/Asn1.h"

struct TSimInterface {
    std::int32_t ifIndex = 0;
    std::string name;
    // Packets per second at a load factor of 1.
    double unicastIn = 0;
    double unicastOut = 0;
    double averageSize = 0;  // octets per packet
    double load = 1;         // wanders between 0.2 and 1.8
    std::uint32_t inUcast = 0;
    std::uint32_t inNUcast = 0;
    std::uint32_t outUcast = 0;
    std::uint32_t outNUcast = 0;
    std::uint32_t inOctets = 0;
    std::uint32_t outOctets = 0;
};

struct TSimPool {
    std::string name;
    std::uint32_t size = 0;  // used + free
    std::uint32_t used = 0;
    std::uint32_t lowest = 0;  // bounds of the used bytes
    std::uint32_t highest = 0;
};

class TSimRouter {
public:
    static constexpr int kInterfaceCount = 12;  // the branch router's: ifIndex 1 to 12
    static constexpr int kMaxInterfaces = 10000;
    // A switch numbers its ports from here on, after its VLAN at 1.
    static constexpr std::int32_t kFirstPortIndex = 10101;

    // `wrapSoon`: the counters start close below 2^32, so they wrap within
    // about a minute. `restartAfter`: seconds after which the router restarts
    // once (counters and uptime back to zero); 0 for never. `switchPorts`:
    // 0 for the branch router; else a switch of that many interfaces, the
    // first at ifIndex 1 and the others from kFirstPortIndex on.
    TSimRouter(std::uint32_t seed, bool wrapSoon, int restartAfter, int switchPorts = 0);

    // Moves the simulation on, one second at a time, to `second` seconds
    // after its start. Earlier seconds are ignored.
    void AdvanceTo(std::int64_t second);

    // The value of `oid` as the router would send it, or none when the
    // router has no such object.
    std::unique_ptr<TAsn1Base> Get(std::string_view oid) const;
    // The object that follows `oid` in the router's tree, as a GetNextRequest
    // asks for it, or none past its last one.
    std::optional<std::string> Next(std::string_view oid) const;

    std::int64_t second() const { return second_; }
    bool restarted() const { return restarted_; }

    int cpu = 0;  // percent busy over the last five seconds
    std::array<TSimPool, 2> pools;
    std::vector<TSimInterface> interfaces;  // in ifIndex order

private:
    const TSimInterface* Interface(long ifIndex) const;
    void Step();
    void Restart();
    double Uniform(double low, double high);

    std::vector<std::string> objects_;  // every OID answered, in the tree's order
    std::mt19937 random_;
    std::int64_t second_ = 0;
    std::int64_t bootSecond_ = 0;
    std::uint32_t uptimeAtStart_ = 0;  // hundredths of a second
    int restartAfter_;
    bool restarted_ = false;
};

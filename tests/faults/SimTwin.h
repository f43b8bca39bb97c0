// simrouter's simulation run again in process with the same seed: what the
// router counts on one interface, second by second. It is what the gauges
// must agree with, and it finds seeds that put a fault where a test wants it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace faults {

// The four counters of an interface in the order the monitor asks for them:
// inUcast, inNUcast, outUcast, outNUcast.
using TCounters = std::array<std::uint32_t, 4>;

class TSimTwin {
public:
    // Interface `row` (its ifIndex, 1 to 12) from second 0 to `lastSecond`.
    TSimTwin(std::uint32_t seed, bool wrapSoon, int restartAfter, int row, int lastSecond);

    const TCounters& At(int second) const { return counters_.at(static_cast<std::size_t>(second)); }

    // Packets the router counted in second `second` (since second - 1),
    // inbound or outbound, unicast and non-unicast together.
    double Counted(bool inbound, int second) const;

    // The fewest and the most packets counted in one second over the
    // seconds `from` to `to` (clipped to the run), leaving out `skip`.
    std::pair<double, double> Range(bool inbound, int from, int to, int skip = -1) const;

    // True when one of the four counters went down in second `second`.
    bool WentDown(int second) const;

    // The one second from `from` to `to` at which inUcast read `value`, or
    // none (no such second, or more than one).
    std::optional<int> SecondOf(std::uint32_t inUcast, int from, int to) const;

    // True when inUcast changed in every second of the run, so that its
    // value tells the second.
    bool InUcastTellsTheSecond() const;

private:
    std::vector<TCounters> counters_;
};

// A seed and an interface (rows 1 to 9, which the monitor's list holds,
// whose inUcast tells the second) of a simulation whose counters first go down (a wrap, or the
// restart) at a second from `earliest` to `latest`; `atLeastHalf` also wants a counter of that
// interface at or above 2^31 from second 1 until the drop. `onlyRow`: that interface only.
struct TFaultPlace {
    std::uint32_t seed = 0;
    int row = 0;
    int second = 0;
};
std::optional<TFaultPlace> FindFault(bool wrapSoon, int restartAfter, int earliest, int latest,
                                     bool atLeastHalf, int onlyRow = 0);

}  // namespace faults

#include "tests/faults/SimTwin.h"

#include <algorithm>
#include <limits>

#include "tools/simrouter/SimRouter.h"

namespace faults {

namespace {

TCounters Read(const TSimRouter& router, int row) {
    const TSimInterface& entry = router.interfaces[static_cast<std::size_t>(row - 1)];
    return {entry.inUcast, entry.inNUcast, entry.outUcast, entry.outNUcast};
}

constexpr std::uint32_t kHalf = 0x80000000u;

// True when one counter stays at or above 2^31 from second 1 until just
// before second `drop`.
bool HighBefore(const TSimTwin& twin, int drop) {
    for (std::size_t i = 0; i < 4; ++i) {
        bool high = true;
        for (int second = 1; second < drop; ++second) high = high && twin.At(second)[i] >= kHalf;
        if (high) return true;
    }
    return false;
}

}  // namespace

TSimTwin::TSimTwin(std::uint32_t seed, bool wrapSoon, int restartAfter, int row, int lastSecond) {
    TSimRouter router(seed, wrapSoon, restartAfter);
    for (int second = 0; second <= lastSecond; ++second) {
        router.AdvanceTo(second);
        counters_.push_back(Read(router, row));
    }
}

double TSimTwin::Counted(bool inbound, int second) const {
    const TCounters& now = At(second);
    const TCounters& before = At(second - 1);
    const std::size_t first = inbound ? 0 : 2;
    // Each counter moves by less than 2^32 a second, so the difference
    // modulo 2^32 is what was counted, across a wrap too.
    return static_cast<double>(static_cast<std::uint32_t>(now[first] - before[first])) +
           static_cast<double>(static_cast<std::uint32_t>(now[first + 1] - before[first + 1]));
}

std::pair<double, double> TSimTwin::Range(bool inbound, int from, int to, int skip) const {
    double low = std::numeric_limits<double>::max();
    double high = 0;
    const int last = static_cast<int>(counters_.size()) - 1;
    for (int second = std::max(from, 1); second <= std::min(to, last); ++second) {
        if (second == skip) continue;
        low = std::min(low, Counted(inbound, second));
        high = std::max(high, Counted(inbound, second));
    }
    return {low, high};
}

bool TSimTwin::WentDown(int second) const {
    for (std::size_t i = 0; i < 4; ++i) {
        if (At(second)[i] < At(second - 1)[i]) return true;
    }
    return false;
}

std::optional<int> TSimTwin::SecondOf(std::uint32_t inUcast, int from, int to) const {
    std::optional<int> found;
    const int last = static_cast<int>(counters_.size()) - 1;
    for (int second = std::max(from, 0); second <= std::min(to, last); ++second) {
        if (At(second)[0] != inUcast) continue;
        if (found) return std::nullopt;
        found = second;
    }
    return found;
}

bool TSimTwin::InUcastTellsTheSecond() const {
    for (std::size_t second = 1; second < counters_.size(); ++second) {
        if (counters_[second][0] == counters_[second - 1][0]) return false;
    }
    return true;
}

std::optional<TFaultPlace> FindFault(bool wrapSoon, int restartAfter, int earliest, int latest,
                                     bool atLeastHalf, int onlyRow) {
    for (std::uint32_t seed = 1; seed < 50000; ++seed) {
        for (int row = onlyRow > 0 ? onlyRow : 1; row <= (onlyRow > 0 ? onlyRow : 9); ++row) {
            TSimTwin twin(seed, wrapSoon, restartAfter, row, latest + 3);
            if (!twin.InUcastTellsTheSecond()) continue;
            int first = 0;
            for (int second = 1; second <= latest && first == 0; ++second) {
                if (twin.WentDown(second)) first = second;
            }
            if (first < earliest) continue;
            if (atLeastHalf && !HighBefore(twin, first)) continue;
            return TFaultPlace{seed, row, first};
        }
    }
    return std::nullopt;
}

}  // namespace faults

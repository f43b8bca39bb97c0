#include "router/Readings.h"

#include "router/Routerconf.h"

namespace {

// Counters and gauges are unsigned 32-bit values carried in a signed field.
std::uint32_t Unsigned(const TSnmpValue* v) { return static_cast<std::uint32_t>(v->value); }

// The rate window of the packet gauges, in seconds.
constexpr int kRateWindow = 10;

}  // namespace

int Percent(std::int64_t part, std::int64_t total) {
    if (total <= 0) return 0;
    return static_cast<int>(part * 100 / total);
}

TReadings ComputeReadings(const TCiscoConfig& config, int selected) {
    TReadings readings;
    readings.cpu = static_cast<double>(config.cpu->value);

    // Pools of 2 to 4 GiB overflow 32-bit sums: add in 64 bits.
    std::int64_t sumUsed = 0;
    std::int64_t sumTotal = 0;
    for (int p = 0; p < config.poolCount; ++p) {
        const TCiscoPool& pool = config.pools[static_cast<std::size_t>(p)];
        const std::int64_t used = Unsigned(pool.poolUsed);
        sumUsed += used;
        sumTotal += used + Unsigned(pool.poolFree);
    }
    readings.memory = Percent(sumUsed, sumTotal);

    if (selected < 0 || selected >= config.interfaceCount) return readings;
    const TCiscoInterface& it = config.interfaces[static_cast<std::size_t>(selected)];
    readings.interfaceSelected = true;
    // The totals: two unsigned 32-bit counters each, summed without wrapping.
    readings.inTotal = std::uint64_t{Unsigned(it.inUcast)} + Unsigned(it.inNUcast);
    readings.outTotal = std::uint64_t{Unsigned(it.outUcast)} + Unsigned(it.outNUcast);
    readings.ppsIn = it.inUcast->Rate(kRateWindow) + it.inNUcast->Rate(kRateWindow);
    readings.ppsOut = it.outUcast->Rate(kRateWindow) + it.outNUcast->Rate(kRateWindow);
    return readings;
}

std::string InterfaceEntry(const TCiscoConfig& config, int i) {
    const std::string& name = config.interfaces[static_cast<std::size_t>(i)].descr->valueText;
    if (!name.empty()) return name;
    // A router numbers its interfaces from 1, so instance 0, and any it does
    // not have, is answered with an error and filed as an empty name.
    return "if" + std::to_string(i) + " (none)";
}

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

namespace {

// Percent in use over the pools whose objects the router has; none when
// it has none of them.
std::optional<int> Memory(const TCiscoConfig& config) {
    // Pools of 2 to 4 GiB overflow 32-bit sums: add in 64 bits.
    std::int64_t sumUsed = 0;
    std::int64_t sumTotal = 0;
    bool any = false;
    for (int p = 0; p < config.poolCount; ++p) {
        const TCiscoPool& pool = config.pools[static_cast<std::size_t>(p)];
        if (pool.poolUsed->absent || pool.poolFree->absent) continue;
        const std::int64_t used = Unsigned(pool.poolUsed);
        sumUsed += used;
        sumTotal += used + Unsigned(pool.poolFree);
        any = true;
    }
    if (!any) return std::nullopt;
    return Percent(sumUsed, sumTotal);
}

// The traffic the unicast and non-unicast counters add up to; a counter
// the router lacks counts nothing, and with both lacking there is none.
std::optional<TTraffic> Traffic(const TSnmpValue* unicast, const TSnmpValue* nonUnicast) {
    std::optional<TTraffic> traffic;
    for (const TSnmpValue* counter : {unicast, nonUnicast}) {
        if (counter->absent) continue;
        if (!traffic) traffic.emplace();
        // Two unsigned 32-bit counters, summed without wrapping.
        traffic->total += Unsigned(counter);
        traffic->pps += counter->Rate(kRateWindow);
    }
    return traffic;
}

}  // namespace

TReadings ComputeReadings(const TCiscoConfig& config, int selected) {
    TReadings readings;
    readings.cpu =
        config.cpu->absent ? std::nullopt : std::optional(static_cast<double>(config.cpu->value));
    readings.memory = Memory(config);
    if (selected < 0 || selected >= config.interfaceCount) return readings;
    const TCiscoInterface& it = config.interfaces[static_cast<std::size_t>(selected)];
    readings.interfaceSelected = true;
    readings.in = Traffic(it.inUcast, it.inNUcast);
    readings.out = Traffic(it.outUcast, it.outNUcast);
    return readings;
}

std::string InterfaceEntry(const TCiscoConfig& config, int i) {
    const TSnmpValue& descr = *config.interfaces[static_cast<std::size_t>(i)].descr;
    // A router numbers its interfaces from 1, so instance 0, and any it does
    // not have, is answered with noSuchName.
    if (!descr.absent && !descr.valueText.empty()) return descr.valueText;
    return "if" + std::to_string(i) + " (none)";
}

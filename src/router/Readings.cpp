#include "router/Readings.h"

#include <algorithm>

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

TReadings ComputeReadings(const TCiscoConfig& config, int instance) {
    TReadings readings;
    readings.cpu =
        config.cpu->absent ? std::nullopt : std::optional(static_cast<double>(config.cpu->value));
    readings.memory = Memory(config);
    const TCiscoInterface* it = config.FindInterface(instance);
    if (it == nullptr) return readings;
    readings.interfaceSelected = true;
    readings.in = Traffic(it->inUcast, it->inNUcast);
    readings.out = Traffic(it->outUcast, it->outNUcast);
    return readings;
}

TGaugeSetting PacketGauge(double pps, double maximum) {
    const auto n = static_cast<double>(static_cast<std::int64_t>(pps));
    return {n, n > maximum ? n : maximum};
}

std::string InterfaceEntry(const TCiscoConfig& config, int instance) {
    const std::string placeholder = "if" + std::to_string(instance);
    const TCiscoInterface* it = config.FindInterface(instance);
    const TSnmpValue* descr = it != nullptr ? it->descr : nullptr;
    if (descr != nullptr && descr->answered && !descr->absent)
        return descr->valueText.empty() ? placeholder + " (none)" : descr->valueText;
    const std::vector<TWalkedInterface>& found = config.walk.found();
    auto walked = std::lower_bound(
        found.begin(), found.end(), instance,
        [](const TWalkedInterface& entry, int wanted) { return entry.instance < wanted; });
    if (walked != found.end() && walked->instance == instance && !walked->name.empty())
        return walked->name;
    // A router numbers its interfaces from 1, so instance 0, and any it does
    // not have, is answered with noSuchName.
    return descr != nullptr && descr->absent ? placeholder + " (none)" : placeholder;
}

std::vector<TListEntry> InterfaceList(const TCiscoConfig& config) {
    std::vector<TListEntry> list;
    list.reserve(static_cast<std::size_t>(config.interfaceCount) + config.walk.found().size() + 1);
    for (int i = 0; i < config.interfaceCount; ++i) list.push_back({i, InterfaceEntry(config, i)});
    const int chosen = config.chosenInstance();
    bool chosenListed = chosen < config.interfaceCount;
    for (const TWalkedInterface& walked : config.walk.found()) {
        if (walked.instance < config.interfaceCount) continue;
        if (!chosenListed && chosen <= walked.instance) {
            if (chosen < walked.instance) list.push_back({chosen, InterfaceEntry(config, chosen)});
            chosenListed = true;
        }
        list.push_back({walked.instance, InterfaceEntry(config, walked.instance)});
    }
    if (!chosenListed) list.push_back({chosen, InterfaceEntry(config, chosen)});
    return list;
}

bool InterfaceNamesFresh(const TCiscoConfig& config) {
    for (int i = 0; i < config.interfaceCount; ++i)
        if (config.interfaces[static_cast<std::size_t>(i)].descr->fresh) return true;
    const TCiscoInterface* chosen = config.FindInterface(config.chosenInstance());
    return chosen != nullptr && chosen->descr->fresh;
}

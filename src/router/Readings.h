// What the main window shows, worked out from the router model alone: the
// CPU and memory percentages, the selected interface's packet totals and
// rates, and the entries of the interface list.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

class TCiscoConfig;

// part × 100 ÷ total, truncated toward zero; 0 when total is not positive.
int Percent(std::int64_t part, std::int64_t total);

// One direction of an interface's traffic.
struct TTraffic {
    std::uint64_t total = 0;  // unicast and non-unicast packets since the counters started
    double pps = 0;           // packets a second over the last ten seconds
};

// Each reading is none where the router lacks the objects it comes from
// (it answered noSuchName): not available, which is not 0.
struct TReadings {
    // The router's CPU load as it sent it: a signed number, so a negative
    // one shows as the gauge's 0.
    std::optional<double> cpu = 0.0;
    std::optional<int> memory = 0;  // percent in use over the pools the router has
    // The traffic only when an interface of the list is selected.
    bool interfaceSelected = false;
    std::optional<TTraffic> in;
    std::optional<TTraffic> out;
};

// The readings for interface `selected` of the list (none when it is not
// one of the model's interfaces).
TReadings ComputeReadings(const TCiscoConfig& config, int selected);

// The text of list entry `i`: the name the router gave the interface, or,
// when it answered with none (it has no such interface), its placeholder
// with a word that says so: "if0 (none)".
std::string InterfaceEntry(const TCiscoConfig& config, int i);

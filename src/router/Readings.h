// What the main window shows, worked out from the router model alone: the
// CPU and memory percentages, the selected interface's packet totals and
// rates, and the entries of the interface list.
#pragma once

#include <cstdint>
#include <string>

class TCiscoConfig;

// part × 100 ÷ total, truncated toward zero; 0 when total is not positive.
int Percent(std::int64_t part, std::int64_t total);

struct TReadings {
    // The router's CPU load as it sent it: a signed number, so a negative
    // one shows as the gauge's 0.
    double cpu = 0;
    int memory = 0;  // percent in use over all pools
    // The rest only when an interface of the list is selected.
    bool interfaceSelected = false;
    std::uint64_t inTotal = 0;  // unicast and non-unicast packets since the counters started
    std::uint64_t outTotal = 0;
    double ppsIn = 0;  // packets a second over the last ten seconds
    double ppsOut = 0;
};

// The readings for interface `selected` of the list (none when it is not
// one of the model's interfaces).
TReadings ComputeReadings(const TCiscoConfig& config, int selected);

// The text of list entry `i`: the name the router gave the interface, or,
// when it answered with none (it has no such interface), its placeholder
// with a word that says so: "if0 (none)".
std::string InterfaceEntry(const TCiscoConfig& config, int i);

// What the main window shows, worked out from the router model alone: the
// CPU and memory percentages, the selected interface's packet totals and
// rates, and the entries of the interface list.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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

// Where a packet gauge stands for `pps`: whole packets a second, on a scale
// that a new peak raises to itself, so that the peak shows in full at once,
// and that never comes down. A negative rate (a counter that went back) is
// the bar's 0.
struct TGaugeSetting {
    double position = 0;
    double maximum = 0;
};
TGaugeSetting PacketGauge(double pps, double maximum);

// The readings for the interface of `instance` (none when the model holds
// no such interface).
TReadings ComputeReadings(const TCiscoConfig& config, int instance);

// The list's text for the interface of `instance`: the name the router gave
// it, or its placeholder "if6" until it does, with a word that says so when
// the router has no such interface: "if0 (none)".
std::string InterfaceEntry(const TCiscoConfig& config, int instance);

// One entry of the interface list.
struct TListEntry {
    int instance = 0;
    std::string text;
};

// The interface list: the first ten instances, then every other interface
// the router has, in ifIndex order, and among them the chosen one even
// where the walk has not found it (yet).
std::vector<TListEntry> InterfaceList(const TCiscoConfig& config);

// Whether this poll tick filed the name of an interface the model holds, or
// found that the router has none: the list's texts may have changed.
bool InterfaceNamesFresh(const TCiscoConfig& config);

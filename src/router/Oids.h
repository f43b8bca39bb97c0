// The objects the monitor polls, as dotted text: the one spelling the router
// model, the simulated router and the tests share. A column ends in "." and
// takes its instance (pool 1 and 2, interface 0 to 9) from whoever asks.
#pragma once

#include <string>

namespace mib {

// cpmCPUTotal5secRev of CPU entry 1 (CISCO-PROCESS-MIB).
inline constexpr char kCpu[] = "1.3.6.1.4.1.9.9.109.1.1.1.1.6.1";
// ciscoMemoryPoolName, -Used and -Free (CISCO-MEMORY-POOL-MIB).
inline constexpr char kPoolName[] = "1.3.6.1.4.1.9.9.48.1.1.1.2.";
inline constexpr char kPoolUsed[] = "1.3.6.1.4.1.9.9.48.1.1.1.5.";
inline constexpr char kPoolFree[] = "1.3.6.1.4.1.9.9.48.1.1.1.6.";
// ifDescr, ifInUcastPkts, ifInNUcastPkts, ifOutUcastPkts, ifOutNUcastPkts (RFC 1213).
inline constexpr char kIfDescr[] = "1.3.6.1.2.1.2.2.1.2.";
inline constexpr char kIfInUcast[] = "1.3.6.1.2.1.2.2.1.11.";
inline constexpr char kIfInNUcast[] = "1.3.6.1.2.1.2.2.1.12.";
inline constexpr char kIfOutUcast[] = "1.3.6.1.2.1.2.2.1.17.";
inline constexpr char kIfOutNUcast[] = "1.3.6.1.2.1.2.2.1.18.";

// A column's cell: Cell(kIfDescr, 3) is "1.3.6.1.2.1.2.2.1.2.3".
inline std::string Cell(const char* column, int instance) {
    return column + std::to_string(instance);
}

}  // namespace mib

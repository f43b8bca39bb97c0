// The objects the monitor polls and simrouter answers, as dotted text: the
// one spelling the router model, the walk, the simulated router and the
// tests share. Tables are named by their entry and columns; Cell adds the
// instance (pool 1 and 2, interface 0 to 9 or the router's own index).
#pragma once

#include <string>
#include <string_view>

namespace mib {

// The system group and ifNumber (RFC 1213).
inline constexpr char kSysDescr[] = "1.3.6.1.2.1.1.1.0";
inline constexpr char kSysObjectId[] = "1.3.6.1.2.1.1.2.0";
inline constexpr char kSysUpTime[] = "1.3.6.1.2.1.1.3.0";
inline constexpr char kSysName[] = "1.3.6.1.2.1.1.5.0";
inline constexpr char kIfNumber[] = "1.3.6.1.2.1.2.1.0";

// cpmCPUTotalEntry (CISCO-PROCESS-MIB); the monitor shows cpmCPUTotal5secRev
// of CPU entry 1.
inline constexpr char kCpuEntry[] = "1.3.6.1.4.1.9.9.109.1.1.1.1";
inline constexpr char kCpu[] = "1.3.6.1.4.1.9.9.109.1.1.1.1.6.1";

// ciscoMemoryPoolEntry (CISCO-MEMORY-POOL-MIB): Name, Used and Free.
inline constexpr char kPoolEntry[] = "1.3.6.1.4.1.9.9.48.1.1.1";
inline constexpr char kPoolName[] = "1.3.6.1.4.1.9.9.48.1.1.1.2";
inline constexpr char kPoolUsed[] = "1.3.6.1.4.1.9.9.48.1.1.1.5";
inline constexpr char kPoolFree[] = "1.3.6.1.4.1.9.9.48.1.1.1.6";

// ifEntry (RFC 1213): ifDescr, ifInUcastPkts, ifInNUcastPkts,
// ifOutUcastPkts, ifOutNUcastPkts.
inline constexpr char kIfEntry[] = "1.3.6.1.2.1.2.2.1";
inline constexpr char kIfDescr[] = "1.3.6.1.2.1.2.2.1.2";
inline constexpr char kIfInUcast[] = "1.3.6.1.2.1.2.2.1.11";
inline constexpr char kIfInNUcast[] = "1.3.6.1.2.1.2.2.1.12";
inline constexpr char kIfOutUcast[] = "1.3.6.1.2.1.2.2.1.17";
inline constexpr char kIfOutNUcast[] = "1.3.6.1.2.1.2.2.1.18";

// One arc more: Cell(kIfDescr, 3) is "1.3.6.1.2.1.2.2.1.2.3", and
// Cell(kIfEntry, 2) is the column kIfDescr.
inline std::string Cell(std::string_view prefix, long arc) {
    return std::string(prefix) + "." + std::to_string(arc);
}

}  // namespace mib

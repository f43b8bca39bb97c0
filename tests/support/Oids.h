// Names for the objects tests ask for: the monitor's own, and the system
// group that simrouter and snmpd answer.
#pragma once

#include "router/Oids.h"

namespace mib {

inline constexpr char kSysDescr[] = "1.3.6.1.2.1.1.1.0";
inline constexpr char kSysUpTime[] = "1.3.6.1.2.1.1.3.0";

}  // namespace mib

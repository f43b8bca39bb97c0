// Small helpers shared by the network tests.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "snmp/Snmp.h"

namespace nettest {

// Polls `link` until a value arrives, or none within `timeout`.
std::unique_ptr<TSnmpValue> WaitForValue(
    TSnmpConnection& link, std::chrono::milliseconds timeout = std::chrono::seconds(3));

// Lets `link` take up the answer of its name lookup; false when none came
// within `timeout`.
bool WaitForLookup(TSnmpConnection& link,
                   std::chrono::milliseconds timeout = std::chrono::seconds(10));

// The request-id a decoded reply carries, or -1.
std::int64_t RequestIdOf(const TSnmpValue& value);

// The error-status of a decoded reply, or -1.
std::int64_t ErrorStatusOf(const TSnmpValue& value);

// The value node of a reply's one variable binding, or none.
const TAsn1Base* BindingValueOf(const TSnmpValue& value);

// One of this network namespace's UDP counters in /proc/net/snmp
// ("InDatagrams", "RcvbufErrors", ...), or -1.
long UdpStatistic(const std::string& name);

// True when no interface but a loopback is up: nothing sent can leave.
bool InPrivateNetwork();

// Datagrams this network namespace has sent so far (Udp OutDatagrams).
long UdpOutDatagrams();

// 127.0.0.1.
TUdpAddress Loopback();

}  // namespace nettest

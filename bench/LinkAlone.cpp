// bench_link_alone: bench/footprint's second yardstick. Ventrel's link to the
// router without Qt: every second the nine requests of the steady state
// (CPU, both memory pools used and free, the four counters of interface 6) and
// the replies that came in since, read and decoded as the poll tick does,
// on a timer of its own. What is left of Ventrel's cost hidden in the tray
// when this is taken away is Qt's and the window's.
//   bench_link_alone [HOST]   (default 192.168.0.1, community kelpie as
//   Ventrel's defaults; runs until stopped)
#include <time.h>

#include <memory>
#include <string>

#include "router/Oids.h"
#include "snmp/Snmp.h"
#include "snmp/Winsockinit.h"

int main(int argc, char** argv) {
    if (!StartSockets()) return 1;
    TSnmpConnection link(argc > 1 ? argv[1] : "192.168.0.1", "kelpie");
    if (link.Open() != 0) return 1;
    const std::string oids[] = {
        mib::kCpu,
        mib::Cell(mib::kPoolUsed, 1),
        mib::Cell(mib::kPoolFree, 1),
        mib::Cell(mib::kPoolUsed, 2),
        mib::Cell(mib::kPoolFree, 2),
        mib::Cell(mib::kIfInUcast, 6),
        mib::Cell(mib::kIfInNUcast, 6),
        mib::Cell(mib::kIfOutUcast, 6),
        mib::Cell(mib::kIfOutNUcast, 6),
    };
    timespec next{};
    clock_gettime(CLOCK_MONOTONIC, &next);
    for (;;) {
        std::unique_ptr<TSnmpValue> value;
        while (link.Poll(value) > 0) value.reset();
        for (const std::string& oid : oids) link.SendGet(oid);
        next.tv_sec += 1;
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr) != 0) {
        }
    }
}

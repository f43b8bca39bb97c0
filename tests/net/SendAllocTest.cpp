// Sending a request takes no heap memory once the link has remembered as
// many requests as it keeps: every allocation in this program is counted.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "router/Oids.h"
#include "snmp/Snmp.h"

namespace {
std::atomic<long> allocations{0};
}

void* operator new(std::size_t size) {
    ++allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

TEST(SendGet, AllocatesNothing) {
    TSnmpConnection link("127.0.0.1:16300", "kelpie");
    link.Open();
    const std::string oids[] = {
        mib::kCpu,
        mib::Cell(mib::kIfOutNUcast, 9),
        "1.3.6.1.4.1.9.9.48.1.1.1.2.1." + std::string(900, '7'),
    };
    const std::string community(1023, 'c');
    // Each of the 1024 requests kept has held the longest OID once.
    for (int i = 0; i < 1024; ++i) link.SendGet(oids[2]);
    const std::int32_t first = link.nextRequestId;
    long before = allocations.load();
    for (int round = 0; round < 50; ++round) {
        for (const std::string& oid : oids) link.SendGet(oid);
    }
    link.SetCommunity(community);
    link.SendGet(oids[0]);
    link.SetCommunity("kelpie");
    link.SendGet(oids[1]);
    EXPECT_EQ(allocations.load() - before, 0);
    EXPECT_EQ(link.nextRequestId - first, 152);
}

}  // namespace

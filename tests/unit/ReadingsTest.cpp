// Filing replies into the router model and the readings the window shows,
// without a window.
#include <gtest/gtest.h>

#include <vector>

#include "router/Readings.h"
#include "router/Routerconf.h"

namespace {

// A reply as the connection hands it over: an OID with a value.
TSnmpValue Reply(const std::string& oid, std::int32_t value, std::string text = {}) {
    TSnmpValue reply;
    reply.oid = oid;
    reply.value = value;
    reply.valueText = text.empty() ? std::to_string(value) : text;
    reply.answered = reply.fresh = true;
    return reply;
}

std::int32_t Pattern(std::uint32_t value) { return static_cast<std::int32_t>(value); }

TEST(Readings, Percent) {
    const struct {
        std::int64_t part, total;
        int percent;
    } cases[] = {
        {1, 3, 33},
        {2, 3, 66},
        {5, 0, 0},
        {5, -4, 0},
        {0, 10, 0},
        {10, 10, 100},
        // Pools of 2 to 4 GiB: sums beyond 32 bits.
        {4'000'000'000LL, 6'000'000'000LL, 66},
        {8'589'934'590LL, 8'589'934'590LL, 100},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Percent(c.part, c.total), c.percent) << c.part << " of " << c.total;
    }
}

TEST(Readings, CpuAndMemory) {
    struct {
        const char* name;
        std::uint32_t cpu;
        std::uint32_t used1, free1, used2, free2;
        double expectedCpu;
        int expectedMemory;
    } const cases[] = {
        {"plain", 23, 300, 700, 100, 900, 23, 20},
        {"the CPU is signed: a negative load stays negative", 0xFFFFFFFB, 1, 1, 1, 1, -5, 50},
        {"a pool of no bytes adds nothing", 7, 2, 1, 0, 0, 7, 66},
        {"no bytes at all", 0, 0, 0, 0, 0, 0, 0},
        {"pools beyond 32-bit sums", 0, 3'000'000'000u, 1'000'000'000u, 1'000'000'000u,
         1'000'000'000u, 0, 66},
    };
    for (const auto& c : cases) {
        TCiscoConfig config;
        config.cpu->value = Pattern(c.cpu);
        config.pools[0].poolUsed->value = Pattern(c.used1);
        config.pools[0].poolFree->value = Pattern(c.free1);
        config.pools[1].poolUsed->value = Pattern(c.used2);
        config.pools[1].poolFree->value = Pattern(c.free2);
        const TReadings readings = ComputeReadings(config, 6);
        EXPECT_DOUBLE_EQ(readings.cpu, c.expectedCpu) << c.name;
        EXPECT_EQ(readings.memory, c.expectedMemory) << c.name;
    }
}

TEST(Readings, PacketsOfTheSelectedInterface) {
    TCiscoConfig config;
    const TCiscoInterface& it = config.interfaces[3];
    // Two seconds apart: inUcast wraps past 2^32 by 1296, NUcast adds 200.
    for (auto [time, in, inN, out] :
         {std::tuple{100, 4'294'967'000u, 1'000u, 500u}, std::tuple{102, 1'000u, 1'200u, 520u}}) {
        it.inUcast->AddSample(time, Pattern(in));
        it.inNUcast->AddSample(time, Pattern(inN));
        it.outUcast->AddSample(time, Pattern(out));
        it.outNUcast->AddSample(time, 0);
    }
    // The totals read the counters unsigned and do not wrap.
    it.inUcast->value = Pattern(4'294'967'000u);
    it.inNUcast->value = 1'200;
    it.outUcast->value = 520;

    const TReadings readings = ComputeReadings(config, 3);
    EXPECT_TRUE(readings.interfaceSelected);
    EXPECT_EQ(readings.inTotal, 4'294'968'200u);
    EXPECT_EQ(readings.outTotal, 520u);
    EXPECT_DOUBLE_EQ(readings.ppsIn, 748);  // (1296 + 200) / 2
    EXPECT_DOUBLE_EQ(readings.ppsOut, 10);

    for (int selected : {-1, 10, 16}) {
        const TReadings none = ComputeReadings(config, selected);
        EXPECT_FALSE(none.interfaceSelected) << selected;
        EXPECT_EQ(none.inTotal, 0u) << selected;
        EXPECT_EQ(none.ppsIn, 0) << selected;
    }
}

TEST(Readings, InterfaceEntries) {
    TCiscoConfig config;
    EXPECT_EQ(InterfaceEntry(config, 3), "if3") << "the placeholder until the router answers";
    ASSERT_TRUE(config.FileReply(Reply("1.3.6.1.2.1.2.2.1.2.3", 0, "Serial0/0"), 100));
    EXPECT_EQ(InterfaceEntry(config, 3), "Serial0/0");
    // noSuchName: an answered empty name.
    TSnmpValue missing = Reply("1.3.6.1.2.1.2.2.1.2.0", 0);
    missing.valueText.clear();
    ASSERT_TRUE(config.FileReply(missing, 100));
    EXPECT_TRUE(config.interfaces[0].descr->answered);
    EXPECT_EQ(config.interfaces[0].descr->valueText, "") << "filed as it came";
    EXPECT_EQ(InterfaceEntry(config, 0), "if0 (none)");
}

TEST(FileReply, FilesIntoEveryVariableOfThatOid) {
    TCiscoConfig config;
    ASSERT_TRUE(config.AddInterface(3));  // a second entry with interface 3's OIDs
    const TSnmpValue* first = config.interfaces[3].inUcast;
    const TSnmpValue* second = config.interfaces[10].inUcast;

    EXPECT_TRUE(config.FileReply(Reply(first->oid, 40), 100));
    EXPECT_TRUE(config.FileReply(Reply(first->oid, 50), 100));
    for (const TSnmpValue* v : {first, second}) {
        EXPECT_EQ(v->value, 50);
        EXPECT_EQ(v->valueText, "50");
        EXPECT_TRUE(v->answered);
        EXPECT_TRUE(v->fresh);
        ASSERT_EQ(v->sampleCount, 2) << "two replies in one tick, two samples";
        EXPECT_EQ(v->samples[0].time, 100);
        EXPECT_EQ(v->samples[1].time, 100);
    }
    EXPECT_FALSE(config.interfaces[3].outUcast->answered) << "no other variable";

    config.ClearFresh();
    for (const auto& v : config.variables) EXPECT_FALSE(v->fresh) << v->oid;
}

TEST(FileReply, MatchesWholeOidsOnly) {
    const std::vector<std::string> unmatched = {
        "1.3.6.1.2.1.2.2.1.11",
        "1.3.6.1.2.1.2.2.1.11.66",
        "1.3.6.1.2.1.2.2.1.11.6 ",
        "1.3.6.1.4.1.9.9.109.1.1.1.1.6.2",
        "",
        "1.3.6.1.2.1.1.3.0",
    };
    for (const std::string& oid : unmatched) {
        TCiscoConfig config;
        EXPECT_FALSE(config.FileReply(Reply(oid, 7), 100)) << oid;
        for (const auto& v : config.variables) EXPECT_FALSE(v->answered) << oid;
    }
}

}  // namespace

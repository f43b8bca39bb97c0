// Filing replies into the router model and the readings the window shows,
// without a window.
#include <gtest/gtest.h>

#include <optional>
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

// An error reply as the connection hands it over: the OID and the status.
TSnmpValue ErrorReply(const std::string& oid, int status) {
    TSnmpValue reply;
    reply.oid = oid;
    reply.errorStatus = status;
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

// A new peak shows in full at once and raises the scale, which never comes
// down; a counter that went back shows the bar's 0.
TEST(Readings, PacketGauges) {
    const struct {
        double pps, maximum;
        TGaugeSetting shown;
    } cases[] = {
        {150.9, 100, {150, 150}},
        {120, 150, {120, 150}},
        {-3.5, 150, {-3, 150}},  // below the bar's minimum, which clamps it to 0
        {8589934590.7, 100, {8589934590, 8589934590}},
    };
    for (const auto& c : cases) {
        const TGaugeSetting shown = PacketGauge(c.pps, c.maximum);
        EXPECT_EQ(shown.position, c.shown.position) << c.pps;
        EXPECT_EQ(shown.maximum, c.shown.maximum) << c.pps;
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
        EXPECT_EQ(readings.cpu, c.expectedCpu) << c.name;
        EXPECT_EQ(readings.memory, c.expectedMemory) << c.name;
    }
}

// What the router answered noSuchName for is not available, never 0: a
// Linux or Windows agent has no Cisco objects, and some no non-unicast
// counters.
TEST(Readings, WhatTheRouterLacksIsNotAvailable) {
    struct {
        const char* name;
        std::vector<int> absent;  // indices into the variable table
        std::optional<double> cpu;
        std::optional<int> memory;
        std::optional<std::uint64_t> inTotal;  // of interface 6
        std::optional<std::uint64_t> outTotal;
    } const cases[] = {
        {"nothing lacking", {}, 30, 25, 300, 70},
        {"no Cisco objects", {0, 1, 2, 3, 4, 5, 6}, {}, {}, 300, 70},
        {"no second pool", {5, 6}, 30, 20, 300, 70},
        {"a pool without its free bytes", {6}, 30, 20, 300, 70},
        {"no non-unicast counters", {7 + 5 * 6 + 2, 7 + 5 * 6 + 4}, 30, 25, 200, 50},
        {"no such interface",
         {7 + 5 * 6 + 1, 7 + 5 * 6 + 2, 7 + 5 * 6 + 3, 7 + 5 * 6 + 4},
         30,
         25,
         std::nullopt,
         std::nullopt},
    };
    for (const auto& c : cases) {
        TCiscoConfig config;
        config.cpu->value = 30;
        config.pools[0].poolUsed->value = 20;
        config.pools[0].poolFree->value = 80;
        config.pools[1].poolUsed->value = 30;
        config.pools[1].poolFree->value = 70;
        const TCiscoInterface& it = config.interfaces[6];
        it.inUcast->value = 200;
        it.inNUcast->value = 100;
        it.outUcast->value = 50;
        it.outNUcast->value = 20;
        for (int index : c.absent) config.variables[static_cast<std::size_t>(index)]->MarkAbsent();
        const TReadings readings = ComputeReadings(config, 6);
        EXPECT_EQ(readings.cpu, c.cpu) << c.name;
        EXPECT_EQ(readings.memory, c.memory) << c.name;
        EXPECT_EQ(readings.in.has_value(), c.inTotal.has_value()) << c.name;
        EXPECT_EQ(readings.out.has_value(), c.outTotal.has_value()) << c.name;
        EXPECT_EQ(readings.in ? std::optional(readings.in->total) : std::nullopt, c.inTotal)
            << c.name;
        EXPECT_EQ(readings.out ? std::optional(readings.out->total) : std::nullopt, c.outTotal)
            << c.name;
    }
}

TEST(Readings, PacketsOfTheSelectedInterface) {
    TCiscoConfig config;
    const TCiscoInterface& it = config.interfaces[3];
    // Two seconds apart at a steady pace: inUcast wraps past 2^32 in the
    // last two, by 1296.
    for (auto [time, in, inN, out] :
         {std::tuple{98, 4'294'966'000u, 800u, 480u}, std::tuple{100, 4'294'967'000u, 1'000u, 500u},
          std::tuple{102, 1'000u, 1'200u, 520u}}) {
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
    ASSERT_TRUE(readings.in && readings.out);
    EXPECT_EQ(readings.in->total, 4'294'968'200u);
    EXPECT_EQ(readings.out->total, 520u);
    EXPECT_DOUBLE_EQ(readings.in->pps, 674);  // (2296 + 400) / 4
    EXPECT_DOUBLE_EQ(readings.out->pps, 10);

    for (int selected : {-1, 10, 16}) {
        const TReadings none = ComputeReadings(config, selected);
        EXPECT_FALSE(none.interfaceSelected) << selected;
        EXPECT_FALSE(none.in || none.out) << selected;
    }
}

TEST(Readings, InterfaceEntries) {
    TCiscoConfig config;
    EXPECT_EQ(InterfaceEntry(config, 3), "if3") << "the placeholder until the router answers";
    ASSERT_TRUE(config.FileReply(Reply("1.3.6.1.2.1.2.2.1.2.3", 0, "Serial0/0"), 100));
    EXPECT_EQ(InterfaceEntry(config, 3), "Serial0/0");
    // noSuchName: the router has no interface 0.
    ASSERT_TRUE(config.FileReply(ErrorReply("1.3.6.1.2.1.2.2.1.2.0", kNoSuchName), 100));
    EXPECT_FALSE(config.interfaces[0].descr->answered) << "asked again in a minute";
    EXPECT_TRUE(config.interfaces[0].descr->absent);
    EXPECT_EQ(InterfaceEntry(config, 0), "if0 (none)");
    // An empty name says as much.
    TSnmpValue empty = Reply("1.3.6.1.2.1.2.2.1.2.5", 0);
    empty.valueText.clear();
    ASSERT_TRUE(config.FileReply(empty, 100));
    EXPECT_EQ(InterfaceEntry(config, 5), "if5 (none)");
}

// Error replies file nothing: the value, the flags and the samples stay as
// they were. noSuchName marks the object absent until it answers again.
TEST(FileReply, AnErrorIsNoValue) {
    struct {
        const char* name;
        int status;
        bool matched;
        bool absent;
    } const cases[] = {
        {"tooBig", kTooBig, false, false},
        {"noSuchName", kNoSuchName, true, true},
        {"genErr", kGenErr, false, false},
    };
    for (const auto& c : cases) {
        TCiscoConfig config;
        TSnmpValue& cpu = *config.cpu;
        TSnmpValue& name = *config.pools[0].poolName;  // asked until answered
        ASSERT_TRUE(config.FileReply(Reply(cpu.oid, 37), 100));
        config.ClearFresh();
        for (TSnmpValue* v : {&cpu, &name}) {
            EXPECT_EQ(config.FileReply(ErrorReply(v->oid, c.status), 101), c.matched) << c.name;
        }
        EXPECT_EQ(cpu.value, 37) << c.name << ": the last value stays";
        EXPECT_EQ(cpu.sampleCount, 1) << c.name;
        EXPECT_FALSE(name.answered) << c.name << ": a once variable is asked again";
        EXPECT_EQ(name.valueText, "") << c.name;
        EXPECT_EQ(cpu.absent, c.absent) << c.name;
        EXPECT_EQ(name.absent, c.absent) << c.name;
        // The next answer is filed, and the object is there again.
        ASSERT_TRUE(config.FileReply(Reply(cpu.oid, 40), 102)) << c.name;
        EXPECT_EQ(cpu.value, 40) << c.name;
        EXPECT_FALSE(cpu.absent) << c.name;
    }
}

// What a request tick asks for: every tick the CPU and both pools' used and
// free bytes (so that the two are of the same moment), the selected
// interface's counters, and what was not answered yet; an object the
// router lacks once a minute.
TEST(RequestTick, AsksWhatIsDue) {
    TCiscoConfig config;
    auto tick = [&](std::int64_t now, int selected) {
        std::vector<std::string> asked;
        config.RequestTick(now, selected, [&](const std::string& oid) { asked.push_back(oid); });
        return asked;
    };
    EXPECT_EQ(tick(100, 6).size(), 21u) << "the first tick";
    for (const auto& v : config.variables) {
        if (v->once) config.FileReply(Reply(v->oid, 1, "x"), 100);
    }
    const std::vector<std::string> steady = tick(101, 6);
    ASSERT_EQ(steady.size(), 9u);
    const std::vector<std::string> expected = {
        config.cpu->oid,
        config.pools[0].poolUsed->oid,
        config.pools[0].poolFree->oid,
        config.pools[1].poolUsed->oid,
        config.pools[1].poolFree->oid,
        config.interfaces[6].inUcast->oid,
        config.interfaces[6].inNUcast->oid,
        config.interfaces[6].outUcast->oid,
        config.interfaces[6].outNUcast->oid,
    };
    EXPECT_EQ(steady, expected);
    EXPECT_EQ(tick(101, -1).size(), 5u) << "nothing selected: no counters";

    // A router without the Cisco objects: asked again a minute after they
    // were asked last, not every second.
    for (TSnmpValue* v : {config.cpu, config.pools[1].poolFree, config.interfaces[6].outNUcast})
        config.FileReply(ErrorReply(v->oid, kNoSuchName), 101);
    EXPECT_EQ(tick(102, 6).size(), 6u);
    EXPECT_EQ(tick(160, 6).size(), 6u);
    EXPECT_EQ(tick(161, 6).size(), 9u) << "a minute after the last ask";
    EXPECT_EQ(tick(162, 6).size(), 6u);
    EXPECT_EQ(tick(100, 6).size(), 9u) << "a clock set back counts as time gone by";
    config.ForgetAbsent();
    EXPECT_EQ(tick(101, 6).size(), 9u) << "after Setup, at once";
}

// poolFree is asked every tick with poolUsed: a pool that went from 20 to
// 80 % used shows 80 %, not the latest used over the first free bytes.
TEST(FileReply, TheMemoryGaugeFollowsUsedAndFreeAlike) {
    TCiscoConfig config;
    const TCiscoPool& pool = config.pools[0];
    config.FileReply(Reply(pool.poolUsed->oid, 200), 100);
    config.FileReply(Reply(pool.poolFree->oid, 800), 100);
    EXPECT_EQ(ComputeReadings(config, 6).memory, 20);
    config.FileReply(Reply(pool.poolUsed->oid, 800), 101);
    config.FileReply(Reply(pool.poolFree->oid, 200), 101);
    EXPECT_EQ(ComputeReadings(config, 6).memory, 80);
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

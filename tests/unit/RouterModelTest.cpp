#include <gtest/gtest.h>

#include <set>

#include "router/Routerconf.h"

namespace {

struct Row {
    int index;
    const char* oid;
    bool once;
    bool active;
};

TEST(RouterModel, VariableTableInOrder) {
    TCiscoConfig config;
    ASSERT_EQ(config.variableCount(), 57);
    const Row head[] = {
        {0, "1.3.6.1.4.1.9.9.109.1.1.1.1.6.1", false, true},
        {1, "1.3.6.1.4.1.9.9.48.1.1.1.2.1", true, true},
        {2, "1.3.6.1.4.1.9.9.48.1.1.1.5.1", false, true},
        {3, "1.3.6.1.4.1.9.9.48.1.1.1.6.1", false, true},
        {4, "1.3.6.1.4.1.9.9.48.1.1.1.2.2", true, true},
        {5, "1.3.6.1.4.1.9.9.48.1.1.1.5.2", false, true},
        {6, "1.3.6.1.4.1.9.9.48.1.1.1.6.2", false, true},
    };
    for (const Row& r : head) {
        const TSnmpValue& v = *config.variables[static_cast<std::size_t>(r.index)];
        EXPECT_EQ(v.oid, r.oid) << r.index;
        EXPECT_EQ(v.once, r.once) << r.index;
        EXPECT_EQ(v.active, r.active) << r.index;
    }
    const Row perInterface[] = {
        {7, "1.3.6.1.2.1.2.2.1.2.", true, true},     {8, "1.3.6.1.2.1.2.2.1.11.", false, false},
        {9, "1.3.6.1.2.1.2.2.1.12.", false, false},  {10, "1.3.6.1.2.1.2.2.1.17.", false, false},
        {11, "1.3.6.1.2.1.2.2.1.18.", false, false},
    };
    for (int i = 0; i < 10; ++i) {
        for (const Row& r : perInterface) {
            std::size_t index = static_cast<std::size_t>(r.index + 5 * i);
            const TSnmpValue& v = *config.variables[index];
            EXPECT_EQ(v.oid, r.oid + std::to_string(i)) << index;
            EXPECT_EQ(v.once, r.once) << index;
            EXPECT_EQ(v.active, r.active) << index;
        }
    }
    EXPECT_EQ(config.variables[56]->oid, "1.3.6.1.2.1.2.2.1.18.9");
}

TEST(RouterModel, NamedPointersAreInTheTable) {
    TCiscoConfig config;
    EXPECT_EQ(config.cpu, config.variables[0].get());
    ASSERT_EQ(config.poolCount, 2);
    ASSERT_EQ(config.interfaceCount, 10);
    std::set<const TSnmpValue*> named = {config.cpu};
    for (int p = 0; p < config.poolCount; ++p) {
        const TCiscoPool& pool = config.pools[static_cast<std::size_t>(p)];
        named.insert({pool.poolName, pool.poolUsed, pool.poolFree});
    }
    for (int i = 0; i < config.interfaceCount; ++i) {
        const TCiscoInterface& it = config.interfaces[static_cast<std::size_t>(i)];
        named.insert({it.descr, it.inUcast, it.inNUcast, it.outUcast, it.outNUcast});
        EXPECT_EQ(it.descr, config.variables[static_cast<std::size_t>(7 + 5 * i)].get());
        EXPECT_EQ(it.outNUcast, config.variables[static_cast<std::size_t>(11 + 5 * i)].get());
    }
    EXPECT_EQ(named.size(), 57u) << "every variable is named exactly once";
    EXPECT_EQ(config.pools[1].poolUsed->oid, "1.3.6.1.4.1.9.9.48.1.1.1.5.2");
    EXPECT_EQ(config.interfaces[6].inUcast->oid, "1.3.6.1.2.1.2.2.1.11.6");
}

TEST(RouterModel, Defaults) {
    TCiscoConfig config;
    EXPECT_EQ(config.name, "ventrel");
    EXPECT_EQ(config.hostname, "192.168.0.1");
    EXPECT_EQ(config.community, "kelpie");
    EXPECT_EQ(config.selectedInterface, 6);
    EXPECT_EQ(config.top, 0);
    EXPECT_EQ(config.left, 0);
    for (int i = 0; i < config.interfaceCount; ++i) {
        EXPECT_EQ(config.interfaces[static_cast<std::size_t>(i)].descr->valueText,
                  "if" + std::to_string(i));
    }
    for (const auto& v : config.variables) {
        if (v.get() == config.interfaces[0].descr) continue;
        EXPECT_EQ(v->value, 0);
        EXPECT_FALSE(v->answered);
        EXPECT_EQ(v->sampleCount, 0);
    }
}

TEST(RouterModel, NoTwoVariablesShareAnOid) {
    TCiscoConfig config;
    std::set<std::string> oids;
    for (const auto& v : config.variables) oids.insert(v->oid);
    EXPECT_EQ(oids.size(), 57u);
}

TEST(RouterModel, InterfaceTableIsBounded) {
    TCiscoConfig config;
    for (int i = 10; i < 16; ++i) EXPECT_TRUE(config.AddInterface(i)) << i;
    EXPECT_FALSE(config.AddInterface(16));
    EXPECT_EQ(config.interfaceCount, 16);
    EXPECT_EQ(config.variableCount(), 57 + 30);
}

}  // namespace

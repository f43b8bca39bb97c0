// The simulated router without a network: its agent's answers, how its
// values move, and its command line.
#include <gtest/gtest.h>

#include <set>

#include "router/Oids.h"
#include "tools/simrouter/SimAgent.h"
#include "tools/simrouter/SimOptions.h"
#include "tools/simrouter/SimRouter.h"

namespace {

std::vector<std::uint8_t> Request(const std::string& community, std::int32_t id,
                                  const std::string& oid) {
    TAsn1SnmpGet get(community, id, oid);
    std::vector<std::uint8_t> out(4096);
    out.resize(get.Encode(out));
    return out;
}

// A decoded response: the parts a manager reads.
struct Response {
    int pduTag = -1;
    std::int64_t id = -1;
    std::int64_t status = -1;
    std::int64_t index = -1;
    std::vector<std::string> oids;
    std::vector<const TAsn1Base*> values;
    std::unique_ptr<TAsn1Base> tree;
};

Response Decode(const std::vector<std::uint8_t>& octets) {
    Response r;
    TAsn1Decoded decoded = Gulp(octets);
    EXPECT_TRUE(decoded.fault.ok());
    EXPECT_EQ(decoded.consumed, octets.size());
    r.tree = std::move(decoded.node);
    auto* message = dynamic_cast<TAsn1Sequence*>(r.tree.get());
    if (message == nullptr || message->Count() != 3) return r;
    auto* pdu = dynamic_cast<TAsn1Implicit*>(message->Child(2));
    if (pdu == nullptr || pdu->Count() != 4) return r;
    r.pduTag = pdu->tagNumber;
    r.id = dynamic_cast<TAsn1Integer&>(*pdu->Child(0)).value;
    r.status = dynamic_cast<TAsn1Integer&>(*pdu->Child(1)).value;
    r.index = dynamic_cast<TAsn1Integer&>(*pdu->Child(2)).value;
    auto& bindings = dynamic_cast<TAsn1Sequence&>(*pdu->Child(3));
    for (int i = 0; i < bindings.Count(); ++i) {
        auto& binding = dynamic_cast<TAsn1Sequence&>(*bindings.Child(i));
        r.oids.push_back(dynamic_cast<TAsn1Object&>(*binding.Child(0)).oid);
        r.values.push_back(binding.Child(1));
    }
    return r;
}

class SimAgentTest : public ::testing::Test {
protected:
    SimAgentTest() : router_(42, false, 0), agent_(router_, "kelpie") { router_.AdvanceTo(5); }

    Response Ask(const std::string& oid, std::int32_t id = 7) {
        TSimReply reply = agent_.Handle(Request("kelpie", id, oid));
        EXPECT_TRUE(reply.answer) << oid << ": " << reply.summary;
        return Decode(reply.octets);
    }

    TSimRouter router_;
    TSimAgent agent_;
};

TEST_F(SimAgentTest, AnswersThePolledObjects) {
    struct Case {
        std::string oid;
        std::uint8_t type;
        const char* text;  // nullptr: any
    };
    const Case cases[] = {
        {mib::kCpu, kTagGauge, nullptr},
        {mib::Cell(mib::kPoolName, 1), kTagOctetString, "Processor"},
        {mib::Cell(mib::kPoolName, 2), kTagOctetString, "I/O"},
        {mib::Cell(mib::kPoolUsed, 1), kTagGauge, nullptr},
        {mib::Cell(mib::kPoolFree, 2), kTagGauge, nullptr},
        {mib::Cell(mib::kIfDescr, 1), kTagOctetString, "FastEthernet0/0"},
        {mib::Cell(mib::kIfDescr, 9), kTagOctetString, "Loopback0"},
        {mib::Cell(mib::kIfDescr, 12), kTagOctetString, "Null0"},
        {mib::Cell(mib::kIfInUcast, 6), kTagCounter, nullptr},
        {mib::Cell(mib::kIfInNUcast, 6), kTagCounter, nullptr},
        {mib::Cell(mib::kIfOutUcast, 6), kTagCounter, nullptr},
        {mib::Cell(mib::kIfOutNUcast, 6), kTagCounter, nullptr},
        {mib::kSysUpTime, kTagTimeTicks, nullptr},
        {mib::kSysDescr, kTagOctetString, nullptr},
    };
    std::int32_t id = 100;
    for (const Case& c : cases) {
        Response r = Ask(c.oid, id);
        EXPECT_EQ(r.pduTag, 2) << c.oid;  // GetResponse, 0xA2
        EXPECT_EQ(r.id, id) << c.oid;
        EXPECT_EQ(r.status, 0) << c.oid;
        EXPECT_EQ(r.index, 0) << c.oid;
        ASSERT_EQ(r.oids, std::vector<std::string>{c.oid});
        if (auto* number = dynamic_cast<const TAsn1Integer*>(r.values[0])) {
            EXPECT_EQ(number->identifier, c.type) << c.oid;
        } else if (auto* text = dynamic_cast<const TAsn1OctetString*>(r.values[0])) {
            EXPECT_EQ(c.type, kTagOctetString) << c.oid;
            if (c.text != nullptr) {
                EXPECT_EQ(text->data, c.text) << c.oid;
            }
        } else {
            ADD_FAILURE() << c.oid << " answered with " << r.values[0]->kindName;
        }
        ++id;
    }
}

TEST_F(SimAgentTest, EchoesLargeRequestIds) {
    for (std::int32_t id : {0, 127, 128, 65535, 0x7FFFFFFF}) {
        EXPECT_EQ(Ask(mib::kCpu, id).id, id);
    }
}

TEST_F(SimAgentTest, MissingObjectsAreNoSuchName) {
    const std::string missing[] = {
        mib::Cell(mib::kIfDescr, 0),   // the monitor's first list position
        mib::Cell(mib::kIfDescr, 13),  // past the last interface
        "1.3.6.1.2.1.2.2.1.99.1",      // a column we do not keep
        mib::Cell(mib::kPoolUsed, 3), "1.3.6.1.4.1.9.9.109.1.1.1.1.6.2", "1.3",
    };
    for (const std::string& oid : missing) {
        Response r = Ask(oid);
        EXPECT_EQ(r.status, TSimAgent::kNoSuchName) << oid;
        EXPECT_EQ(r.index, 1) << oid;
        ASSERT_EQ(r.oids, std::vector<std::string>{oid});
        EXPECT_STREQ(r.values[0]->kindName, "null") << oid;
    }
}

TEST_F(SimAgentTest, ErrorIndexPointsAtTheFirstMissingBinding) {
    // A GetRequest with three bindings, the second missing.
    TAsn1SnmpGet get("kelpie", 9, mib::kCpu);
    auto* pdu = dynamic_cast<TAsn1Sequence*>(get.Child(2));
    ASSERT_TRUE(pdu);
    auto* bindings = dynamic_cast<TAsn1Sequence*>(pdu->Child(3));
    ASSERT_TRUE(bindings);
    for (const std::string& oid : {mib::Cell(mib::kIfDescr, 0), mib::Cell(mib::kIfDescr, 1)}) {
        auto binding = std::make_unique<TAsn1Sequence>();
        binding->Append(std::make_unique<TAsn1Object>(oid));
        binding->Append(std::make_unique<TAsn1Null>());
        bindings->Append(std::move(binding));
    }
    std::vector<std::uint8_t> octets(4096);
    octets.resize(get.Encode(octets));
    TSimReply reply = agent_.Handle(octets);
    ASSERT_TRUE(reply.answer);
    Response r = Decode(reply.octets);
    EXPECT_EQ(r.status, TSimAgent::kNoSuchName);
    EXPECT_EQ(r.index, 2);
    EXPECT_EQ(r.oids, (std::vector<std::string>{mib::kCpu, mib::Cell(mib::kIfDescr, 0),
                                                mib::Cell(mib::kIfDescr, 1)}));
    for (const TAsn1Base* value : r.values) EXPECT_STREQ(value->kindName, "null");
}

// A switch numbers its ports sparsely; GetNext walks them in order, then
// leaves the column, and past the last object there is noSuchName.
TEST(SimSwitch, GetNextWalksItsObjectsInOrder) {
    TSimRouter router(42, false, 0, 5);
    TSimAgent agent(router, "kelpie");
    const std::string column = "1.3.6.1.2.1.2.2.1.2";
    const struct {
        std::string asked;
        std::string next;  // empty: noSuchName
        const char* name;  // the interface's, for the name column
    } cases[] = {
        {column, column + ".1", "Vlan1"},
        {column + ".1", column + ".10101", "GigabitEthernet1/0/1"},
        {column + ".10101", column + ".10102", "GigabitEthernet1/0/2"},
        {column + ".5000", column + ".10101", "GigabitEthernet1/0/1"},
        {column + ".10104", "1.3.6.1.2.1.2.2.1.10.1", nullptr},
        {"1.3.6.1.2.1.2.1.0", "1.3.6.1.2.1.2.2.1.1.1", nullptr},
        {"1.3", "1.3.6.1.2.1.1.1.0", nullptr},
        {"1.3.6.1.4.1.9.9.109.1.1.1.1.7.1", "1.3.6.1.4.1.9.9.109.1.1.1.1.8.1", nullptr},
        {"1.3.6.1.4.1.9.9.109.1.1.1.1.8.1", "", nullptr},
        {"1.4", "", nullptr},
    };
    for (const auto& c : cases) {
        TAsn1SnmpGet get("kelpie", 3, c.asked, kGetNextRequestTag);
        std::vector<std::uint8_t> octets(4096);
        octets.resize(get.Encode(octets));
        TSimReply reply = agent.Handle(octets);
        ASSERT_TRUE(reply.answer) << c.asked << ": " << reply.summary;
        Response r = Decode(reply.octets);
        EXPECT_EQ(r.pduTag, kGetResponseTag) << c.asked;
        EXPECT_EQ(r.status, c.next.empty() ? TSimAgent::kNoSuchName : 0) << c.asked;
        ASSERT_EQ(r.oids.size(), 1u) << c.asked;
        EXPECT_EQ(r.oids[0], c.next.empty() ? c.asked : c.next) << c.asked;
        if (c.name != nullptr) {
            auto* text = dynamic_cast<const TAsn1OctetString*>(r.values[0]);
            ASSERT_TRUE(text) << c.asked;
            EXPECT_EQ(text->data, c.name);
        }
    }
    EXPECT_TRUE(router.Get(mib::Cell(mib::kIfInUcast, 10104))) << "the ports count";
    EXPECT_FALSE(router.Get(mib::Cell(mib::kIfInUcast, 2))) << "between 1 and 10101: none";
}

TEST_F(SimAgentTest, IgnoresWhatIsNotItsGetRequest) {
    std::vector<std::uint8_t> version2 = Request("kelpie", 1, mib::kCpu);
    version2[4] = 1;  // 30 26 02 01 [00]: the version
    std::vector<std::uint8_t> setRequest = Request("kelpie", 1, mib::kCpu);
    setRequest[13] = 0xA3;  // 30 LL 02 01 00 04 06 kelpie [A0]
    std::vector<std::uint8_t> truncated = Request("kelpie", 1, mib::kCpu);
    truncated.resize(20);
    const std::pair<const char*, std::vector<std::uint8_t>> cases[] = {
        {"wrong community", Request("public", 1, mib::kCpu)},
        {"empty community", Request("", 1, mib::kCpu)},
        {"version 2c", version2},
        {"SetRequest", setRequest},
        {"not BER", {0xDE, 0xAD, 0xBE, 0xEF}},
        {"truncated", truncated},
        {"empty", {}},
    };
    for (const auto& [name, octets] : cases) {
        TSimReply reply = agent_.Handle(octets);
        EXPECT_FALSE(reply.answer) << name << ": " << reply.summary;
    }
}

TEST(SimRouter, ValuesMoveWithinBelievableBounds) {
    TSimRouter router(3, false, 0);
    std::set<int> cpus;
    std::set<std::uint32_t> used;
    TSimInterface before = router.interfaces[0];
    for (int second = 1; second <= 600; ++second) {
        router.AdvanceTo(second);
        EXPECT_GE(router.cpu, 5);
        EXPECT_LE(router.cpu, 60);
        cpus.insert(router.cpu);
        for (const TSimPool& pool : router.pools) {
            EXPECT_GE(pool.used, pool.lowest);
            EXPECT_LE(pool.used, pool.highest);
            EXPECT_LT(pool.used, pool.size);
        }
        used.insert(router.pools[0].used);
        // FastEthernet0/0: some hundreds of packets a second, never backwards.
        const TSimInterface& now = router.interfaces[0];
        std::uint32_t in = now.inUcast - before.inUcast;
        EXPECT_GE(in, 50u) << second;
        EXPECT_LE(in, 3000u) << second;
        EXPECT_LE(now.inNUcast - before.inNUcast, in) << second;
        EXPECT_GT(now.outUcast - before.outUcast, 0u) << second;
        before = now;
    }
    EXPECT_GT(cpus.size(), 10u);
    EXPECT_GT(used.size(), 100u);
    // The rate varies: the load wanders.
    EXPECT_NE(router.interfaces[0].load, TSimRouter(3, false, 0).interfaces[0].load);
}

TEST(SimRouter, CountersWrapSoonWhenAsked) {
    TSimRouter router(5, true, 0);
    std::set<std::size_t> wrapped;
    auto previous = router.interfaces;
    for (int second = 1; second <= 90; ++second) {
        router.AdvanceTo(second);
        for (std::size_t i = 0; i < previous.size(); ++i) {
            if (router.interfaces[i].inUcast < previous[i].inUcast) wrapped.insert(i);
        }
        previous = router.interfaces;
    }
    // Every interface that carries traffic passed 2^32 within the 90 seconds.
    for (std::size_t i : {0u, 1u, 2u, 4u, 5u, 10u}) EXPECT_TRUE(wrapped.count(i)) << i;
}

TEST(SimRouter, RestartSetsCountersAndUptimeBack) {
    TSimRouter router(11, false, 30);
    router.AdvanceTo(29);
    std::uint32_t before = router.interfaces[0].inUcast;
    auto uptime = [&] { return dynamic_cast<TAsn1Integer&>(*router.Get(mib::kSysUpTime)).value; };
    EXPECT_GT(uptime(), 8640000);  // more than a day
    EXPECT_FALSE(router.restarted());
    router.AdvanceTo(30);
    EXPECT_TRUE(router.restarted());
    EXPECT_EQ(router.interfaces[0].inUcast, 0u);
    EXPECT_EQ(uptime(), 0);
    router.AdvanceTo(35);
    EXPECT_LT(router.interfaces[0].inUcast, before);
    EXPECT_GT(router.interfaces[0].inUcast, 0u);
    EXPECT_EQ(uptime(), 500);
}

TEST(SimRouter, TheSeedDecides) {
    TSimRouter a(1234, false, 0);
    TSimRouter b(1234, false, 0);
    TSimRouter c(4321, false, 0);
    a.AdvanceTo(100);
    b.AdvanceTo(100);
    c.AdvanceTo(100);
    EXPECT_EQ(a.cpu, b.cpu);
    EXPECT_EQ(a.pools[1].used, b.pools[1].used);
    EXPECT_EQ(a.interfaces[4].outUcast, b.interfaces[4].outUcast);
    EXPECT_NE(a.interfaces[4].outUcast, c.interfaces[4].outUcast);
}

TEST(SimOptions, CommandLines) {
    struct Case {
        std::vector<std::string> args;
        bool ok;
    };
    const Case cases[] = {
        {{}, true},
        {{"--bind", "127.0.0.2", "--port", "161", "--community", "x y"}, true},
        {{"--port=16200", "--seconds=5", "--seed", "0"}, true},
        {{"--log", "--wrap-soon", "--restart-after", "30", "--loss", "12.5", "--delay", "250"},
         true},
        {{"--reply-from", "127.0.0.2"}, true},
        {{"--help"}, true},
        {{"--port", "0"}, false},
        {{"--port", "65536"}, false},
        {{"--port", "16x"}, false},
        {{"--port"}, false},
        {{"--bind", "localhost"}, false},
        {{"--loss", "101"}, false},
        {{"--delay", "-1"}, false},
        {{"--seconds", "-3"}, false},
        {{"--log=1"}, false},
        {{"--frobnicate"}, false},
        {{"stray"}, false},
    };
    for (const Case& c : cases) {
        TSimOptions options;
        std::string joined;
        for (const std::string& a : c.args) joined += a + " ";
        EXPECT_EQ(!ParseSimOptions(c.args, options).has_value(), c.ok) << joined;
    }

    TSimOptions defaults;
    ASSERT_FALSE(ParseSimOptions({}, defaults));
    EXPECT_EQ(defaults.bind, "127.0.0.1");
    EXPECT_EQ(defaults.port, 16161);
    EXPECT_EQ(defaults.community, "kelpie");
    EXPECT_EQ(defaults.seconds, 0);

    TSimOptions set;
    ASSERT_FALSE(
        ParseSimOptions({"--port=16200", "--loss", "12.5", "--seed", "9", "--wrap-soon"}, set));
    EXPECT_EQ(set.port, 16200);
    EXPECT_DOUBLE_EQ(set.loss, 12.5);
    EXPECT_EQ(set.seed, 9u);
    EXPECT_TRUE(set.wrapSoon);

    // --help names every option.
    std::string help = SimHelpText();
    for (const char* name :
         {"--bind", "--port", "--community", "--seconds", "--seed", "--log", "--wrap-soon",
          "--restart-after", "--loss", "--delay", "--reply-from", "--help"}) {
        EXPECT_NE(help.find(name), std::string::npos) << name;
    }
}

}  // namespace

// The walk of the router's interface names and the list it fills, without a
// network: each answer as the link hands it over.
#include <gtest/gtest.h>

#include "router/Interfacewalk.h"
#include "router/Oids.h"
#include "router/Readings.h"
#include "router/Routerconf.h"
#include "snmp/Snmp.h"

namespace {

using namespace std::chrono_literals;
using TClock = TInterfaceWalk::TClock;

const std::string kColumn = mib::kIfDescr;

// An answer to a GetNextRequest: the next object and its value, or an error.
TSnmpValue Answer(const std::string& oid, const std::string& text, int status = kNoError) {
    TSnmpValue reply;
    reply.oid = oid;
    reply.valueText = text;
    reply.errorStatus = status;
    reply.answered = status == kNoError;
    reply.next = true;
    return reply;
}

std::string Cell(int instance) { return kColumn + "." + std::to_string(instance); }

// A walk and its clock, stepped by hand.
struct TWalkRig {
    TInterfaceWalk walk;
    TClock::time_point now{1h};

    TWalkRig() { walk.Start(now, true); }

    // The next request, after the step's pause.
    std::optional<std::string> Next() {
        now += TInterfaceWalk::kStep;
        return walk.Due(now);
    }
};

TEST(InterfaceWalk, EndsWhereTheRouterSaysItsInterfacesEnd) {
    struct {
        const char* name;
        TSnmpValue last;  // the answer after Cell(5)
        TInterfaceWalk::TState state;
    } const cases[] = {
        {"the answer leaves the column", Answer("1.3.6.1.2.1.2.2.1.3.1", "6"),
         TInterfaceWalk::TState::Done},
        {"noSuchName: nothing follows", Answer(Cell(5), "", kNoSuchName),
         TInterfaceWalk::TState::Done},
        {"a passing fault is asked again", Answer(Cell(5), "", kGenErr),
         TInterfaceWalk::TState::Walking},
    };
    for (const auto& c : cases) {
        TWalkRig rig;
        EXPECT_EQ(rig.Next(), kColumn) << c.name << ": the walk starts at the column";
        rig.walk.Take(Answer(Cell(1), "Vlan1"));
        EXPECT_EQ(rig.Next(), Cell(1)) << c.name;
        rig.walk.Take(Answer(Cell(5), "Gi0/5"));
        EXPECT_EQ(rig.Next(), Cell(5)) << c.name;
        rig.walk.Take(c.last);
        EXPECT_EQ(rig.walk.state(), c.state) << c.name;
        ASSERT_EQ(rig.walk.found().size(), 2u) << c.name;
        EXPECT_EQ(rig.walk.found()[1].instance, 5);
        EXPECT_EQ(rig.walk.found()[1].name, "Gi0/5");
        EXPECT_EQ(rig.Next().has_value(), c.state == TInterfaceWalk::TState::Walking) << c.name;
    }
}

TEST(InterfaceWalk, StopsAtAThousandInterfaces) {
    TWalkRig rig;
    for (int i = 1;; ++i) {
        std::optional<std::string> asked = rig.Next();
        if (!asked) break;
        ASSERT_LE(i, 1000);
        rig.walk.Take(Answer(Cell(10100 + i), "port"));
    }
    EXPECT_EQ(rig.walk.found().size(), TInterfaceWalk::kMaxInterfaces);
    EXPECT_EQ(rig.walk.state(), TInterfaceWalk::TState::Done);
    EXPECT_EQ(rig.walk.requests(), 1000);
}

// At most one request a step, one at a time; an answer that has not come
// is asked again after a second, three times in all; then the walk gives
// up until a minute later.
TEST(InterfaceWalk, AnAgentThatStopsAnsweringIsAskedAgainThenLeftAlone) {
    TWalkRig rig;
    ASSERT_EQ(rig.Next(), kColumn);
    rig.walk.Take(Answer(Cell(1), "Vlan1"));
    EXPECT_FALSE(rig.walk.Due(rig.now)) << "not twice within a step";
    ASSERT_EQ(rig.Next(), Cell(1));
    EXPECT_FALSE(rig.Next()) << "the answer is awaited";
    rig.now += TInterfaceWalk::kAnswerWait;
    EXPECT_EQ(rig.walk.Due(rig.now), Cell(1)) << "second try";
    rig.now += TInterfaceWalk::kAnswerWait;
    EXPECT_EQ(rig.walk.Due(rig.now), Cell(1)) << "third try";
    rig.now += TInterfaceWalk::kAnswerWait;
    EXPECT_FALSE(rig.walk.Due(rig.now));
    EXPECT_EQ(rig.walk.state(), TInterfaceWalk::TState::GaveUp);
    EXPECT_FALSE(rig.walk.RetryDue(rig.now + 59s));
    EXPECT_TRUE(rig.walk.RetryDue(rig.now + 60s));

    // Tried again, the walk keeps what it found, unless told to forget it.
    rig.walk.Start(rig.now + 60s, false);
    EXPECT_EQ(rig.walk.found().size(), 1u);
    rig.walk.Start(rig.now + 60s, true);
    EXPECT_TRUE(rig.walk.found().empty());
}

// Late and repeated answers name objects the walk has passed: they move
// nothing. A cell of two arcs is no interface, but the walk goes past it.
TEST(InterfaceWalk, StaleAnswersAreLeftAside) {
    TWalkRig rig;
    rig.Next();
    rig.walk.Take(Answer(Cell(1), "Vlan1"));
    rig.Next();
    rig.walk.Take(Answer(Cell(60), "Gi0/1"));
    rig.walk.Take(Answer(Cell(1), "PWNED"));   // the first answer again
    rig.walk.Take(Answer(Cell(60), "PWNED"));  // this one again
    TSnmpValue get = Answer(Cell(70), "a Get's answer");
    get.next = false;
    rig.walk.Take(get);
    rig.walk.Take(Answer(Cell(5), "", kNoSuchName));  // an error for an earlier step
    EXPECT_EQ(rig.walk.state(), TInterfaceWalk::TState::Walking);
    EXPECT_EQ(rig.Next(), Cell(60));
    rig.walk.Take(Answer(Cell(60) + ".1", "two arcs"));
    EXPECT_EQ(rig.Next(), Cell(60) + ".1");
    rig.walk.Take(Answer(Cell(70), "Gi0/2"));
    ASSERT_EQ(rig.walk.found().size(), 3u);
    EXPECT_EQ(rig.walk.found()[0].name, "Vlan1");
    EXPECT_EQ(rig.walk.found()[1].name, "Gi0/1");
    EXPECT_EQ(rig.walk.found()[2].instance, 70);
}

// The list: the first ten instances as before, then what the walk found
// beyond them in ifIndex order; a stored instance beyond the first ten
// keeps an entry until the walk finds it.
TEST(InterfaceList, TheFirstTenThenTheRestInOrder) {
    TCiscoConfig config;
    config.selectedInterface = 10103;
    config.ChooseInterface(config.selectedInterface);
    auto instances = [&] {
        std::vector<int> out;
        for (const TListEntry& entry : InterfaceList(config)) out.push_back(entry.instance);
        return out;
    };
    EXPECT_EQ(instances(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10103}));
    EXPECT_EQ(InterfaceList(config).back().text, "if10103") << "a placeholder until it is found";

    TWalkRig rig;
    config.walk.Start(rig.now, true);
    for (int instance : {1, 60, 10101, 10102, 10103, 10104}) {
        rig.now += TInterfaceWalk::kStep;
        ASSERT_TRUE(config.walk.Due(rig.now));
        config.walk.Take(Answer(Cell(instance), "port" + std::to_string(instance)));
        if (instance == 10101) {
            EXPECT_EQ(instances(),
                      (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 60, 10101, 10103}));
        }
    }
    EXPECT_EQ(instances(),
              (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 60, 10101, 10102, 10103, 10104}));
    const std::vector<TListEntry> list = InterfaceList(config);
    EXPECT_EQ(list[1].text, "port1") << "a name the walk found before its own answer";
    EXPECT_EQ(list[13].text, "port10103");
    EXPECT_EQ(list[0].text, "if0");

    // The chosen interface's counters are polled by their own instance.
    std::vector<std::string> asked;
    config.RequestTick(100, 10103, [&](const std::string& oid) { asked.push_back(oid); });
    EXPECT_EQ(asked.back(), "1.3.6.1.2.1.2.2.1.18.10103");
    ASSERT_TRUE(config.FindInterface(10103));
    EXPECT_FALSE(config.FindInterface(10104)) << "only the chosen one has counters";

    // Another choice replaces its variables; the table does not grow.
    const int variables = config.variableCount();
    config.ChooseInterface(10104);
    EXPECT_EQ(config.variableCount(), variables);
    EXPECT_FALSE(config.FindInterface(10103));
    config.ChooseInterface(6);
    EXPECT_EQ(config.variableCount(), 57);
}

}  // namespace

#include <gtest/gtest.h>

#include "router/Oids.h"
#include "snmp/Snmp.h"
#include "tests/support/Hex.h"

namespace {

struct RateCase {
    const char* name;
    std::vector<std::pair<std::int64_t, std::int64_t>> samples;  // (time, value), newest first
    double rate;
    bool counter = true;  // false: a gauge, whose drops are no restarts
};

TEST(SnmpValue, RateOverTenSeconds) {
    const RateCase cases[] = {
        {"no sample", {}, 0},
        {"one sample", {{100, 500}}, 0},
        {"oldest within the window wins", {{100, 500}, {98, 300}, {96, 100}}, 100},
        {"exactly the window back counts", {{100, 50}, {90, 0}}, 5},
        {"only sample too old", {{100, 500}, {88, 0}}, 0},
        {"the difference wraps", {{100, 10}, {95, 0xFFFFFFFA}}, 3.2, false},
        {"no time passed", {{100, 5}, {100, 3}}, 0},
        {"a gauge went back", {{100, 3}, {95, 8}}, -1, false},
        {"a counter went back at its second sample: a restart", {{100, 3}, {95, 8}}, 0},
        {"clock set back", {{90, 50}, {95, 40}, {100, 30}}, 0},
        {"clock set forward", {{200, 50}, {100, 40}}, 0},
        {"skips samples outside", {{100, 70}, {95, 20}, {80, 0}}, 10},
        // A drop with a pace before it: a wrap at about that pace, or a restart.
        {"wrapped at the pace before", {{100, 250}, {95, 4294967046}, {90, 4294966796}}, 75},
        {"restarted from above 2^31", {{100, 200}, {95, 3000000500}, {90, 3000000000}}, 0},
        {"one sample after a restart",
         {{101, 300}, {100, 200}, {95, 3000000500}, {90, 3000000000}},
         100},
        {"went back after a steady pace", {{100, 3}, {95, 508}, {90, 8}}, 0},
        {"a wrap far beyond the pace before reads as a restart",
         {{100, 4000}, {95, 4294967000}, {90, 4294966950}},
         0},
        // With no pace to judge a drop by, it is a restart: as a wrap it
        // could be a spike of a billion packets a second.
        {"a drop at the second sample", {{101, 500}, {100, 3'000'000'000}}, 0},
        {"and one sample after it", {{102, 800}, {101, 500}, {100, 3'000'000'000}}, 300},
        {"no time between the samples before the drop",
         {{100, 10}, {95, 0xFFFFFFFA}, {95, 0xFFFFFFF0}},
         0},
        // The pace comes from the newest pair whose times differ.
        {"a restart after two replies shared a tick",
         {{3, 500}, {2, 3'000'000'000}, {2, 2'999'999'500}, {1, 2'999'999'000}},
         0},
        {"a wrap after two replies shared a tick",
         {{3, 300}, {2, 4'294'967'000}, {2, 4'294'966'900}, {1, 4'294'966'500}},
         548},
        {"a drop within one tick", {{3, 500}, {3, 3'000'000'000}, {2, 2'999'999'000}}, 0},
        {"a gauge that drops is no restart",
         {{101, 500}, {100, 3'000'000'000}},
         static_cast<double>(static_cast<std::int32_t>(500u - 3'000'000'000u)),
         false},
    };
    for (const auto& c : cases) {
        TSnmpValue v("1.3.6.1", false, true);
        v.counter = c.counter;
        // AddSample puts the newest first, so add the oldest first.
        for (auto it = c.samples.rbegin(); it != c.samples.rend(); ++it) {
            v.AddSample(it->first,
                        static_cast<std::int32_t>(static_cast<std::uint32_t>(it->second)));
        }
        EXPECT_DOUBLE_EQ(v.Rate(10), c.rate) << c.name;
    }
}

TEST(SnmpValue, NoRateWindowSpansARestart) {
    // A full history at 100 a second, a restart from 0, then twenty more
    // seconds at 100 a second: the rate never shows the drop, however far
    // the samples from before it have moved down the history.
    struct {
        const char* name;
        std::uint32_t before;  // the counter at the first sample
    } const cases[] = {
        {"counter above 2^31", 3'000'000'000u},
        {"counter below 2^31", 1'000'000u},
    };
    for (const auto& c : cases) {
        TSnmpValue v("1.3.6.1", false, true);
        v.counter = true;
        std::int64_t t = 1000;
        for (int i = 0; i < TSnmpValue::kSampleCapacity; ++i, ++t)
            v.AddSample(t, static_cast<std::int32_t>(c.before + 100u * static_cast<unsigned>(i)));
        ASSERT_DOUBLE_EQ(v.Rate(10), 100) << c.name;
        v.AddSample(t++, 50);
        EXPECT_DOUBLE_EQ(v.Rate(10), 0) << c.name << ": only one sample since the restart";
        for (int tick = 1; tick <= 20; ++tick, ++t) {
            v.AddSample(t, 50 + 100 * tick);
            EXPECT_DOUBLE_EQ(v.Rate(10), 100) << c.name << ", tick " << tick << " after";
        }
    }
}

TEST(SnmpValue, KeepsTheTenNewestSamples) {
    TSnmpValue v;
    for (int i = 1; i <= 11; ++i) v.AddSample(i, i * 10);
    EXPECT_EQ(v.sampleCount, 10);
    EXPECT_EQ(v.samples[0].time, 11);
    EXPECT_EQ(v.samples[0].value, 110);
    EXPECT_EQ(v.samples[9].time, 2);
    EXPECT_DOUBLE_EQ(v.Rate(10), 10.0);
}

const std::string kCpuOid = "1.3.6.1.4.1.9.9.109.1.1.1.1.6.1";
const std::string kDescrOid = "1.3.6.1.2.1.2.2.1.2.1";

// A GetResponse binding an OID to a value, each part given or the default.
struct TMessage {
    std::string valueHex = "42 01 07";
    std::uint8_t pduTag = 0xA2;
    std::int32_t requestId = 5;
    std::int32_t errorStatus = 0;
    std::string oid = kCpuOid;
};

std::vector<std::uint8_t> Message(const TMessage& m) {
    std::vector<std::uint8_t> value = FromHex(m.valueHex);
    std::vector<std::uint8_t> oid(64);
    oid.resize(TAsn1Object(m.oid).Encode(oid));
    auto wrap = [](std::uint8_t tag, std::vector<std::uint8_t> contents) {
        std::vector<std::uint8_t> out = {tag};
        std::array<std::uint8_t, 3> length{};
        std::size_t n = EncodeLength(contents.size(), length);
        out.insert(out.end(), length.begin(), length.begin() + static_cast<long>(n));
        out.insert(out.end(), contents.begin(), contents.end());
        return out;
    };
    auto integer = [](std::int32_t number) {
        std::vector<std::uint8_t> out(8);
        out.resize(TAsn1Integer(number).Encode(out));
        return out;
    };
    std::vector<std::uint8_t> binding = oid;
    binding.insert(binding.end(), value.begin(), value.end());
    std::vector<std::uint8_t> pdu = integer(m.requestId);
    for (const auto& part : {integer(m.errorStatus), integer(m.errorStatus != 0 ? 1 : 0),
                             wrap(0x30, wrap(0x30, binding))})
        pdu.insert(pdu.end(), part.begin(), part.end());
    std::vector<std::uint8_t> message = FromHex("02 01 00 04 06 6B 65 6C 70 69 65");
    std::vector<std::uint8_t> wrapped = wrap(m.pduTag, pdu);
    message.insert(message.end(), wrapped.begin(), wrapped.end());
    return wrap(0x30, message);
}

std::unique_ptr<TAsn1Base> Response(const std::string& valueHex) {
    return Gulp(Message(TMessage{.valueHex = valueHex})).node;
}

struct ReplyCase {
    const char* name;
    std::string valueHex;
    std::int32_t value;
    std::string text;
};

TEST(SnmpValue, SetFromReplyTakesTheValueByKind) {
    const ReplyCase cases[] = {
        {"gauge", "42 01 07", 7, "7"},
        {"counter", "41 02 04 D2", 1234, "1234"},
        {"counter all ones", "41 05 00 FF FF FF FF", -1, "-1"},
        {"integer", "02 01 2A", 42, "42"},
        {"timeticks", "43 02 01 00", 256, "256"},
        {"name with leading digits", "04 04 34 32 61 62", 42, "42ab"},
        {"interface name", "04 0B 45 74 68 65 72 6E 65 74 30 2F 30", 0, "Ethernet0/0"},
        {"text up to a zero octet", "04 03 39 00 39", 9, "9"},
        {"null of an error reply", "05 00", 0, ""},
    };
    for (const auto& c : cases) {
        TSnmpValue v;
        auto tree = Response(c.valueHex);
        ASSERT_TRUE(tree) << c.name;
        v.SetFromReply(std::move(tree));
        EXPECT_EQ(v.oid, "1.3.6.1.4.1.9.9.109.1.1.1.1.6.1") << c.name;
        EXPECT_EQ(v.value, c.value) << c.name;
        EXPECT_EQ(v.valueText, c.text) << c.name;
        EXPECT_TRUE(v.answered) << c.name;
        EXPECT_TRUE(v.fresh) << c.name;
        EXPECT_TRUE(v.reply) << c.name;
    }
}

TEST(SnmpValue, LongTextIsCutAt1023Bytes) {
    std::string text(2000, 'n');
    auto tree = std::make_unique<TAsn1Sequence>();
    auto pdu = std::make_unique<TAsn1Implicit>(true, 2);
    auto bindings = std::make_unique<TAsn1Sequence>();
    auto binding = std::make_unique<TAsn1Sequence>();
    binding->Append(std::make_unique<TAsn1Object>("1.3.6.1"));
    binding->Append(std::make_unique<TAsn1OctetString>(text));
    bindings->Append(std::move(binding));
    for (int i = 0; i < 3; ++i) pdu->Append(std::make_unique<TAsn1Integer>(0));
    pdu->Append(std::move(bindings));
    tree->Append(std::make_unique<TAsn1Integer>(0));
    tree->Append(std::make_unique<TAsn1OctetString>("public"));
    tree->Append(std::move(pdu));

    TSnmpValue v;
    v.SetFromReply(std::move(tree));
    EXPECT_EQ(v.valueText.size(), 1023u);
    EXPECT_TRUE(v.answered);
}

TEST(SnmpValue, OtherShapesFillNothing) {
    const std::pair<const char*, std::string> cases[] = {
        {"two bindings",
         "30 2C 02 01 00 04 00 A2 25 02 01 05 02 01 00 02 01 00 30 1A 30 0B 06 06 2B 06 01 02 01 "
         "01 42 01 07 30 0B 06 06 2B 06 01 02 01 02 42 01 08"},
        {"pdu of three children",
         "30 1C 02 01 00 04 00 A2 15 02 01 05 02 01 00 30 0D 30 0B 06 06 2B 06 01 02 01 01 42 01 "
         "07"},
        {"binding without an oid first",
         "30 1E 02 01 00 04 00 A2 17 02 01 05 02 01 00 02 01 00 30 0C 30 0A 42 01 07 06 05 2B 06 "
         "01 "
         "02 01"},
        {"root is not a sequence", "A2 03 02 01 07"},
        {"root of two children", "30 05 02 01 00 04 00"},
        {"pdu not constructed list", "30 0A 02 01 00 04 00 02 03 01 02 03"},
        // Values we have no node for are left out whole, so the binding has
        // one child. Read an octet at a time, the IpAddress 2.49.53.0 once
        // passed for an octet string "15": CPU 15 %.
        {"ip address as the value",
         "30 2A 02 01 00 04 00 A2 23 02 01 05 02 01 00 02 01 00 30 18 30 16 06 0E 2B 06 01 04 01 "
         "09 09 6D 01 01 01 01 06 01 40 04 02 31 35 00"},
        {"opaque as the value",
         "30 2D 02 01 00 04 00 A2 26 02 01 05 02 01 00 02 01 00 30 1B 30 19 06 0E 2B 06 01 04 01 "
         "09 09 6D 01 01 01 01 06 01 44 07 9F 78 04 3F 80 00 00"},
    };
    for (const auto& [name, hex] : cases) {
        std::vector<std::uint8_t> octets = FromHex(hex);
        TAsn1Decoded decoded = Gulp(octets);
        ASSERT_TRUE(decoded.node) << name;
        TSnmpValue v;
        v.SetFromReply(std::move(decoded.node));
        EXPECT_EQ(v.oid, "") << name;
        EXPECT_FALSE(v.answered) << name;
        EXPECT_FALSE(v.fresh) << name;
        EXPECT_TRUE(v.reply) << name << ": the tree is kept all the same";
    }
    TSnmpValue none;
    none.SetFromReply(nullptr);
    EXPECT_FALSE(none.answered);
}

// Only the first GetResponse that answers a request sent in the last ten
// seconds, binding the OID that request asked for, is filed; anyone can send
// a datagram to the local port.
TEST(SnmpValue, ReadReplyFilesOnlyTheAnswerToAnOpenRequest) {
    using namespace std::chrono_literals;
    const TSnmpClock::time_point sent{1000s};
    const struct {
        const char* name;
        std::vector<std::uint8_t> datagram;
        TSnmpClock::time_point now;
        bool filed;
    } cases[] = {
        {"answer", Message(TMessage{}), sent + 1s, true},
        {"answer ten seconds late", Message(TMessage{}), sent + 10s, true},
        {"answer over ten seconds late", Message(TMessage{}), sent + 10s + 1ms, false},
        {"another open request with its own OID",
         Message(TMessage{.valueHex = "04 01 41", .requestId = 6, .oid = kDescrOid}), sent + 11s,
         true},
        {"the right id with another request's OID",
         Message(TMessage{.valueHex = "04 01 41", .oid = kDescrOid}), sent, false},
        {"another id with this request's OID", Message(TMessage{.requestId = 6}), sent, false},
        {"an id never sent", Message(TMessage{.requestId = 7}), sent, false},
        {"an id that shares a slot", Message(TMessage{.requestId = 5 + 1024}), sent, false},
        {"our own request looped back", Message(TMessage{.valueHex = "05 00", .pduTag = 0xA0}),
         sent, false},
        {"a SetRequest", Message(TMessage{.pduTag = 0xA3}), sent, false},
        {"a trap's tag", Message(TMessage{.pduTag = 0xA4}), sent, false},
        {"a primitive [2]", Message(TMessage{.pduTag = 0x82}), sent, false},
        {"no SNMP message", FromHex("DE AD BE EF"), sent, false},
        {"empty", {}, sent, false},
    };
    for (const auto& c : cases) {
        TRecentRequests recent;
        recent.Remember(5, sent, kCpuOid);
        recent.Remember(6, sent + 2s, kDescrOid);
        std::unique_ptr<TSnmpValue> value = ReadReply(c.datagram, recent, c.now);
        ASSERT_TRUE(value) << c.name;
        EXPECT_EQ(value->answered, c.filed) << c.name;
        EXPECT_EQ(value->oid.empty(), !c.filed) << c.name;
        if (!c.filed) {
            EXPECT_EQ(value->value, 0) << c.name;
        }
    }
}

// A duplicate, at once or late, is dropped: a router that got a request
// twice answers twice, and the stale copy would be filed last in its tick.
TEST(SnmpValue, TheFirstAnswerUsesTheRequestUp) {
    using namespace std::chrono_literals;
    const TSnmpClock::time_point sent{1000s};
    for (auto late : {0ms, 1500ms}) {
        TRecentRequests recent;
        recent.Remember(5, sent, "1.3.6.1.4.1.9.9.109.1.1.1.1.6.1");
        const std::vector<std::uint8_t> answer = Message(TMessage{});
        EXPECT_TRUE(ReadReply(answer, recent, sent + 100ms)->answered);
        EXPECT_FALSE(ReadReply(answer, recent, sent + 100ms + late)->answered) << late.count();
        EXPECT_FALSE(recent.Asked(5, sent + 200ms)) << late.count();
    }

    // A forged answer with the wrong OID does not use the request up.
    TRecentRequests recent;
    recent.Remember(5, sent, "1.3.6.1.4.1.9.9.109.1.1.1.1.6.1");
    EXPECT_FALSE(ReadReply(Message(TMessage{.oid = kDescrOid}), recent, sent)->answered);
    EXPECT_TRUE(ReadReply(Message(TMessage{}), recent, sent)->answered);
}

// A GetNextRequest is answered with the object after the one asked: that
// answer is taken, and marked as such; one that does not lie after it is not.
TEST(SnmpValue, AGetNextIsAnsweredByAnObjectAfterTheOneAsked) {
    using namespace std::chrono_literals;
    const TSnmpClock::time_point sent{1000s};
    const std::string kColumn = mib::kIfDescr;
    const struct {
        const char* name;
        TMessage reply;
        bool taken;
    } cases[] = {
        {"the first row", {.valueHex = "04 01 41", .oid = kColumn + ".1"}, true},
        {"a sparse row", {.valueHex = "04 01 41", .oid = kColumn + ".65539"}, true},
        {"past the column", {.oid = "1.3.6.1.2.1.2.2.1.3.1"}, true},
        {"the object asked itself", {.valueHex = "04 01 41", .oid = kColumn}, false},
        {"an object before it", {.valueHex = "04 01 41", .oid = "1.3.6.1.2.1.1.1.0"}, false},
        {"the end of the agent's objects",
         {.valueHex = "05 00", .errorStatus = kNoSuchName, .oid = kColumn},
         true},
        {"an error with another object", {.valueHex = "05 00", .errorStatus = kGenErr}, false},
    };
    for (const auto& c : cases) {
        TRecentRequests recent;
        recent.Remember(5, sent, kColumn, true);
        std::unique_ptr<TSnmpValue> value = ReadReply(Message(c.reply), recent, sent);
        EXPECT_EQ(!value->oid.empty(), c.taken) << c.name;
        EXPECT_EQ(value->next, c.taken) << c.name;
        EXPECT_EQ(!recent.Asked(5, sent), c.taken) << c.name << ": used up when taken";
    }
}

TEST(SnmpOid, OrderOfTheTree) {
    const struct {
        const char* a;
        const char* b;
        bool before;
    } cases[] = {
        {"1.3", "1.3.6", true},
        {"1.3.6", "1.3", false},
        {"1.3.6", "1.3.6", false},
        {"1.3.6.1.2.1.2.2.1.2.9", "1.3.6.1.2.1.2.2.1.2.10", true},  // numbers, not texts
        {"1.3.6.1.2.1.2.2.1.2.10", "1.3.6.1.2.1.2.2.1.2.9", false},
        {"1.3.6.1.2.1.2.2.1.2.65540", "1.3.6.1.2.1.2.2.1.3.1", true},
        {"1.3.6.1.4.1", "1.3.6.1.2.1.1", false},
        {"1.3.6.1.2.1.2.2.1.2", "1.3.6.1.2.1.2.2.1.2.1", true},
    };
    for (const auto& c : cases) EXPECT_EQ(OidBefore(c.a, c.b), c.before) << c.a << " " << c.b;
}

// An error reply answers nothing; the connection hands it on with its OID
// and status, so that noSuchName can mark the object absent.
TEST(SnmpValue, AnErrorReplyIsNoValue) {
    using namespace std::chrono_literals;
    const TSnmpClock::time_point sent{1000s};
    for (std::int32_t status : {kTooBig, kNoSuchName, kGenErr}) {
        TRecentRequests recent;
        recent.Remember(5, sent, "1.3.6.1.4.1.9.9.109.1.1.1.1.6.1");
        std::unique_ptr<TSnmpValue> value =
            ReadReply(Message(TMessage{.valueHex = "05 00", .errorStatus = status}), recent, sent);
        EXPECT_EQ(value->oid, "1.3.6.1.4.1.9.9.109.1.1.1.1.6.1") << status;
        EXPECT_EQ(value->errorStatus, status);
        EXPECT_FALSE(value->answered) << status;
        EXPECT_FALSE(value->fresh) << status;
        EXPECT_FALSE(recent.Asked(5, sent)) << status << ": it was the answer";
    }
    // A status that is no INTEGER is no message we can read.
    TSnmpValue odd;
    odd.SetFromReply(Gulp(FromHex("30 1D 02 01 00 04 00 A2 16 02 01 05 04 00 02 01 00 30 0C 30 0A "
                                  "06 05 2B 06 01 02 01 42 01 07"))
                         .node);
    EXPECT_EQ(odd.oid, "");
    EXPECT_FALSE(odd.answered);

    // The ring forgets an id once 1024 later ones were sent.
    TRecentRequests recent;
    recent.Remember(5, sent, "1.3.6.1");
    for (std::int32_t id = 6; id <= 5 + 1024; ++id) recent.Remember(id, sent + 3s, "1.3.6.1");
    EXPECT_FALSE(recent.Asked(5, sent + 4s));
    EXPECT_TRUE(recent.Asked(5 + 1024, sent + 4s));
}

}  // namespace

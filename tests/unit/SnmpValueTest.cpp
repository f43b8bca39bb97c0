#include <gtest/gtest.h>

#include "snmp/Snmp.h"
#include "tests/unit/Hex.h"

namespace {

struct RateCase {
    const char* name;
    std::vector<std::pair<std::int64_t, std::int64_t>> samples;  // (time, value), newest first
    double rate;
};

TEST(SnmpValue, RateOverTenSeconds) {
    const RateCase cases[] = {
        {"no sample", {}, 0},
        {"one sample", {{100, 500}}, 0},
        {"oldest within the window wins", {{100, 500}, {98, 300}, {96, 100}}, 100},
        {"exactly the window back counts", {{100, 50}, {90, 0}}, 5},
        {"only sample too old", {{100, 500}, {88, 0}}, 0},
        {"counter wrapped", {{100, 10}, {95, 0xFFFFFFFA}}, 3.2},
        {"no time passed", {{100, 5}, {100, 3}}, 0},
        {"counter went back", {{100, 3}, {95, 8}}, -1},
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
        {"no time before the drop: a wrap", {{100, 10}, {95, 0xFFFFFFFA}, {95, 0xFFFFFFF0}}, 5.2},
    };
    for (const auto& c : cases) {
        TSnmpValue v("1.3.6.1", false, true);
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

TEST(SnmpValue, ConstructorDefaults) {
    TSnmpValue model("1.3.6.1.2.1.2.2.1.2.0", true, true);
    EXPECT_EQ(model.oid, "1.3.6.1.2.1.2.2.1.2.0");
    EXPECT_TRUE(model.once);
    EXPECT_TRUE(model.active);
    EXPECT_FALSE(model.answered);
    EXPECT_FALSE(model.fresh);
    EXPECT_EQ(model.valueText, "");
    EXPECT_EQ(model.value, 0);
    EXPECT_FALSE(model.reply);

    TSnmpValue reply;
    EXPECT_EQ(reply.oid, "");
    EXPECT_FALSE(reply.once);
    EXPECT_TRUE(reply.active);
}

// Builds a GetResponse binding the CPU OID to `value` (hex of the value
// element) and decodes it.
std::unique_ptr<TAsn1Base> Response(const std::string& valueHex) {
    std::vector<std::uint8_t> value = FromHex(valueHex);
    std::vector<std::uint8_t> oid = FromHex("06 0E 2B 06 01 04 01 09 09 6D 01 01 01 01 06 01");
    auto wrap = [](std::uint8_t tag, std::vector<std::uint8_t> contents) {
        std::vector<std::uint8_t> out = {tag};
        std::array<std::uint8_t, 3> length{};
        std::size_t n = EncodeLength(contents.size(), length);
        out.insert(out.end(), length.begin(), length.begin() + static_cast<long>(n));
        out.insert(out.end(), contents.begin(), contents.end());
        return out;
    };
    std::vector<std::uint8_t> binding = oid;
    binding.insert(binding.end(), value.begin(), value.end());
    std::vector<std::uint8_t> pdu = FromHex("02 01 05 02 01 00 02 01 00");
    std::vector<std::uint8_t> bindings = wrap(0x30, wrap(0x30, binding));
    pdu.insert(pdu.end(), bindings.begin(), bindings.end());
    std::vector<std::uint8_t> message = FromHex("02 01 00 04 06 6B 65 6C 70 69 65");
    std::vector<std::uint8_t> wrapped = wrap(0xA2, pdu);
    message.insert(message.end(), wrapped.begin(), wrapped.end());
    std::vector<std::uint8_t> datagram = wrap(0x30, message);
    return Gulp(datagram).node;
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

}  // namespace

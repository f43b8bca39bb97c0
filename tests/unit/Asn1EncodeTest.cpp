#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <vector>

#include "asn1/Asn1.h"
#include "router/Oids.h"
#include "tests/support/Hex.h"

namespace {

std::string Encoded(const TAsn1Base& node) {
    std::array<std::uint8_t, 4096> out{};
    std::size_t n = node.Encode(out);
    return ToHex(std::span(out).first(n));
}

struct IntegerCase {
    std::int32_t value;
    std::uint8_t identifier;
    const char* hex;
};

TEST(Asn1Encode, Integers) {
    const IntegerCase cases[] = {
        {0, kTagInteger, "02 01 00"},
        {5, kTagInteger, "02 01 05"},
        {127, kTagInteger, "02 01 7F"},
        {128, kTagInteger, "02 02 00 80"},
        {255, kTagInteger, "02 02 00 FF"},
        {256, kTagInteger, "02 02 01 00"},
        {65535, kTagInteger, "02 03 00 FF FF"},
        {-1, kTagInteger, "02 01 FF"},
        {-128, kTagInteger, "02 01 80"},
        {-129, kTagInteger, "02 02 FF 7F"},
        {INT32_MAX, kTagInteger, "02 04 7F FF FF FF"},
        {INT32_MIN, kTagInteger, "02 04 80 00 00 00"},
        // The application types are unsigned 32-bit numbers.
        {-1, kTagCounter, "41 05 00 FF FF FF FF"},
        {1234, kTagGauge, "42 02 04 D2"},
        {INT32_MIN, kTagTimeTicks, "43 05 00 80 00 00 00"},
        {0, kTagCounter, "41 01 00"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Encoded(TAsn1Integer(c.value, c.identifier)), c.hex) << c.value;
    }
}

TEST(Asn1Encode, LengthOctets) {
    const std::pair<std::size_t, const char*> cases[] = {
        {0, "00"},         {127, "7F"},         {128, "81 80"},      {255, "81 FF"},
        {256, "82 01 00"}, {16384, "82 40 00"}, {65535, "82 FF FF"},
    };
    for (const auto& [length, hex] : cases) {
        std::array<std::uint8_t, 3> out{};
        std::size_t n = EncodeLength(length, out);
        EXPECT_EQ(ToHex(std::span(out).first(n)), hex) << length;
    }
    std::array<std::uint8_t, 3> out{};
    EXPECT_EQ(EncodeLength(65536, out), 0u) << "no length form of three octets is written";
    EXPECT_EQ(EncodeLength(256, std::span(out).first(2)), 0u) << "does not fit";
}

TEST(Asn1Encode, ObjectIdentifiers) {
    const std::pair<const char*, const char*> cases[] = {
        {"1.3", "06 01 2B"},
        {"1.3.6.1.4.1.9.9.109.1.1.1.1.6.1", "06 0E 2B 06 01 04 01 09 09 6D 01 01 01 01 06 01"},
        {"1.3.127", "06 02 2B 7F"},
        {"1.3.128", "06 03 2B 81 00"},
        {"1.3.16383", "06 03 2B FF 7F"},
        {"1.3.16384", "06 04 2B 81 80 00"},
        {"1.3.4294967295", "06 06 2B 8F FF FF FF 7F"},
        {"2.999", "06 02 88 37"},
        {"1", "06 00"},
        {"", "06 00"},
        {"1.3.", "06 01 2B"},         // a '.' at the end adds no arc
        {"1..5", "06 02 28 05"},      // an empty arc reads as 0
        {" 1. 3.+6", "06 02 2B 06"},  // arcs read as a decimal conversion reads them
        {"1.3.6x.7", "06 03 2B 06 07"},
        {"1.3.99999999999", "06 06 2B 84 C3 DB CF 7F"},  // an arc wraps at 32 bits, as it reads
    };
    for (const auto& [text, hex] : cases) {
        EXPECT_EQ(Encoded(TAsn1Object(text)), hex) << text;
    }
}

TEST(Asn1Encode, SimpleNodes) {
    EXPECT_EQ(Encoded(TAsn1Sequence()), "30 00");
    EXPECT_EQ(Encoded(TAsn1Implicit(true, 0)), "A0 00");
    EXPECT_EQ(Encoded(TAsn1Implicit(false, 1)), "81 00");
    EXPECT_EQ(Encoded(TAsn1Implicit(true, 30)), "BE 00");
    // Tag numbers that do not fit the one identifier octet are refused, not
    // masked into another tag (32 would come out as [0]).
    EXPECT_EQ(Encoded(TAsn1Implicit(true, 31)), "");
    EXPECT_EQ(Encoded(TAsn1Implicit(false, 32)), "");
    EXPECT_EQ(Encoded(TAsn1Implicit(true, -1)), "");
    EXPECT_EQ(Encoded(TAsn1Null()), "05 00");
    EXPECT_EQ(Encoded(TAsn1OctetString("")), "04 00");
    EXPECT_EQ(Encoded(TAsn1OctetString("abc")), "04 03 61 62 63");
    EXPECT_EQ(Encoded(TAsn1OctetString(std::string_view("a\0b", 3))), "04 03 61 00 62");
    EXPECT_EQ(Encoded(TAsn1Base()), "");
}

// Whoever asks a node's kind compares with asn1kind's texts themselves: a
// node that held a copy of the words would never be recognised.
TEST(Asn1Encode, KindNames) {
    const std::pair<const char*, const char*> cases[] = {
        {TAsn1Base().kindName, asn1kind::kBase},
        {TAsn1Sequence().kindName, asn1kind::kSequence},
        {TAsn1Integer(1).kindName, asn1kind::kInteger},
        {TAsn1Integer(1, kTagCounter).kindName, asn1kind::kInteger},
        {TAsn1OctetString("").kindName, asn1kind::kOctetString},
        {TAsn1Null().kindName, asn1kind::kNull},
        {TAsn1Object("1.3").kindName, asn1kind::kObject},
        {TAsn1Implicit(true, 0).kindName, asn1kind::kImplicit},
        {TAsn1SnmpGet("", 0, "1.3").kindName, asn1kind::kSequence},
    };
    for (const auto& [kind, expected] : cases) EXPECT_EQ(kind, expected) << expected;
    EXPECT_STREQ(asn1kind::kOctetString, "octetstring") << "the words a dump prints";
}

TEST(Asn1Encode, GetRequest) {
    TAsn1SnmpGet get("", 0, mib::kCpu);
    EXPECT_EQ(Encoded(get),
              "30 26 02 01 00 04 00 A0 1F 02 01 00 02 01 00 02 01 00 30 14 30 12 06 0E 2B 06 01 "
              "04 01 09 09 6D 01 01 01 01 06 01 05 00");

    get.SetCommunity("kelpie");
    get.SetRequest(300, "1.3.6.1.2.1.2.2.1.11.6");
    TAsn1SnmpGet fresh("kelpie", 300, "1.3.6.1.2.1.2.2.1.11.6");
    EXPECT_EQ(Encoded(get), Encoded(fresh)) << "a re-aimed request encodes as a new one";
    EXPECT_EQ(get.requestId(), 300);
    EXPECT_EQ(get.oid(), "1.3.6.1.2.1.2.2.1.11.6");
    EXPECT_EQ(get.community(), "kelpie");
}

TEST(Asn1Encode, LongCommunityUsesLongLengthForms) {
    TAsn1SnmpGet get(std::string(200, 'c'), 1, "1.3.6.1");
    std::array<std::uint8_t, 4096> out{};
    std::size_t n = get.Encode(out);
    ASSERT_EQ(n, 231u);
    EXPECT_EQ(ToHex(std::span(out).first(4)), "30 81 E4 02");
    EXPECT_EQ(ToHex(std::span(out).subspan(6, 3)), "04 81 C8");

    TAsn1OctetString big(std::string(300, 'x'));
    ASSERT_EQ(big.Encode(out), 304u);
    EXPECT_EQ(ToHex(std::span(out).first(4)), "04 82 01 2C");
}

TEST(Asn1Encode, FailsWhenTheOutputIsTooSmall) {
    TAsn1SnmpGet get("public", 7, "1.3.6.1.2.1.1.1.0");
    std::array<std::uint8_t, 4096> out{};
    std::size_t n = get.Encode(out);
    ASSERT_GT(n, 0u);
    EXPECT_EQ(get.Encode(std::span(out).first(n)), n) << "an exact fit is enough";
    for (std::size_t size = 0; size < n; ++size) {
        EXPECT_EQ(get.Encode(std::span(out).first(size)), 0u) << size;
    }
}

TEST(Asn1Encode, ConstructedContentsAreLimited) {
    // 16384 octets of contents is the most a constructed node holds.
    TAsn1Sequence fits;
    fits.Append(std::make_unique<TAsn1OctetString>(std::string(16380, 'x')));
    std::vector<std::uint8_t> out(70000);
    EXPECT_EQ(fits.Encode(out), 16388u);

    TAsn1Sequence tooBig;
    tooBig.Append(std::make_unique<TAsn1OctetString>(std::string(16381, 'x')));
    EXPECT_EQ(tooBig.Encode(out), 0u);
}

TEST(Asn1Encode, ChildrenAreLimited) {
    TAsn1Sequence sequence;
    for (std::size_t i = 0; i < kMaxChildren; ++i) {
        ASSERT_TRUE(sequence.Append(std::make_unique<TAsn1Null>()));
    }
    EXPECT_FALSE(sequence.Append(std::make_unique<TAsn1Null>()));
    EXPECT_EQ(sequence.Count(), 1024);
    EXPECT_EQ(Encoded(sequence).size(), (4 + 2 * 1024) * 3 - 1);

    // Past Append, straight into the list: not written, as it would not decode.
    sequence.children.push_back(std::make_unique<TAsn1Null>());
    EXPECT_EQ(Encoded(sequence), "");
}

}  // namespace

// Encoding must take no heap memory: count every allocation made while a
// request is encoded.
namespace {
std::size_t allocations = 0;
}

void* operator new(std::size_t size) {
    ++allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
// Not inlined: GCC would then see free() meet the new-expression and warn.
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

TEST(Asn1Encode, TakesNoHeapMemory) {
    TAsn1SnmpGet get("kelpie", 41, "1.3.6.1.4.1.9.9.48.1.1.1.5.1");
    std::array<std::uint8_t, 4096> out{};
    std::size_t before = allocations;
    std::size_t n = get.Encode(out);
    get.SetRequest(42, "1.3.6.1.4.1.9.9.48.1.1.1.5.2");  // same length: no reallocation
    n += get.Encode(out);
    EXPECT_EQ(allocations, before);
    EXPECT_EQ(n, 2 * 45u);
    // The counter sees allocations at all (not a node: nodes may come from
    // the codec's own free lists):
    auto probe = std::make_unique<std::array<char, 100>>();
    EXPECT_EQ(allocations, before + 1);
}

}  // namespace

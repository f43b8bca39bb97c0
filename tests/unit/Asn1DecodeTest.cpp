#include <gtest/gtest.h>

#include "asn1/Asn1.h"
#include "tests/support/Hex.h"

namespace {

// A GetResponse: empty community, request-id 5, one binding of the CPU load
// OID to Gauge 7.
constexpr const char* kResponse =
    "30 27 02 01 00 04 00 A2 20 02 01 05 02 01 00 02 01 00 30 15 30 13 06 0E 2B 06 01 04 01 09 "
    "09 6D 01 01 01 01 06 01 42 01 07";

struct Decoded {
    std::string dump;  // empty when there is no node
    std::size_t consumed;
    Asn1Error error;
};

Decoded Decode(std::string_view hex) {
    std::vector<std::uint8_t> octets = FromHex(hex);
    TAsn1Decoded decoded = Gulp(octets);
    std::string dump;
    if (decoded.node) decoded.node->Dump(dump, 0);
    return {dump, decoded.consumed, decoded.fault.error};
}

struct DecodeCase {
    const char* name;
    std::string hex;
    std::string dump;
    std::size_t consumed;
};

TEST(Asn1Decode, WellFormedElements) {
    const std::string abc128(128 * 3, ' ');
    const DecodeCase cases[] = {
        {"integer", "02 01 05", "integer 5\n", 3},
        {"empty integer", "02 00", "integer 0\n", 2},
        {"no sign extension", "02 01 80", "integer 128\n", 3},
        {"negative pattern", "02 04 FF FF FF FE", "integer -2\n", 6},
        {"counter all ones", "41 05 00 FF FF FF FF", "integer -1\n", 7},
        {"gauge", "42 01 07", "integer 7\n", 3},
        {"timeticks", "43 02 01 00", "integer 256\n", 4},
        {"octet string", "04 03 61 62 63", "octetstring abc\n", 5},
        {"empty octet string", "04 00", "octetstring \n", 2},
        {"text up to zero", "04 03 61 00 62", "octetstring a\n", 5},
        {"null", "05 00", "null\n", 2},
        {"null with contents", "05 01 FF", "null\n", 3},
        {"oid 1.3", "06 01 2B", "object 1.3\n", 3},
        {"empty oid", "06 00", "object \n", 2},
        {"oid under 2", "06 02 50 01", "object 2.0.1\n", 4},
        {"oid under 0", "06 01 27", "object 0.39\n", 3},
        {"oid two-octet arc", "06 03 2B 81 00", "object 1.3.128\n", 5},
        {"oid largest arc", "06 06 2B 8F FF FF FF 7F", "object 1.3.4294967295\n", 8},
        {"non-minimal long length", "04 81 01 61", "octetstring a\n", 4},
        {"empty sequence", "30 00", "sequence\n", 2},
        {"implicit", "A2 03 02 01 07", "implicit 2\n  integer 7\n", 5},
        {"primitive implicit", "81 03 02 01 07", "implicit 1\n  integer 7\n", 5},
        // Elements we do not know are left out whole, contents and all.
        {"ip address skipped", "40 04 C0 A8 00 01", "", 6},
        {"unknown inside a sequence", "30 04 44 00 05 00", "sequence\n  null\n", 6},
        {"ip address inside a sequence", "30 06 40 04 C0 A8 00 01", "sequence\n", 8},
        {"unknown with a long length", "30 06 44 81 01 FF 05 00", "sequence\n  null\n", 8},
        {"trailing octets not consumed", "05 00 05 00", "null\n", 2},
    };
    for (const auto& c : cases) {
        Decoded d = Decode(c.hex);
        EXPECT_EQ(d.error, Asn1Error::None) << c.name;
        EXPECT_EQ(d.dump, c.dump) << c.name;
        EXPECT_EQ(d.consumed, c.consumed) << c.name;
    }
}

TEST(Asn1Decode, LongLengthForms) {
    std::vector<std::uint8_t> octets = FromHex("04 81 80");
    octets.resize(3 + 128, 'x');
    TAsn1Decoded d = Gulp(octets);
    ASSERT_TRUE(d.node);
    EXPECT_EQ(d.consumed, 131u);
    EXPECT_EQ(dynamic_cast<TAsn1OctetString&>(*d.node).data.size(), 128u);

    octets = FromHex("04 82 01 00");
    octets.resize(4 + 256, 'y');
    d = Gulp(octets);
    ASSERT_TRUE(d.node);
    EXPECT_EQ(d.consumed, 260u);
}

TEST(Asn1Decode, GetResponse) {
    Decoded d = Decode(kResponse);
    EXPECT_EQ(d.error, Asn1Error::None);
    EXPECT_EQ(d.consumed, 41u);
    EXPECT_EQ(d.dump,
              "sequence\n"
              "  integer 0\n"
              "  octetstring \n"
              "  implicit 2\n"
              "    integer 5\n"
              "    integer 0\n"
              "    integer 0\n"
              "    sequence\n"
              "      sequence\n"
              "        object 1.3.6.1.4.1.9.9.109.1.1.1.1.6.1\n"
              "        integer 7\n");
}

TEST(Asn1Decode, DumpIndent) {
    std::vector<std::uint8_t> octets = FromHex("30 02 05 00");
    TAsn1Decoded d = Gulp(octets);
    ASSERT_TRUE(d.node);
    std::string dump;
    d.node->Dump(dump, 3);
    EXPECT_EQ(dump, "   sequence\n     null\n");
}

struct MalformedCase {
    const char* name;
    std::string hex;
    Asn1Error error;
    std::size_t offset;
};

TEST(Asn1Decode, MalformedDatagramsGiveNoTree) {
    const MalformedCase cases[] = {
        {"empty input", "", Asn1Error::Truncated, 0},
        {"no length octet", "02", Asn1Error::Truncated, 1},
        {"contents past the end", "04 05 61 62", Asn1Error::Truncated, 1},
        {"0x81 without its octet", "04 81", Asn1Error::Truncated, 1},
        {"0x82 short", "04 82 01", Asn1Error::Truncated, 1},
        {"0x82 past the end", "04 82 01 00 61", Asn1Error::Truncated, 1},
        {"indefinite length", "30 80 05 00 00 00", Asn1Error::IndefiniteLength, 1},
        {"three length octets", "04 83 00 00 01 61", Asn1Error::LengthTooLong, 1},
        {"length form 0xFF", "04 FF", Asn1Error::LengthTooLong, 1},
        {"high tag number", "1F 01 00", Asn1Error::HighTagNumber, 0},
        {"high tag in context class", "BF 00", Asn1Error::HighTagNumber, 0},
        {"high tag nested", "30 03 9F 01 00", Asn1Error::HighTagNumber, 2},
        {"child past its parent", "30 03 04 05 61 62 63 64 65", Asn1Error::Truncated, 3},
        {"unknown element past its parent", "30 03 44 05 00", Asn1Error::Truncated, 3},
        {"unknown element of indefinite length", "30 04 40 80 00 00", Asn1Error::IndefiniteLength,
         3},
        {"unknown element without a length", "30 01 40", Asn1Error::Truncated, 3},
        {"sub-identifier over 32 bits", "06 07 2B 90 80 80 80 80 00", Asn1Error::SubidTooLarge, 3},
        {"sub-identifier cut off", "06 02 2B 81", Asn1Error::Truncated, 3},
        {"response cut short", std::string(kResponse).substr(0, 3 * 40), Asn1Error::Truncated, 1},
    };
    for (const auto& c : cases) {
        std::vector<std::uint8_t> octets = FromHex(c.hex);
        TAsn1Decoded d = Gulp(octets);
        EXPECT_FALSE(d.node) << c.name;
        EXPECT_EQ(d.fault.error, c.error) << c.name << ": " << Asn1ErrorText(d.fault.error);
        EXPECT_EQ(d.fault.offset, c.offset) << c.name;
    }
}

TEST(Asn1Decode, OidTextLimit) {
    // "1.3" then arcs of ".4294967295" (11 characters): 92 of them make
    // 3 + 1012 = 1015 characters, one more makes 1026.
    auto oid = [](int arcs) {
        std::vector<std::uint8_t> contents = {0x2B};
        for (int i = 0; i < arcs; ++i) {
            for (int o : {0x8F, 0xFF, 0xFF, 0xFF, 0x7F})
                contents.push_back(static_cast<std::uint8_t>(o));
        }
        std::vector<std::uint8_t> octets = {0x06, 0x82,
                                            static_cast<std::uint8_t>(contents.size() >> 8),
                                            static_cast<std::uint8_t>(contents.size() & 0xFF)};
        octets.insert(octets.end(), contents.begin(), contents.end());
        return octets;
    };
    std::vector<std::uint8_t> fits = oid(92);
    TAsn1Decoded d = Gulp(fits);
    ASSERT_TRUE(d.node);
    EXPECT_EQ(dynamic_cast<TAsn1Object&>(*d.node).oid.size(), 1015u);

    std::vector<std::uint8_t> tooLong = oid(93);
    d = Gulp(tooLong);
    EXPECT_FALSE(d.node);
    EXPECT_EQ(d.fault.error, Asn1Error::OidTooLong);
}

// Exactly 1023 characters is allowed; 1024 is not.
TEST(Asn1Decode, OidTextOfExactly1023Characters) {
    // "1.3" + 102 × ".9" (2 characters) = 207, then fill with ".99" arcs... build
    // the text first, then its encoding.
    auto encodeText = [](const std::string& text) {
        std::array<std::uint8_t, 4096> out{};
        std::size_t n = TAsn1Object(text).Encode(out);
        return std::vector<std::uint8_t>(out.begin(), out.begin() + static_cast<long>(n));
    };
    std::string text = "1.3";
    while (text.size() + 2 <= 1023) text += ".9";  // 1023 characters
    ASSERT_EQ(text.size(), 1023u);
    std::vector<std::uint8_t> octets = encodeText(text);
    TAsn1Decoded d = Gulp(octets);
    ASSERT_TRUE(d.node);
    EXPECT_EQ(dynamic_cast<TAsn1Object&>(*d.node).oid, text);

    octets = encodeText(text.substr(0, 1021) + ".99");  // 1024 characters
    d = Gulp(octets);
    EXPECT_EQ(d.fault.error, Asn1Error::OidTooLong);
}

TEST(Asn1Decode, ChildrenLimit) {
    auto nulls = [](std::size_t count) {
        std::vector<std::uint8_t> octets = {0x30, 0x82, static_cast<std::uint8_t>((count * 2) >> 8),
                                            static_cast<std::uint8_t>((count * 2) & 0xFF)};
        for (std::size_t i = 0; i < count; ++i) {
            octets.push_back(0x05);
            octets.push_back(0x00);
        }
        return octets;
    };
    std::vector<std::uint8_t> fits = nulls(1024);
    TAsn1Decoded d = Gulp(fits);
    ASSERT_TRUE(d.node);
    EXPECT_EQ(dynamic_cast<TAsn1Sequence&>(*d.node).Count(), 1024);

    std::vector<std::uint8_t> tooMany = nulls(1025);
    d = Gulp(tooMany);
    EXPECT_FALSE(d.node);
    EXPECT_EQ(d.fault.error, Asn1Error::TooManyChildren);
}

TEST(Asn1Decode, NestingLimit) {
    auto nested = [](int levels) {
        std::vector<std::uint8_t> octets;
        for (int i = 0; i < levels; ++i) {
            octets.push_back(0x30);
            octets.push_back(static_cast<std::uint8_t>(2 * (levels - 1 - i)));
        }
        return octets;
    };
    std::vector<std::uint8_t> deepest = nested(kMaxDepth);
    EXPECT_TRUE(Gulp(deepest).node);
    std::vector<std::uint8_t> tooDeep = nested(kMaxDepth + 1);
    TAsn1Decoded d = Gulp(tooDeep);
    EXPECT_FALSE(d.node);
    EXPECT_EQ(d.fault.error, Asn1Error::TooDeep);
    EXPECT_EQ(d.fault.offset, 2u * kMaxDepth + 2) << "the contents of the 17th";
}

TEST(Asn1Decode, EncodedRequestDecodesToTheSameTree) {
    TAsn1SnmpGet get("kelpie", 77, "1.3.6.1.2.1.2.2.1.2.3");
    std::array<std::uint8_t, 256> out{};
    std::size_t n = get.Encode(out);
    TAsn1Decoded d = Gulp(std::span(out).first(n));
    ASSERT_TRUE(d.node);
    EXPECT_EQ(d.consumed, n);
    std::string expected, actual;
    get.Dump(expected, 0);
    d.node->Dump(actual, 0);
    EXPECT_EQ(actual, expected);
    EXPECT_EQ(actual,
              "sequence\n  integer 0\n  octetstring kelpie\n  implicit 0\n    integer 77\n"
              "    integer 0\n    integer 0\n    sequence\n      sequence\n"
              "        object 1.3.6.1.2.1.2.2.1.2.3\n        null\n");
}

}  // namespace

// Property: any tree within the codec's limits encodes, decodes and dumps back
// to the same text, once the one known change is applied to the original
// tree: negative INTEGERs come back as the unsigned pattern of their octets
// (NormaliseIntegers). A second round trip then changes nothing, octet for
// octet. Trees are random but seeded, so a failure repeats.
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <random>
#include <vector>

#include "asn1/Asn1.h"
#include "tests/support/Asn1Normalise.h"
#include "tests/support/Hex.h"

namespace {

class TreeMaker {
public:
    explicit TreeMaker(std::uint32_t seed) : rng_(seed) {}

    // At most kNodes nodes, so that no constructed node's contents can go
    // past the 16384 octets the encoder allows (40 × 305 octets at worst).
    std::unique_ptr<TAsn1Base> Tree() {
        nodesLeft_ = kNodes - 1;
        // Mostly a constructed root: a lone leaf is a short test.
        if (Below(10) == 0) return Node(0);
        return Constructed(std::make_unique<TAsn1Sequence>(), 0);
    }

private:
    static constexpr int kNodes = 40;
    static constexpr int kMaxLevels = 8;

    std::uint32_t Below(std::uint32_t n) {
        return std::uniform_int_distribution<std::uint32_t>(0, n - 1)(rng_);
    }
    std::uint32_t Any32() { return static_cast<std::uint32_t>(rng_()); }

    std::unique_ptr<TAsn1Base> Node(int level) {
        --nodesLeft_;
        bool constructedAllowed = level < kMaxLevels && nodesLeft_ > 0;
        switch (Below(constructedAllowed ? 6 : 4)) {
            case 0:
                return Integer();
            case 1:
                return OctetString();
            case 2:
                return std::make_unique<TAsn1Null>();
            case 3:
                return Object();
            case 4:
                return Constructed(std::make_unique<TAsn1Sequence>(), level);
            default:
                return Constructed(
                    std::make_unique<TAsn1Implicit>(Below(2) == 1, static_cast<int>(Below(31))),
                    level);
        }
    }

    std::unique_ptr<TAsn1Base> Constructed(std::unique_ptr<TAsn1Sequence> node, int level) {
        std::uint32_t count = Below(level == 0 ? 12 : 7);
        for (std::uint32_t i = 0; i < count && nodesLeft_ > 0; ++i) node->Append(Node(level + 1));
        return node;
    }

    std::unique_ptr<TAsn1Base> Integer() {
        static constexpr std::uint8_t kIdentifiers[] = {kTagInteger, kTagCounter, kTagGauge,
                                                        kTagTimeTicks};
        static constexpr std::int32_t kEdges[] = {
            0,    1,     -1,     127,    128,     -128,     -129,      255,      256,
            -256, 32767, -32768, -32769, 8388607, -8388609, INT32_MAX, INT32_MIN};
        std::int32_t value = 0;
        switch (Below(3)) {
            case 0:
                value = kEdges[Below(std::size(kEdges))];
                break;
            case 1:
                value = static_cast<std::int32_t>(Below(512)) - 256;
                break;
            default:
                value = static_cast<std::int32_t>(Any32());
                break;
        }
        return std::make_unique<TAsn1Integer>(value, kIdentifiers[Below(4)]);
    }

    std::unique_ptr<TAsn1Base> OctetString() {
        // Mostly short, sometimes across the one- and two-octet length forms.
        std::uint32_t length = Below(4) == 0 ? 100 + Below(200) : Below(20);
        std::string data;
        for (std::uint32_t i = 0; i < length; ++i) {
            // Zero octets too: the dump stops at the first one, on both sides.
            data.push_back(static_cast<char>(Below(8) == 0 ? 0 : Below(256)));
        }
        return std::make_unique<TAsn1OctetString>(data);
    }

    std::unique_ptr<TAsn1Base> Object() {
        // Only texts that are the canonical form of their encoding: a first
        // arc of 0 to 2, a second below 40 under 0 and 1, and the first two
        // together within 32 bits. An empty text is one too.
        if (Below(20) == 0) return std::make_unique<TAsn1Object>("");
        std::uint32_t first = Below(3);
        std::uint32_t second = first < 2 ? Below(40) : Below(0xFFFFFFFFu - 80);
        std::string text = std::to_string(first) + "." + std::to_string(second);
        std::uint32_t more = Below(14);
        for (std::uint32_t i = 0; i < more; ++i) {
            std::uint32_t arc = Below(3) == 0 ? Any32() : Below(300);
            text.push_back('.');
            text.append(std::to_string(arc));
        }
        return std::make_unique<TAsn1Object>(text);
    }

    std::mt19937 rng_;
    int nodesLeft_ = 0;
};

std::string DumpOf(const TAsn1Base& node) {
    std::string text;
    node.Dump(text, 0);
    return text;
}

TEST(Asn1RoundTrip, RandomTreesDumpBackToTheSameText) {
    constexpr int kTrees = 4000;
    TreeMaker maker(20240517);
    std::vector<std::uint8_t> first(65536), second(65536);
    int negativeIntegerTrees = 0;
    for (int i = 0; i < kTrees; ++i) {
        std::unique_ptr<TAsn1Base> tree = maker.Tree();
        std::size_t size = tree->Encode(first);
        ASSERT_GT(size, 0u) << "tree " << i << " does not encode:\n" << DumpOf(*tree);

        TAsn1Decoded decoded = Gulp(std::span(first).first(size));
        ASSERT_TRUE(decoded.node) << "tree " << i << ": " << Asn1ErrorText(decoded.fault.error)
                                  << " at " << decoded.fault.offset << "\n"
                                  << ToHex(std::span(first).first(size));
        EXPECT_EQ(decoded.consumed, size) << "tree " << i;

        std::string original = DumpOf(*tree);
        NormaliseIntegers(*tree);
        std::string expected = DumpOf(*tree);
        if (expected != original) ++negativeIntegerTrees;
        ASSERT_EQ(DumpOf(*decoded.node), expected) << "tree " << i;

        // The normalised tree is a fixed point: its encoding survives unchanged.
        std::size_t again = decoded.node->Encode(second);
        ASSERT_EQ(again, tree->Encode(first)) << "tree " << i;
        EXPECT_TRUE(
            std::equal(first.begin(), first.begin() + static_cast<long>(again), second.begin()))
            << "tree " << i;
    }
    // The normalisation must have been exercised, and must not be all there is.
    EXPECT_GT(negativeIntegerTrees, kTrees / 20);
    EXPECT_LT(negativeIntegerTrees, kTrees - kTrees / 20);
}

TEST(Asn1RoundTrip, NormalisationIsWhatTheDecoderReads) {
    const struct {
        std::int32_t value;
        std::uint8_t identifier;
        std::int32_t decoded;
    } cases[] = {
        {-1, kTagInteger, 255},
        {-128, kTagInteger, 128},
        {-129, kTagInteger, 0xFF7F},
        {-32768, kTagInteger, 0x8000},
        {-32769, kTagInteger, 0xFF7FFF},
        {-8388608, kTagInteger, 0x800000},
        {-8388609, kTagInteger, -8388609},
        {INT32_MIN, kTagInteger, INT32_MIN},
        {200, kTagInteger, 200},
        {-1, kTagCounter, -1},
        {-5, kTagTimeTicks, -5},
    };
    std::array<std::uint8_t, 16> out{};
    for (const auto& c : cases) {
        EXPECT_EQ(DecodedInteger(c.value, c.identifier), c.decoded) << c.value;
        std::size_t n = TAsn1Integer(c.value, c.identifier).Encode(out);
        TAsn1Decoded d = Gulp(std::span(out).first(n));
        ASSERT_TRUE(d.node);
        EXPECT_EQ(dynamic_cast<TAsn1Integer&>(*d.node).value, c.decoded) << c.value;
    }
}

// The encoder reads the arcs in one pass over the text. It must agree with
// this plain reading of the rule: cut at each '.', read each arc with
// ReadDecimal, combine the first two, base 128.
std::vector<std::uint8_t> ReferenceOid(std::string_view text) {
    std::vector<std::uint32_t> arcs;
    while (!text.empty()) {
        std::size_t dot = text.find('.');
        arcs.push_back(static_cast<std::uint32_t>(ReadDecimal(text.substr(0, dot))));
        text = dot == std::string_view::npos ? std::string_view{} : text.substr(dot + 1);
    }
    std::vector<std::uint8_t> contents;
    for (std::size_t i = 1; i < arcs.size(); ++i) {
        std::uint32_t subid = i == 1 ? arcs[0] * 40u + arcs[1] : arcs[i];
        std::vector<std::uint8_t> groups;
        do {
            groups.insert(groups.begin(),
                          static_cast<std::uint8_t>((subid & 0x7Fu) | (groups.empty() ? 0 : 0x80)));
            subid >>= 7;
        } while (subid != 0);
        contents.insert(contents.end(), groups.begin(), groups.end());
    }
    std::vector<std::uint8_t> element = {kTagObject, static_cast<std::uint8_t>(contents.size())};
    element.insert(element.end(), contents.begin(), contents.end());
    return element;
}

TEST(Asn1RoundTrip, OidTextsEncodeAsTheirArcsRead) {
    std::mt19937 rng(7);
    // Mostly digits and dots, as OIDs are; the rest puts white space, signs
    // and letters at every possible place of an arc.
    const std::string alphabet = "0123456789012345678901234567890123456789........ \t+-x";
    std::array<std::uint8_t, 256> out{};
    for (int i = 0; i < 20000; ++i) {
        std::string text;
        std::size_t length = rng() % 24;
        for (std::size_t k = 0; k < length; ++k) text.push_back(alphabet[rng() % alphabet.size()]);
        if (i % 50 == 0) text += ".99999999999";  // wraps at 32 bits
        std::size_t n = TAsn1Object(text).Encode(out);
        std::vector<std::uint8_t> expected = ReferenceOid(text);
        ASSERT_EQ(ToHex(std::span(out).first(n)), ToHex(expected)) << '"' << text << '"';
    }
}

}  // namespace

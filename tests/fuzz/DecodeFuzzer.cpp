// libFuzzer harness over what the monitor does with every datagram it
// receives: Gulp, then SetFromReply. On the way it checks the properties a
// decoded tree must have: its dump works, it encodes, and its encoding
// decodes to the same tree again (after the one known change, negative
// INTEGERs, see Asn1Normalise.h), and a reply value filled from either tree
// holds the same.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "asn1/Asn1.h"
#include "snmp/Snmp.h"
#include "tests/support/Asn1Normalise.h"

namespace {

[[noreturn]] void Broken(const char* what, int line) {
    std::fprintf(stderr, "property broken at line %d: %s\n", line, what);
    std::abort();
}

#define EXPECT(condition)                               \
    do {                                                \
        if (!(condition)) Broken(#condition, __LINE__); \
    } while (0)

std::string DumpOf(const TAsn1Base& node) {
    std::string text;
    node.Dump(text, 0);
    return text;
}

// Fills a reply value as the connection does and checks what it may hold.
TSnmpValue Reply(std::unique_ptr<TAsn1Base> tree) {
    TSnmpValue value;
    value.SetFromReply(std::move(tree));
    EXPECT(value.oid.size() <= kMaxText);
    EXPECT(value.valueText.size() <= kMaxText);
    EXPECT(value.answered == value.fresh);
    if (!value.answered) {
        // An error reply names the object it is about, but carries no value.
        EXPECT(value.valueText.empty() && value.value == 0);
        EXPECT(value.oid.empty() || value.errorStatus != kNoError);
    }
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Encodings go to the heap, not the stack: ASan then sees every overrun.
    static std::vector<std::uint8_t> encoded(65536), reencoded(65536);
    std::span<const std::uint8_t> in(data, size);

    TAsn1Decoded decoded = Gulp(in);
    if (!decoded.fault.ok()) {
        EXPECT(!decoded.node);
        EXPECT(decoded.fault.offset <= size);
        TSnmpValue nothing = Reply(nullptr);
        EXPECT(!nothing.answered);
        return 0;
    }
    EXPECT(decoded.consumed >= 1 && decoded.consumed <= size);
    if (!decoded.node) {
        // An element we do not know, left out whole: identifier, length
        // octets and contents.
        EXPECT(decoded.consumed >= 2);
        EXPECT(in[1] < 0x80 ? decoded.consumed == 2u + in[1] : decoded.consumed > 2);
        return 0;
    }

    std::string dump = DumpOf(*decoded.node);
    EXPECT(!dump.empty() && dump.back() == '\n');

    // What was decoded encodes again unless it outgrows the encoder's limits
    // (a constructed node over 16384 octets of contents; decoding allows
    // 65535). Then it must decode to the same tree, integers normalised.
    std::size_t n = decoded.node->Encode(encoded);
    TSnmpValue first = Reply(std::move(decoded.node));
    if (n == 0) return 0;
    EXPECT(n <= encoded.size());

    TAsn1Decoded again = Gulp(std::span(encoded).first(n));
    EXPECT(again.fault.ok() && again.node);
    EXPECT(again.consumed == n);

    NormaliseIntegers(*first.reply);
    EXPECT(DumpOf(*again.node) == DumpOf(*first.reply));

    std::size_t m = again.node->Encode(reencoded);
    EXPECT(m == first.reply->Encode(encoded));
    EXPECT(
        std::equal(reencoded.begin(), reencoded.begin() + static_cast<long>(m), encoded.begin()));

    // The reply holds the same, but for the value of a negative INTEGER.
    TSnmpValue second = Reply(std::move(again.node));
    EXPECT(second.answered == first.answered);
    EXPECT(second.oid == first.oid);
    if (second.value == first.value) {
        EXPECT(second.valueText == first.valueText);
    } else {
        EXPECT(second.value == DecodedInteger(first.value, kTagInteger));
    }
    return 0;
}

// The BER decoder. Every read is bounded by the span it is given, and a
// constructed node hands its children only its own contents, so no reader can
// see past the end of the element it is in. Anything malformed is an error,
// and the caller drops the whole datagram.
#include <algorithm>
#include <array>
#include <charconv>

#include "asn1/Asn1.h"

namespace {

TAsn1Result Fail(Asn1Error error, std::size_t offset) { return {0, error, offset}; }

struct Length {
    std::size_t value = 0;
    std::size_t octets = 0;  // length octets read
};

// Reads the length octets at the start of `in` and checks that the contents
// they announce lie within `in`. Inlined: every element has length octets.
[[gnu::always_inline]] inline TAsn1Result ReadLength(std::span<const std::uint8_t> in,
                                                     Length& length) {
    if (in.empty()) return Fail(Asn1Error::Truncated, 0);
    std::uint8_t first = in[0];
    if (first < 0x80) {
        length = {first, 1};
    } else if (first == 0x80) {
        return Fail(Asn1Error::IndefiniteLength, 0);
    } else if (first == 0x81) {
        if (in.size() < 2) return Fail(Asn1Error::Truncated, 0);
        length = {in[1], 2};
    } else if (first == 0x82) {
        if (in.size() < 3) return Fail(Asn1Error::Truncated, 0);
        length = {static_cast<std::size_t>(in[1]) * 256u + in[2], 3};
    } else {
        return Fail(Asn1Error::LengthTooLong, 0);
    }
    if (length.value > in.size() - length.octets) return Fail(Asn1Error::Truncated, 0);
    return {length.octets, Asn1Error::None, 0};
}

// Moves an error found at `offset` within a sub-span to the caller's frame.
TAsn1Result Shift(TAsn1Result inner, std::size_t offset) {
    inner.errorOffset += offset;
    return inner;
}

// Inlined into the decoding loop, which makes a node for nearly every element.
[[gnu::always_inline]] inline std::unique_ptr<TAsn1Base> MakeNode(std::uint8_t identifier) {
    if ((identifier & 0xE0) == 0xA0)
        return std::make_unique<TAsn1Implicit>(true, identifier & 0x1F);
    if ((identifier & 0xE0) == 0x80)
        return std::make_unique<TAsn1Implicit>(false, identifier & 0x1F);
    switch (identifier) {
        case kTagInteger:
        case kTagCounter:
        case kTagGauge:
        case kTagTimeTicks:
            return std::make_unique<TAsn1Integer>(0, identifier);
        case kTagOctetString:
            return std::make_unique<TAsn1OctetString>("null");
        case kTagNull:
            return std::make_unique<TAsn1Null>();
        case kTagObject:
            return std::make_unique<TAsn1Object>("1.1.1");
        case kTagSequence:
            return std::make_unique<TAsn1Sequence>();
        default:
            return nullptr;  // IpAddress (0x40), Opaque (0x44) and the rest
    }
}

// The OID text being built. It has room for one more arc past the limit, so
// that an arc is written first and the length checked after.
struct OidText {
    static constexpr std::size_t kLongestArc = 11;  // '.' and ten digits
    std::array<char, kMaxOidText + 1 + kLongestArc> chars;
    char* end = chars.data();

    // Appends `value` in decimal, after a '.' when `dot` is set. Returns false
    // when the text then goes past kMaxOidText.
    bool Append(bool dot, std::uint32_t value) {
        if (dot) *end++ = '.';
        if (value < 10) {
            *end++ = static_cast<char>('0' + value);
        } else if (value < 100) {
            end[0] = static_cast<char>('0' + value / 10);
            end[1] = static_cast<char>('0' + value % 10);
            end += 2;
        } else {
            end = std::to_chars(end, end + 10, value).ptr;
        }
        return end <= chars.data() + kMaxOidText;
    }

    std::string_view Text() const {
        return {chars.data(), static_cast<std::size_t>(end - chars.data())};
    }
};

}  // namespace

const char* Asn1ErrorText(Asn1Error error) {
    switch (error) {
        case Asn1Error::None:
            return "no error";
        case Asn1Error::Truncated:
            return "a length runs past the end of its element";
        case Asn1Error::IndefiniteLength:
            return "indefinite length form";
        case Asn1Error::LengthTooLong:
            return "length form of three or more octets";
        case Asn1Error::HighTagNumber:
            return "high tag number form";
        case Asn1Error::SubidTooLarge:
            return "OID sub-identifier over 32 bits";
        case Asn1Error::OidTooLong:
            return "OID text over 1023 characters";
        case Asn1Error::TooManyChildren:
            return "more than 1024 elements in one node";
        case Asn1Error::TooDeep:
            return "nodes nested too deep";
    }
    return "unknown error";
}

TAsn1Decoded Gulp(std::span<const std::uint8_t> in, int depth) {
    TAsn1Decoded decoded;
    if (in.empty()) {
        decoded.result = Fail(Asn1Error::Truncated, 0);
        return decoded;
    }
    std::uint8_t identifier = in[0];
    if ((identifier & 0x1F) == 0x1F) {
        decoded.result = Fail(Asn1Error::HighTagNumber, 0);
        return decoded;
    }
    decoded.node = MakeNode(identifier);
    if (!decoded.node) {
        decoded.result = {1, Asn1Error::None, 0};  // unknown element: skip its identifier only
        return decoded;
    }
    TAsn1Result inner = decoded.node->Decode(in.subspan(1), depth + 1);
    if (!inner.ok()) {
        decoded.node.reset();
        decoded.result = Shift(inner, 1);
        return decoded;
    }
    decoded.result = {1 + inner.consumed, Asn1Error::None, 0};
    return decoded;
}

TAsn1Result TAsn1Base::Decode(std::span<const std::uint8_t>, int) { return {}; }

TAsn1Result TAsn1Sequence::Decode(std::span<const std::uint8_t> in, int depth) {
    if (depth > kMaxDepth) return Fail(Asn1Error::TooDeep, 0);
    Length length;
    if (TAsn1Result r = ReadLength(in, length); !r.ok()) return r;
    auto contents = in.subspan(length.octets, length.value);
    // What Gulp does for each child, done here: this loop runs for nearly
    // every element of every datagram.
    std::size_t at = 0;
    while (at < contents.size()) {
        std::uint8_t identifier = contents[at];
        if ((identifier & 0x1F) == 0x1F) return Fail(Asn1Error::HighTagNumber, length.octets + at);
        std::unique_ptr<TAsn1Base> child = MakeNode(identifier);
        if (!child) {  // unknown element: skip its identifier only
            ++at;
            continue;
        }
        TAsn1Result inner = child->Decode(contents.subspan(at + 1), depth + 1);
        if (!inner.ok()) return Shift(inner, length.octets + at + 1);
        if (children.size() >= kMaxChildren)
            return Fail(Asn1Error::TooManyChildren, length.octets + at);
        // SNMP's lists hold two to four elements: one allocation, not three.
        if (children.capacity() == 0) children.reserve(4);
        children.push_back(std::move(child));
        at += 1 + inner.consumed;
    }
    return {length.octets + length.value, Asn1Error::None, 0};
}

TAsn1Result TAsn1Integer::Decode(std::span<const std::uint8_t> in, int) {
    Length length;
    if (TAsn1Result r = ReadLength(in, length); !r.ok()) return r;
    // Read as an unsigned number modulo 2^32: Counter 0xFFFFFFFF arrives as
    // 00 FF FF FF FF and keeps its bit pattern.
    std::uint32_t number = 0;
    for (std::uint8_t octet : in.subspan(length.octets, length.value))
        number = number * 256u + octet;
    value = static_cast<std::int32_t>(number);
    return {length.octets + length.value, Asn1Error::None, 0};
}

TAsn1Result TAsn1OctetString::Decode(std::span<const std::uint8_t> in, int) {
    Length length;
    if (TAsn1Result r = ReadLength(in, length); !r.ok()) return r;
    auto contents = in.subspan(length.octets, length.value);
    data.assign(reinterpret_cast<const char*>(contents.data()), contents.size());
    return {length.octets + length.value, Asn1Error::None, 0};
}

TAsn1Result TAsn1Null::Decode(std::span<const std::uint8_t> in, int) {
    Length length;
    if (TAsn1Result r = ReadLength(in, length); !r.ok()) return r;
    return {length.octets + length.value, Asn1Error::None, 0};
}

TAsn1Result TAsn1Object::Decode(std::span<const std::uint8_t> in, int) {
    Length length;
    if (TAsn1Result r = ReadLength(in, length); !r.ok()) return r;
    auto contents = in.subspan(length.octets, length.value);
    OidText text;
    std::size_t at = 0;
    while (at < contents.size()) {
        std::size_t start = at;
        std::uint32_t x = contents[at++];
        if (x >= 0x80) {  // more than one octet
            std::uint64_t subid = x & 0x7Fu;
            bool more = true;
            while (more) {
                if (at >= contents.size()) return Fail(Asn1Error::Truncated, length.octets + start);
                std::uint8_t octet = contents[at++];
                subid = subid * 128u + (octet & 0x7Fu);
                if (subid > 0xFFFFFFFFu)
                    return Fail(Asn1Error::SubidTooLarge, length.octets + start);
                more = (octet & 0x80u) != 0;
            }
            x = static_cast<std::uint32_t>(subid);
        }
        bool fits = true;
        if (start != 0) {
            fits = text.Append(true, x);
        } else {  // the first two arcs
            std::uint32_t top = x < 40 ? 0 : x < 80 ? 1 : 2;
            fits = text.Append(false, top) && text.Append(true, x - top * 40);
        }
        if (!fits) return Fail(Asn1Error::OidTooLong, length.octets + start);
    }
    oid.assign(text.Text());
    return {length.octets + length.value, Asn1Error::None, 0};
}

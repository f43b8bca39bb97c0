// The BER decoder. One reader (TAsn1Reader) serves every element: it reads an
// identifier and the length octets, checks that the contents lie within the
// octets it holds, and hands out a reader over just those contents. A node's
// Decode sees nothing but its own contents, so no read can go past the
// element it is in. Anything malformed is a fault with its position in the
// datagram, and the caller drops the whole datagram.
#include <array>
#include <charconv>

#include "asn1/Asn1.h"

namespace {

// The node for an identifier octet, or none for one we do not know. The one
// place where identifiers are told apart.
std::unique_ptr<TAsn1Base> MakeNode(std::uint8_t identifier) {
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
            return std::make_unique<TAsn1OctetString>(std::string_view{});
        case kTagNull:
            return std::make_unique<TAsn1Null>();
        case kTagObject:
            return std::make_unique<TAsn1Object>(std::string_view{});
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
        // Most arcs are one digit.
        if (value < 10) {
            *end++ = static_cast<char>('0' + value);
        } else {
            end = std::to_chars(end, end + 10, value).ptr;
        }
        return end <= chars.data() + kMaxOidText;
    }

    std::string_view Text() const {
        return {chars.data(), static_cast<std::size_t>(end - chars.data())};
    }
};

// Reads one OID sub-identifier at `at` and moves `at` past it: base 128, the
// top bit set on all but its last octet.
Asn1Error ReadSubidentifier(std::span<const std::uint8_t> octets, std::size_t& at,
                            std::uint32_t& value) {
    std::uint8_t octet = octets[at++];
    if (octet < 0x80) {  // most are one octet
        value = octet;
        return Asn1Error::None;
    }
    std::uint64_t subid = octet & 0x7Fu;
    do {
        if (at == octets.size()) return Asn1Error::Truncated;
        octet = octets[at++];
        subid = subid * 128u + (octet & 0x7Fu);
        if (subid > 0xFFFFFFFFu) return Asn1Error::SubidTooLarge;
    } while ((octet & 0x80u) != 0);
    value = static_cast<std::uint32_t>(subid);
    return Asn1Error::None;
}

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

TAsn1Fault TAsn1Reader::ReadElement(std::uint8_t& identifier, TAsn1Reader& contents) {
    std::span<const std::uint8_t> rest = Rest();
    if (rest.empty()) return Fail(Asn1Error::Truncated);
    identifier = rest[0];
    if ((identifier & 0x1F) == 0x1F) return Fail(Asn1Error::HighTagNumber);
    if (rest.size() < 2) return Fail(Asn1Error::Truncated, 1);

    // The short form, 0x81 L or 0x82 H L; no other length form is read.
    std::uint8_t first = rest[1];
    std::size_t length = first;
    std::size_t header = 2;
    if (first == 0x80) return Fail(Asn1Error::IndefiniteLength, 1);
    if (first > 0x82) return Fail(Asn1Error::LengthTooLong, 1);
    if (first > 0x80) {
        header = 2 + (first & 0x7Fu);
        if (rest.size() < header) return Fail(Asn1Error::Truncated, 1);
        length = first == 0x81 ? rest[2] : std::size_t{rest[2]} * 256u + rest[3];
    }
    // rest.size() >= header here, so the subtraction cannot wrap.
    if (length > rest.size() - header) return Fail(Asn1Error::Truncated, 1);

    contents = TAsn1Reader(rest.subspan(header, length), Position() + header, depth_ + 1);
    at_ += header + length;
    return {};
}

namespace {

// Reads the next element of `reader` into `node`: a new node of the class its
// identifier names, filled from its contents, or none for an identifier we
// do not know, whose element is left out whole (its length octets said where
// it ends).
TAsn1Fault ReadNode(TAsn1Reader& reader, std::unique_ptr<TAsn1Base>& node) {
    std::uint8_t identifier = 0;
    TAsn1Reader contents(std::span<const std::uint8_t>{});
    TAsn1Fault fault = reader.ReadElement(identifier, contents);
    if (!fault.ok()) return fault;
    node = MakeNode(identifier);
    if (node) fault = node->Decode(contents);
    if (!fault.ok()) node.reset();
    return fault;
}

}  // namespace

TAsn1Decoded Gulp(TAsn1Reader& reader) {
    TAsn1Decoded decoded;
    const std::size_t start = reader.Position();
    decoded.fault = ReadNode(reader, decoded.node);
    if (decoded.fault.ok()) decoded.consumed = reader.Position() - start;
    return decoded;
}

TAsn1Decoded Gulp(std::span<const std::uint8_t> in, int depth) {
    TAsn1Reader reader(in, 0, depth);
    return Gulp(reader);
}

TAsn1Fault TAsn1Base::Decode(TAsn1Reader&) { return {}; }

TAsn1Fault TAsn1Sequence::Decode(TAsn1Reader& contents) {
    if (contents.Depth() > kMaxDepth) return contents.Fail(Asn1Error::TooDeep);
    while (!contents.Empty()) {
        const std::size_t at = contents.Position();
        std::unique_ptr<TAsn1Base> child;
        if (TAsn1Fault fault = ReadNode(contents, child); !fault.ok()) return fault;
        if (child && !Append(std::move(child))) return {Asn1Error::TooManyChildren, at};
    }
    return {};
}

TAsn1Fault TAsn1Integer::Decode(TAsn1Reader& contents) {
    // Read as an unsigned number modulo 2^32: Counter 0xFFFFFFFF arrives as
    // 00 FF FF FF FF and keeps its bit pattern.
    std::uint32_t number = 0;
    for (std::uint8_t octet : contents.Rest()) number = number * 256u + octet;
    value = static_cast<std::int32_t>(number);
    return {};
}

TAsn1Fault TAsn1OctetString::Decode(TAsn1Reader& contents) {
    std::span<const std::uint8_t> octets = contents.Rest();
    data.assign(reinterpret_cast<const char*>(octets.data()), octets.size());
    return {};
}

TAsn1Fault TAsn1Null::Decode(TAsn1Reader&) { return {}; }

TAsn1Fault TAsn1Object::Decode(TAsn1Reader& contents) {
    std::span<const std::uint8_t> octets = contents.Rest();
    OidText text;
    std::size_t at = 0;
    while (at < octets.size()) {
        const std::size_t start = at;
        std::uint32_t x = 0;
        if (Asn1Error error = ReadSubidentifier(octets, at, x); error != Asn1Error::None)
            return contents.Fail(error, start);
        bool fits = true;
        if (start != 0) {
            fits = text.Append(true, x);
        } else {  // the first two arcs
            std::uint32_t top = x < 40 ? 0 : x < 80 ? 1 : 2;
            fits = text.Append(false, top) && text.Append(true, x - top * 40);
        }
        if (!fits) return contents.Fail(Asn1Error::OidTooLong, start);
    }
    oid.assign(text.Text());
    return {};
}

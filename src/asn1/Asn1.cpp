// The node classes and their BER encoder. Encoding writes straight into the
// caller's buffer; it never allocates.
#include "asn1/Asn1.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

// Copies `src` into `out` at `at`; false when it does not fit.
bool Put(std::span<std::uint8_t> out, std::size_t at, std::span<const std::uint8_t> src) {
    if (at > out.size() || src.size() > out.size() - at) return false;
    if (!src.empty()) std::memcpy(out.data() + at, src.data(), src.size());
    return true;
}

// Writes an element: identifier, length octets, contents. Returns its size or 0.
std::size_t PutElement(std::span<std::uint8_t> out, std::uint8_t identifier,
                       std::span<const std::uint8_t> contents) {
    std::size_t size = contents.size();
    if (out.empty()) return 0;
    out[0] = identifier;
    std::size_t lengthOctets = EncodeLength(size, out.subspan(1));
    if (lengthOctets == 0) return 0;
    std::size_t header = 1 + lengthOctets;
    if (!Put(out, header, contents)) return 0;
    return header + size;
}

// CloseElement for contents of 128 octets or more: the length takes more
// than one octet, so the contents move on to make room for it.
std::size_t CloseLongElement(std::span<std::uint8_t> out, std::uint8_t identifier,
                             std::size_t used) {
    std::array<std::uint8_t, 3> length{};
    std::size_t lengthOctets = EncodeLength(used, length);
    if (lengthOctets == 0) return 0;
    std::size_t header = 1 + lengthOctets;
    if (out.size() < header || used > out.size() - header) return 0;
    std::memmove(out.data() + header, out.data() + 2, used);
    out[0] = identifier;
    std::copy_n(length.begin(), lengthOctets, out.begin() + 1);
    return header + used;
}

// The contents, `used` octets, were written at out[2]. Puts the identifier and
// the length octets before them. Returns the element's size, or 0 when it does
// not fit. Writing the contents in place saves copying them at every level.
std::size_t CloseElement(std::span<std::uint8_t> out, std::uint8_t identifier, std::size_t used) {
    if (used >= 0x80) return CloseLongElement(out, identifier, used);
    out[0] = identifier;
    out[1] = static_cast<std::uint8_t>(used);
    return 2 + used;
}

// Two's complement, big-endian, in the fewest octets that hold `v`.
std::size_t MinimalSigned(std::int64_t v, std::array<std::uint8_t, 8>& octets) {
    std::size_t n = 8;
    // Drop a leading octet while the nine top bits are all zero or all one.
    while (n > 1) {
        std::int64_t top = v >> (8 * (n - 1) - 1);
        if (top != 0 && top != -1) break;
        --n;
    }
    for (std::size_t i = 0; i < n; ++i) {
        octets[n - 1 - i] = static_cast<std::uint8_t>(static_cast<std::uint64_t>(v) >> (8 * i));
    }
    return n;
}

// Base 128, most significant group first, top bit set on all but the last.
std::size_t PutSubidentifier(std::uint32_t value, std::span<std::uint8_t> out, std::size_t at) {
    std::array<std::uint8_t, 5> groups{};
    std::size_t n = 0;
    do {
        groups[n++] = static_cast<std::uint8_t>(value & 0x7Fu);
        value >>= 7;
    } while (value != 0);
    if (at > out.size() || n > out.size() - at) return 0;
    for (std::size_t i = 0; i < n; ++i) {
        std::uint8_t group = groups[n - 1 - i];
        out[at + i] = i + 1 < n ? static_cast<std::uint8_t>(group | 0x80u) : group;
    }
    return n;
}

// ReadDecimal from `at` on, moving `at` past the digits.
std::uint32_t ScanDecimal(std::string_view text, std::size_t& at) {
    const std::size_t end = text.size();
    while (at < end && (text[at] == ' ' || (text[at] >= '\t' && text[at] <= '\r'))) ++at;
    bool negative = false;
    if (at < end && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
    std::uint32_t value = 0;
    for (; at < end && text[at] >= '0' && text[at] <= '9'; ++at) {
        value = value * 10u + static_cast<std::uint32_t>(text[at] - '0');
    }
    return negative ? 0u - value : value;
}

// Reads the arc at `at` of a dotted OID text as ReadDecimal reads the text up
// to the next '.', and moves `at` past that '.'. One pass over the text.
std::uint32_t NextArc(std::string_view text, std::size_t& at) {
    std::uint32_t value = ScanDecimal(text, at);
    while (at < text.size() && text[at] != '.') ++at;
    if (at < text.size()) ++at;  // a '.' at the very end adds no arc
    return value;
}

// Encodes the contents of a dotted OID text, the first two arcs combined.
// Returns false when they do not fit `out`; `size` receives their length.
bool EncodeOidContents(std::string_view text, std::span<std::uint8_t> out, std::size_t& size) {
    size = 0;
    std::uint32_t first = 0;
    std::size_t at = 0;
    for (std::size_t arcs = 0; at < text.size(); ++arcs) {
        std::uint32_t arc = NextArc(text, at);
        if (arcs == 0) {
            first = arc;
            continue;
        }
        std::size_t written = PutSubidentifier(arcs == 1 ? first * 40u + arc : arc, out, size);
        if (written == 0) return false;
        size += written;
    }
    return true;
}

}  // namespace

std::int32_t ReadDecimal(std::string_view text) {
    std::size_t at = 0;
    return static_cast<std::int32_t>(ScanDecimal(text, at));
}

std::size_t EncodeLength(std::size_t length, std::span<std::uint8_t> out) {
    if (length < 0x80) {
        if (out.empty()) return 0;
        out[0] = static_cast<std::uint8_t>(length);
        return 1;
    }
    if (length <= 0xFF) {
        if (out.size() < 2) return 0;
        out[0] = 0x81;
        out[1] = static_cast<std::uint8_t>(length);
        return 2;
    }
    if (length <= 0xFFFF) {
        if (out.size() < 3) return 0;
        out[0] = 0x82;
        out[1] = static_cast<std::uint8_t>(length >> 8);
        out[2] = static_cast<std::uint8_t>(length & 0xFF);
        return 3;
    }
    return 0;
}

// --- TAsn1Base ---------------------------------------------------------------

std::size_t TAsn1Base::Encode(std::span<std::uint8_t>) const { return 0; }

// --- TAsn1Sequence -----------------------------------------------------------

bool TAsn1Sequence::Append(std::unique_ptr<TAsn1Base> child) {
    if (children.size() >= kMaxChildren) return false;
    // SNMP's lists hold two to four elements: one allocation, not three.
    if (children.capacity() == 0) children.reserve(4);
    children.push_back(std::move(child));
    return true;
}

std::size_t TAsn1Sequence::Encode(std::span<std::uint8_t> out) const {
    // The children go where the contents belong if the length takes one
    // octet; CloseElement moves them on when it takes more. At most
    // kMaxContents octets of contents.
    // `children` is open to callers; more than the decoder takes is refused.
    if (children.size() > kMaxChildren || out.size() < 2) return 0;
    auto contents = out.subspan(2, std::min(out.size() - 2, kMaxContents));
    std::size_t used = 0;
    for (const auto& child : children) {
        if (!child) continue;
        std::size_t written = child->Encode(contents.subspan(used));
        if (written == 0) return 0;
        used += written;
    }
    return CloseElement(out, Identifier(), used);
}

// --- TAsn1Integer ------------------------------------------------------------

std::size_t TAsn1Integer::Encode(std::span<std::uint8_t> out) const {
    // Counter, Gauge and TimeTicks are unsigned: 0xFFFFFFFF needs five octets.
    bool isUnsigned = identifier != kTagInteger;
    bool oneOctet =
        isUnsigned ? static_cast<std::uint32_t>(value) < 0x80 : value >= -0x80 && value < 0x80;
    if (oneOctet && out.size() >= 3) {  // every INTEGER of a request but its id
        out[0] = identifier;
        out[1] = 1;
        out[2] = static_cast<std::uint8_t>(value);
        return 3;
    }
    std::int64_t wide = isUnsigned ? static_cast<std::int64_t>(static_cast<std::uint32_t>(value))
                                   : static_cast<std::int64_t>(value);
    std::array<std::uint8_t, 8> octets{};
    std::size_t n = MinimalSigned(wide, octets);
    return PutElement(out, identifier, std::span(octets).first(n));
}

// --- TAsn1OctetString --------------------------------------------------------

std::size_t TAsn1OctetString::Encode(std::span<std::uint8_t> out) const {
    return PutElement(out, kTagOctetString,
                      {reinterpret_cast<const std::uint8_t*>(data.data()), data.size()});
}

// --- TAsn1Null ---------------------------------------------------------------

std::size_t TAsn1Null::Encode(std::span<std::uint8_t> out) const {
    return PutElement(out, kTagNull, {});
}

// --- TAsn1Object -------------------------------------------------------------

std::size_t TAsn1Object::Encode(std::span<std::uint8_t> out) const {
    // Written in place, as a sequence's children are; at most
    // kMaxOidContents octets.
    if (out.size() < 2) return 0;
    std::size_t size = 0;
    if (!EncodeOidContents(oid, out.subspan(2, std::min(out.size() - 2, kMaxOidContents)), size))
        return 0;
    return CloseElement(out, kTagObject, size);
}

// --- TAsn1Implicit -----------------------------------------------------------

std::size_t TAsn1Implicit::Encode(std::span<std::uint8_t> out) const {
    // Masking a larger number into the identifier would write another tag.
    if (tagNumber < 0 || tagNumber > 30) return 0;
    return TAsn1Sequence::Encode(out);
}

std::uint8_t TAsn1Implicit::Identifier() const {
    auto number = static_cast<std::uint8_t>(tagNumber & 0x1F);
    return static_cast<std::uint8_t>((constructed ? 0xA0u : 0x80u) | number);
}

bool OidBefore(std::string_view a, std::string_view b) {
    while (!a.empty() && !b.empty()) {
        const std::string_view arcA = a.substr(0, a.find('.'));
        const std::string_view arcB = b.substr(0, b.find('.'));
        // Arcs have no leading zeros: a longer one is the larger number.
        if (arcA.size() != arcB.size()) return arcA.size() < arcB.size();
        if (arcA != arcB) return arcA < arcB;
        a.remove_prefix(std::min(a.size(), arcA.size() + 1));
        b.remove_prefix(std::min(b.size(), arcB.size() + 1));
    }
    return a.empty() && !b.empty();
}

// --- TAsn1SnmpGet ------------------------------------------------------------

TAsn1SnmpGet::TAsn1SnmpGet(std::string_view community, std::int32_t requestId, std::string_view oid,
                           int pduTag) {
    // Keeps the kind name "sequence": on the wire it is one.
    auto communityNode = std::make_unique<TAsn1OctetString>(community);
    auto requestIdNode = std::make_unique<TAsn1Integer>(requestId);
    auto objectNode = std::make_unique<TAsn1Object>(oid);
    communityNode_ = communityNode.get();
    requestIdNode_ = requestIdNode.get();
    objectNode_ = objectNode.get();

    auto binding = std::make_unique<TAsn1Sequence>();
    binding->Append(std::move(objectNode));
    binding->Append(std::make_unique<TAsn1Null>());
    auto bindings = std::make_unique<TAsn1Sequence>();
    bindings->Append(std::move(binding));

    auto pdu = std::make_unique<TAsn1Implicit>(true, pduTag);
    pduNode_ = pdu.get();
    pdu->Append(std::move(requestIdNode));
    pdu->Append(std::make_unique<TAsn1Integer>(0));  // error-status
    pdu->Append(std::make_unique<TAsn1Integer>(0));  // error-index
    pdu->Append(std::move(bindings));

    Append(std::make_unique<TAsn1Integer>(0));  // version: 0 stands for SNMP version 1
    Append(std::move(communityNode));
    Append(std::move(pdu));
}

void TAsn1SnmpGet::SetCommunity(std::string_view text) { communityNode_->data.assign(text); }

void TAsn1SnmpGet::SetRequest(std::int32_t requestId, std::string_view oid, int pduTag) {
    pduNode_->tagNumber = pduTag;
    requestIdNode_->value = requestId;
    objectNode_->oid.assign(oid);
}

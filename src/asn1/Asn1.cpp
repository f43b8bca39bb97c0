// The node classes and their BER encoder. Encoding writes into the caller's
// buffer and into scratch areas on the stack; it never allocates.
#include "Asn1.h"

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
    if (out.empty()) return 0;
    out[0] = identifier;
    std::size_t lengthOctets = EncodeLength(contents.size(), out.subspan(1));
    if (lengthOctets == 0) return 0;
    std::size_t header = 1 + lengthOctets;
    if (!Put(out, header, contents)) return 0;
    return header + contents.size();
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

// Encodes the contents of a dotted OID text. Returns false when they do not
// fit `out`; `size` receives their length.
bool EncodeOidContents(std::string_view text, std::span<std::uint8_t> out, std::size_t& size) {
    size = 0;
    std::uint32_t first = 0;
    std::size_t arcs = 0;
    while (!text.empty()) {
        std::size_t dot = text.find('.');
        auto arc = static_cast<std::uint32_t>(ReadDecimal(text.substr(0, dot)));
        text = dot == std::string_view::npos ? std::string_view{} : text.substr(dot + 1);
        ++arcs;
        if (arcs == 1) {
            first = arc;
            continue;
        }
        std::uint32_t subid = arcs == 2 ? first * 40u + arc : arc;
        std::size_t written = PutSubidentifier(subid, out, size);
        if (written == 0) return false;
        size += written;
    }
    return true;
}

}  // namespace

std::int32_t ReadDecimal(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    std::uint32_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10u + static_cast<std::uint32_t>(text[i] - '0');
    }
    return static_cast<std::int32_t>(negative ? 0u - value : value);
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

TAsn1Sequence::TAsn1Sequence() { kindName = "sequence"; }

bool TAsn1Sequence::Append(std::unique_ptr<TAsn1Base> child) {
    if (children.size() >= kMaxChildren) return false;
    children.push_back(std::move(child));
    return true;
}

TAsn1Base* TAsn1Sequence::Child(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= children.size()) return nullptr;
    return children[static_cast<std::size_t>(index)].get();
}

std::size_t TAsn1Sequence::Encode(std::span<std::uint8_t> out) const {
    // The children go into a scratch area first: only then is the length of
    // the contents known, and with it the size of the length octets.
    // `children` is open to callers; more than the decoder takes is refused.
    if (children.size() > kMaxChildren) return 0;
    std::array<std::uint8_t, kMaxContents> scratch;
    std::size_t used = 0;
    for (const auto& child : children) {
        if (!child) continue;
        std::size_t written = child->Encode(std::span(scratch).subspan(used));
        if (written == 0) return 0;
        used += written;
    }
    return PutElement(out, Identifier(), std::span(scratch).first(used));
}

// --- TAsn1Integer ------------------------------------------------------------

TAsn1Integer::TAsn1Integer(std::int32_t v, std::uint8_t id) : value(v), identifier(id) {
    kindName = "integer";
}

std::size_t TAsn1Integer::Encode(std::span<std::uint8_t> out) const {
    // Counter, Gauge and TimeTicks are unsigned: 0xFFFFFFFF needs five octets.
    bool isUnsigned = identifier != kTagInteger;
    std::int64_t wide = isUnsigned ? static_cast<std::int64_t>(static_cast<std::uint32_t>(value))
                                   : static_cast<std::int64_t>(value);
    std::array<std::uint8_t, 8> octets{};
    std::size_t n = MinimalSigned(wide, octets);
    return PutElement(out, identifier, std::span(octets).first(n));
}

// --- TAsn1OctetString --------------------------------------------------------

TAsn1OctetString::TAsn1OctetString(std::string_view octets) : data(octets) {
    kindName = "octetstring";
}

std::size_t TAsn1OctetString::Encode(std::span<std::uint8_t> out) const {
    return PutElement(out, kTagOctetString,
                      {reinterpret_cast<const std::uint8_t*>(data.data()), data.size()});
}

// --- TAsn1Null ---------------------------------------------------------------

TAsn1Null::TAsn1Null() { kindName = "null"; }

std::size_t TAsn1Null::Encode(std::span<std::uint8_t> out) const {
    return PutElement(out, kTagNull, {});
}

// --- TAsn1Object -------------------------------------------------------------

TAsn1Object::TAsn1Object(std::string_view text) : oid(text) { kindName = "object"; }

std::size_t TAsn1Object::Encode(std::span<std::uint8_t> out) const {
    std::array<std::uint8_t, kMaxOidContents> work;
    std::size_t size = 0;
    if (!EncodeOidContents(oid, work, size)) return 0;
    return PutElement(out, kTagObject, std::span(work).first(size));
}

// --- TAsn1Implicit -----------------------------------------------------------

TAsn1Implicit::TAsn1Implicit(bool isConstructed, int number)
    : constructed(isConstructed), tagNumber(number) {
    kindName = "implicit";
}

std::size_t TAsn1Implicit::Encode(std::span<std::uint8_t> out) const {
    // Masking a larger number into the identifier would write another tag.
    if (tagNumber < 0 || tagNumber > 30) return 0;
    return TAsn1Sequence::Encode(out);
}

std::uint8_t TAsn1Implicit::Identifier() const {
    auto number = static_cast<std::uint8_t>(tagNumber & 0x1F);
    return static_cast<std::uint8_t>((constructed ? 0xA0u : 0x80u) | number);
}

// --- TAsn1SnmpGet ------------------------------------------------------------

TAsn1SnmpGet::TAsn1SnmpGet(std::string_view community, std::int32_t requestId,
                           std::string_view oid) {
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

    auto pdu = std::make_unique<TAsn1Implicit>(true, 0);
    pdu->Append(std::move(requestIdNode));
    pdu->Append(std::make_unique<TAsn1Integer>(0));  // error-status
    pdu->Append(std::make_unique<TAsn1Integer>(0));  // error-index
    pdu->Append(std::move(bindings));

    Append(std::make_unique<TAsn1Integer>(0));  // version: 0 stands for SNMP version 1
    Append(std::move(communityNode));
    Append(std::move(pdu));
}

void TAsn1SnmpGet::SetCommunity(std::string_view text) { communityNode_->data.assign(text); }

void TAsn1SnmpGet::SetRequest(std::int32_t requestId, std::string_view oid) {
    requestIdNode_->value = requestId;
    objectNode_->oid.assign(oid);
}

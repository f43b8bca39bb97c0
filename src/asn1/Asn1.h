// BER node tree for the ASN.1 values that SNMP version 1 messages are made of:
// the nodes, their encoder, the bounded decoder (Gulp) and a text dump.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Limits of the tree. The decoder drops a datagram that goes past one of
// the first three; the encoder writes nothing past the last two.
inline constexpr std::size_t kMaxChildren = 1024;     // children of one constructed node
inline constexpr std::size_t kMaxOidText = 1023;      // characters of an OID text
inline constexpr int kMaxDepth = 16;                  // nesting of constructed nodes
inline constexpr std::size_t kMaxContents = 16384;    // contents octets of one constructed node
inline constexpr std::size_t kMaxOidContents = 1024;  // contents octets of an OID

inline constexpr std::uint8_t kTagSequence = 0x30;
inline constexpr std::uint8_t kTagInteger = 0x02;
inline constexpr std::uint8_t kTagOctetString = 0x04;
inline constexpr std::uint8_t kTagNull = 0x05;
inline constexpr std::uint8_t kTagObject = 0x06;
inline constexpr std::uint8_t kTagCounter = 0x41;
inline constexpr std::uint8_t kTagGauge = 0x42;
inline constexpr std::uint8_t kTagTimeTicks = 0x43;

// Why a datagram was dropped. Every malformed element drops the whole datagram.
enum class Asn1Error {
    None,
    Truncated,         // a length runs past the end of its enclosing element
    IndefiniteLength,  // length octet 0x80
    LengthTooLong,     // three or more length octets (0x83 to 0xFF)
    HighTagNumber,     // tag number 31: the multi-octet identifier form
    SubidTooLarge,     // an OID sub-identifier above 32 bits
    OidTooLong,        // an OID text over 1023 characters
    TooManyChildren,   // more than 1024 elements in one constructed node
    TooDeep,           // constructed nodes nested deeper than kMaxDepth
};

const char* Asn1ErrorText(Asn1Error error);

// Reads a number the way C's atoi does (leading white space, optional sign,
// digits up to the first non-digit, 0 when there are none), except that it
// wraps modulo 2^32 instead of overflowing.
std::int32_t ReadDecimal(std::string_view text);

class TAsn1Base;

// Why decoding stopped, and at which octet of the datagram (counted from 0).
struct TAsn1Fault {
    Asn1Error error = Asn1Error::None;
    std::size_t offset = 0;

    bool ok() const { return error == Asn1Error::None; }
};

// The octets of one element's contents (or of a whole datagram), where they
// start in the datagram, and how deeply that element is nested. Every read of
// received octets goes through one of these: the reader for an element's
// contents is cut from its parent's and can never see past that element.
class TAsn1Reader {
public:
    explicit TAsn1Reader(std::span<const std::uint8_t> octets, std::size_t offset = 0,
                         int depth = 0)
        : octets_(octets), offset_(offset), depth_(depth) {}

    bool Empty() const { return at_ == octets_.size(); }
    // The octets not read yet.
    std::span<const std::uint8_t> Rest() const { return octets_.subspan(at_); }
    // Where the next octet lies in the datagram.
    std::size_t Position() const { return offset_ + at_; }
    // How deeply the element these octets are the contents of is nested:
    // 0 for a whole datagram, 1 for the contents of its outermost element.
    int Depth() const { return depth_; }

    // Reads the identifier and length octets of the next element and hands
    // out a reader over its contents; this reader moves past the element.
    // Fails on a malformed identifier or length, or contents past the end.
    TAsn1Fault ReadElement(std::uint8_t& identifier, TAsn1Reader& contents);

    // A fault `at` octets past the next one.
    TAsn1Fault Fail(Asn1Error error, std::size_t at = 0) const { return {error, Position() + at}; }

private:
    std::span<const std::uint8_t> octets_;
    std::size_t offset_;  // where octets_ starts in the datagram
    std::size_t at_ = 0;  // octets read
    int depth_;
};

// The outcome of decoding one element: the node (none for an identifier we do
// not know, whose element is skipped whole) and the octets it took, or the
// fault that dropped it.
struct TAsn1Decoded {
    std::unique_ptr<TAsn1Base> node;
    std::size_t consumed = 0;
    TAsn1Fault fault;
};

// Reads one element at the start of `in`. Nothing past `in.size()` is read.
// `depth` is the nesting level of the element's parent: 0 at the top.
TAsn1Decoded Gulp(std::span<const std::uint8_t> in, int depth = 0);
// Reads the next element of `reader` and moves it past that element.
TAsn1Decoded Gulp(TAsn1Reader& reader);

// Writes the length octets for `length` into `out` (short form, 0x81 or 0x82)
// and returns their count, or 0 when `out` is too small or the length needs
// more than two octets.
std::size_t EncodeLength(std::size_t length, std::span<std::uint8_t> out);

// The kind names the nodes tell their class by. Code that asks a node's
// kind compares with these, the very texts the nodes hold.
namespace asn1kind {
inline constexpr char kBase[] = "base";
inline constexpr char kSequence[] = "sequence";
inline constexpr char kInteger[] = "integer";
inline constexpr char kOctetString[] = "octetstring";
inline constexpr char kNull[] = "null";
inline constexpr char kObject[] = "object";
inline constexpr char kImplicit[] = "implicit";
}  // namespace asn1kind

class TAsn1Base {
public:
    TAsn1Base() = default;
    virtual ~TAsn1Base() = default;
    TAsn1Base(const TAsn1Base&) = delete;
    TAsn1Base& operator=(const TAsn1Base&) = delete;

    // Writes identifier, length octets and contents into `out` and returns the
    // octet count; returns 0 when the encoding does not fit `out` or breaks a
    // limit of the tree. Never allocates.
    virtual std::size_t Encode(std::span<std::uint8_t> out) const;

    // Fills the node from its element's contents, all of which it reads.
    virtual TAsn1Fault Decode(TAsn1Reader& contents);

    // Appends the node's lines to `out`, each indented by `indent` spaces.
    virtual void Dump(std::string& out, int indent) const;

    const char* kindName = asn1kind::kBase;
};

class TAsn1Sequence : public TAsn1Base {
public:
    TAsn1Sequence() { kindName = asn1kind::kSequence; }
    // Takes ownership of `child`. Returns false, dropping it, when the node
    // already holds kMaxChildren children.
    bool Append(std::unique_ptr<TAsn1Base> child);
    int Count() const { return static_cast<int>(children.size()); }
    // The child at `index`, or none past the end.
    TAsn1Base* Child(int index) const {
        if (index < 0 || static_cast<std::size_t>(index) >= children.size()) return nullptr;
        return children[static_cast<std::size_t>(index)].get();
    }

    std::size_t Encode(std::span<std::uint8_t> out) const override;
    TAsn1Fault Decode(TAsn1Reader& contents) override;
    void Dump(std::string& out, int indent) const override;

    std::vector<std::unique_ptr<TAsn1Base>> children;

protected:
    virtual std::uint8_t Identifier() const { return kTagSequence; }
    void DumpChildren(std::string& out, int indent) const;
};

class TAsn1Integer : public TAsn1Base {
public:
    // `identifier` is 0x02 for INTEGER or one of the SNMP application types
    // Counter (0x41), Gauge (0x42) and TimeTicks (0x43). The application types
    // are unsigned 32-bit numbers and are encoded as such.
    explicit TAsn1Integer(std::int32_t v, std::uint8_t id = kTagInteger)
        : value(v), identifier(id) {
        kindName = asn1kind::kInteger;
    }

    std::size_t Encode(std::span<std::uint8_t> out) const override;
    TAsn1Fault Decode(TAsn1Reader& contents) override;
    void Dump(std::string& out, int indent) const override;

    std::int32_t value;
    std::uint8_t identifier;
};

class TAsn1OctetString : public TAsn1Base {
public:
    explicit TAsn1OctetString(std::string_view octets) : data(octets) {
        kindName = asn1kind::kOctetString;
    }

    std::size_t Encode(std::span<std::uint8_t> out) const override;
    TAsn1Fault Decode(TAsn1Reader& contents) override;
    void Dump(std::string& out, int indent) const override;

    // The contents. std::string keeps a zero octet after them, so c_str()
    // reads them as text up to the first zero octet.
    std::string data;
};

class TAsn1Null : public TAsn1Base {
public:
    TAsn1Null() { kindName = asn1kind::kNull; }
    std::size_t Encode(std::span<std::uint8_t> out) const override;
    TAsn1Fault Decode(TAsn1Reader& contents) override;
};

class TAsn1Object : public TAsn1Base {
public:
    explicit TAsn1Object(std::string_view text) : oid(text) { kindName = asn1kind::kObject; }

    std::size_t Encode(std::span<std::uint8_t> out) const override;
    TAsn1Fault Decode(TAsn1Reader& contents) override;
    void Dump(std::string& out, int indent) const override;

    std::string oid;  // dotted decimal, such as 1.3.6.1.2.1.2.2.1.2.0
};

// True when the object `a` comes before `b` in the tree of objects (RFC
// 1155): arc by arc, a number before a larger one, a prefix before what it
// leads to. Both are dotted decimal as the decoder writes them, without
// leading zeros.
bool OidBefore(std::string_view a, std::string_view b);

// A context-specific tag [n], constructed or primitive; its contents are a
// list of elements either way, as SNMP PDUs are.
class TAsn1Implicit : public TAsn1Sequence {
public:
    TAsn1Implicit(bool isConstructed, int number) : constructed(isConstructed), tagNumber(number) {
        kindName = asn1kind::kImplicit;
    }
    // Returns 0 for a tag number outside 0 to 30: those need the
    // multi-octet identifier form, which is not written.
    std::size_t Encode(std::span<std::uint8_t> out) const override;
    void Dump(std::string& out, int indent) const override;

    bool constructed;
    int tagNumber;  // 0 to 30

protected:
    std::uint8_t Identifier() const override;
};

// The context-specific tags of the SNMP version 1 PDUs the monitor sends
// and takes: [0] GetRequest, [1] GetNextRequest, [2] GetResponse.
inline constexpr int kGetRequestTag = 0;
inline constexpr int kGetNextRequestTag = 1;
inline constexpr int kGetResponseTag = 2;

// A whole SNMP version 1 GetRequest (or GetNextRequest) for one OID:
//   SEQUENCE { version 0, community, [0] { request-id, 0, 0, { { oid, NULL } } } }
// The request can be re-aimed in place, so that a connection sends every
// request from one tree without allocating.
class TAsn1SnmpGet : public TAsn1Sequence {
public:
    TAsn1SnmpGet(std::string_view community, std::int32_t requestId, std::string_view oid,
                 int pduTag = kGetRequestTag);

    void SetCommunity(std::string_view text);
    void SetRequest(std::int32_t requestId, std::string_view oid, int pduTag = kGetRequestTag);

    const std::string& community() const { return communityNode_->data; }
    std::int32_t requestId() const { return requestIdNode_->value; }
    const std::string& oid() const { return objectNode_->oid; }
    int pduTag() const { return pduNode_->tagNumber; }

private:
    TAsn1OctetString* communityNode_;
    TAsn1Implicit* pduNode_;
    TAsn1Integer* requestIdNode_;
    TAsn1Object* objectNode_;
};

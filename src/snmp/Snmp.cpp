// TSnmpValue: the last value of one OID, its sample history and its rate.
#include "snmp/Snmp.h"

#include <algorithm>
#include <optional>

#include "snmp/Strutil.h"

TSnmpValue::TSnmpValue(std::string_view oidText, bool isOnce, bool isActive)
    : oid(CutText(oidText, kMaxText)), once(isOnce), active(isActive) {}

namespace {

// A counter read lower than before has either wrapped past 2^32 or started
// again from 0 because the router restarted; the two read the same. Taken
// as a wrap, a restart from above 2^31 would show a spike of hundreds of
// millions of packets a second and raise the gauge's maximum for good. So
// the pace before decides: a wrap counts about what the counter was counting
// anyway, a restart implies far more.
constexpr double kWrapPaceFactor = 10;

// The counter's 32-bit pattern.
std::uint32_t Pattern(const TSnmpSample& sample) {
    return static_cast<std::uint32_t>(sample.value);
}

// The counter's pace before the newest sample, per second: from the newest
// pair of the older samples (since the last restart) whose times differ.
// None when there is no such pair.
std::optional<double> PaceBefore(const TSnmpValue& v) {
    const int older =
        v.sinceRestart > 0 ? std::min(v.sinceRestart, v.sampleCount - 1) : v.sampleCount - 1;
    const TSnmpSample& before = v.samples[1];
    for (int i = 2; i <= older; ++i) {
        const TSnmpSample& earlier = v.samples[static_cast<std::size_t>(i)];
        const std::int64_t seconds = before.time - earlier.time;
        if (seconds > 0)
            return static_cast<double>(Pattern(before) - Pattern(earlier)) /
                   static_cast<double>(seconds);
    }
    return std::nullopt;
}

// True when the newest sample lies across a restart of the counter from
// the one before. A drop with no pace to judge it by is taken as a restart:
// read as a wrap, it could raise a gauge's maximum for good, while as a
// restart it costs one tick without a rate.
bool NewestAfterRestart(const TSnmpValue& v) {
    if (!v.counter || v.sampleCount < 2) return false;
    const TSnmpSample& now = v.samples[0];
    const TSnmpSample& before = v.samples[1];
    if (Pattern(now) >= Pattern(before)) return false;
    const std::optional<double> pace = PaceBefore(v);
    if (!pace) return true;
    // Replies that shared a tick still count as a second apart.
    const std::int64_t seconds = std::max<std::int64_t>(now.time - before.time, 1);
    const double wrapped = static_cast<double>(Pattern(now) - Pattern(before));
    return wrapped > kWrapPaceFactor * (*pace + 1) * static_cast<double>(seconds);
}

}  // namespace

void TSnmpValue::AddSample(std::int64_t time, std::int32_t sampleValue) {
    std::copy_backward(samples.begin(), samples.end() - 1, samples.end());
    samples[0] = {time, sampleValue};
    if (sampleCount < kSampleCapacity) ++sampleCount;
    // Judged now, while the pace before the drop is at hand: once the
    // samples before it leave the history the drop could no longer be told
    // from a wrap, and a rate window across it would spike.
    if (NewestAfterRestart(*this)) {
        sinceRestart = 1;
    } else if (sinceRestart > 0) {
        ++sinceRestart;
        if (sinceRestart >= kSampleCapacity) sinceRestart = 0;  // the restart left the history
    }
}

bool TSnmpValue::DueAt(std::int64_t now) const {
    // A clock set back counts as time gone by.
    return !absent || now - lastAsked >= kAbsentRetry || now < lastAsked;
}

void TSnmpValue::MarkAbsent() {
    absent = true;
    fresh = true;
}

double TSnmpValue::Rate(int window) const {
    // Samples from before a restart say nothing about the pace now.
    const int usable = sinceRestart > 0 ? std::min(sinceRestart, sampleCount) : sampleCount;
    int chosen = 0;
    for (int i = 1; i < usable; ++i) {
        if (samples[0].time - samples[static_cast<std::size_t>(i)].time <= window) chosen = i;
    }
    if (chosen == 0) return 0.0;
    const TSnmpSample& older = samples[static_cast<std::size_t>(chosen)];
    auto difference = static_cast<std::int32_t>(static_cast<std::uint32_t>(samples[0].value) -
                                                static_cast<std::uint32_t>(older.value));
    std::int64_t seconds = samples[0].time - older.time;
    if (seconds <= 0) return 0.0;
    return static_cast<double>(difference) / static_cast<double>(seconds);
}

namespace {

// Nodes tell their class by their kind name, which only their constructors
// set, from asn1kind; so a node of kind asn1kind::kObject is a TAsn1Object,
// and the casts below are safe.
bool IsKind(const TAsn1Base* node, const char* kind) {
    return node != nullptr && node->kindName == kind;
}

// The node as a list of elements with exactly `count` of them, or none. Lists
// are the sequences and the context-specific nodes (TAsn1Implicit derives from
// TAsn1Sequence).
const TAsn1Sequence* ListOf(const TAsn1Base* node, int count) {
    if (!IsKind(node, asn1kind::kSequence) && !IsKind(node, asn1kind::kImplicit)) return nullptr;
    auto* list = static_cast<const TAsn1Sequence*>(node);
    return list->Count() == count ? list : nullptr;
}

// The parts of a one-binding SNMP message that a reply is read from:
//   SEQUENCE { version, community, PDU { id, status, index, { { name, value } } } }
// All of them, or none when the message has another shape.
struct TBindingParts {
    const TAsn1Integer* status = nullptr;
    const TAsn1Object* name = nullptr;
    const TAsn1Base* value = nullptr;
};

TBindingParts SingleBinding(const TAsn1Base* root) {
    if (!IsKind(root, asn1kind::kSequence)) return {};
    const TAsn1Sequence* message = ListOf(root, 3);
    const TAsn1Sequence* pdu = message ? ListOf(message->Child(2), 4) : nullptr;
    const TAsn1Sequence* bindings = pdu ? ListOf(pdu->Child(3), 1) : nullptr;
    const TAsn1Sequence* binding = bindings ? ListOf(bindings->Child(0), 2) : nullptr;
    if (binding == nullptr) return {};
    const TAsn1Base* status = pdu->Child(1);
    const TAsn1Base* name = binding->Child(0);
    // An error-status that is no INTEGER makes no message we can read.
    if (!IsKind(status, asn1kind::kInteger) || !IsKind(name, asn1kind::kObject)) return {};
    return {static_cast<const TAsn1Integer*>(status), static_cast<const TAsn1Object*>(name),
            binding->Child(1)};
}

}  // namespace

std::optional<std::int32_t> ResponseRequestId(const TAsn1Base* root) {
    // SEQUENCE { version, community, [2] { request-id, ... } }
    const TAsn1Sequence* message = ListOf(root, 3);
    if (message == nullptr || !IsKind(root, asn1kind::kSequence)) return std::nullopt;
    const TAsn1Base* pdu = message->Child(2);
    if (!IsKind(pdu, asn1kind::kImplicit)) return std::nullopt;
    const auto& response = static_cast<const TAsn1Implicit&>(*pdu);
    if (!response.constructed || response.tagNumber != kGetResponseTag || response.Count() < 1)
        return std::nullopt;
    const TAsn1Base* id = response.Child(0);
    if (!IsKind(id, asn1kind::kInteger)) return std::nullopt;
    return static_cast<const TAsn1Integer&>(*id).value;
}

void TSnmpValue::SetFromReply(std::unique_ptr<TAsn1Base> tree) {
    reply = std::move(tree);
    const TBindingParts parts = SingleBinding(reply.get());
    if (parts.status == nullptr || parts.name == nullptr) return;

    oid.assign(CutText(parts.name->oid, kMaxText));
    errorStatus = parts.status->value;
    if (errorStatus != kNoError) return;
    const TAsn1Base* node = parts.value;
    if (IsKind(node, asn1kind::kInteger)) {
        value = static_cast<const TAsn1Integer&>(*node).value;
        valueText = std::to_string(value);
    } else if (IsKind(node, asn1kind::kOctetString)) {
        // As text: up to the first zero octet.
        valueText.assign(
            CutText(static_cast<const TAsn1OctetString&>(*node).data.c_str(), kMaxText));
        value = ReadDecimal(valueText);
    } else {
        valueText.clear();
        value = 0;
    }
    answered = true;
    fresh = true;
}

#include "bench/CodecBench.h"

#include <memory>

#include "router/Oids.h"

namespace {

constexpr std::array<std::uint64_t, 15> kCpuOidArcs = {1,   3, 6, 1, 4, 1, 9, 9,
                                                       109, 1, 1, 1, 1, 6, 1};

constexpr std::array<std::uint8_t, 40> kRequest = {
    0x30, 0x26, 0x02, 0x01, 0x00, 0x04, 0x00, 0xA0, 0x1F, 0x02, 0x01, 0x00, 0x02, 0x01,
    0x00, 0x02, 0x01, 0x00, 0x30, 0x14, 0x30, 0x12, 0x06, 0x0E, 0x2B, 0x06, 0x01, 0x04,
    0x01, 0x09, 0x09, 0x6D, 0x01, 0x01, 0x01, 0x01, 0x06, 0x01, 0x05, 0x00};
constexpr std::array<std::uint8_t, 41> kResponse = {
    0x30, 0x27, 0x02, 0x01, 0x00, 0x04, 0x00, 0xA2, 0x20, 0x02, 0x01, 0x05, 0x02, 0x01,
    0x00, 0x02, 0x01, 0x00, 0x30, 0x15, 0x30, 0x13, 0x06, 0x0E, 0x2B, 0x06, 0x01, 0x04,
    0x01, 0x09, 0x09, 0x6D, 0x01, 0x01, 0x01, 0x01, 0x06, 0x01, 0x42, 0x01, 0x07};

bool Same(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}

}  // namespace

TCodecBench::TCodecBench()
    : response_(kResponse.begin(), kResponse.end()),
      request_("", 0, mib::kCpu),
      value_(std::make_unique<TSnmpValue>()),
      now_(TSnmpClock::now()),
      netSnmp_(""),
      netSnmpIn_(kResponse.begin(), kResponse.end()) {}

std::size_t TCodecBench::Nothing() { return out_[0]; }

std::size_t TCodecBench::EncodeNew() {
    TAsn1SnmpGet get("", 0, mib::kCpu);
    return get.Encode(out_);
}

std::size_t TCodecBench::EncodeReaimed() {
    request_.SetRequest(0, mib::kCpu);
    return request_.Encode(out_);
}

std::size_t TCodecBench::DecodeGulp() {
    TAsn1Decoded decoded = Gulp(response_);
    return decoded.consumed;
}

std::size_t TCodecBench::DecodeValue() {
    // SetFromReply frees the tree of the call before.
    value_->SetFromReply(Gulp(response_).node);
    return static_cast<std::size_t>(value_->value) + value_->oid.size();
}

// An answer uses its request up: the request is remembered again, as
// sending the next one would. Sending is not counted with receiving:
// bench/callgrind stops counting inside this function.
extern "C" [[gnu::noinline]] void ReopenRequest(TRecentRequests* sent, TSnmpClock::time_point now) {
    sent->Remember(5, now, mib::kCpu);
}

std::size_t TCodecBench::DecodeReceive() {
    // The connection makes one value per datagram; the poll cycle destroys it.
    ReopenRequest(&sent_, now_);
    std::unique_ptr<TSnmpValue> value = ReadReply(response_, sent_, now_);
    return static_cast<std::size_t>(value->value) + value->oid.size();
}

std::size_t TCodecBench::NetSnmpEncode() { return netSnmp_.EncodeGet(0, kCpuOidArcs).size(); }

std::size_t TCodecBench::NetSnmpDecode() {
    // snmp_parse leaves its input as it was; the copy is only for the type.
    long value = 0;
    bool ok = netSnmp_.DecodeInteger(netSnmpIn_, value);
    return ok ? static_cast<std::size_t>(value) : 0;
}

std::string TCodecBench::Check() {
    std::string wrong;
    if (EncodeNew() != kRequest.size() || !Same(std::span(out_).first(kRequest.size()), kRequest)) {
        wrong += "Ventrel's GetRequest differs; ";
    }
    out_.fill(0);
    if (EncodeReaimed() != kRequest.size() ||
        !Same(std::span(out_).first(kRequest.size()), kRequest)) {
        wrong += "Ventrel's re-aimed GetRequest differs; ";
    }
    if (!Same(netSnmp_.EncodeGet(0, kCpuOidArcs), kRequest))
        wrong += "net-snmp's GetRequest differs; ";
    if (DecodeGulp() != kResponse.size()) wrong += "Gulp does not take the whole GetResponse; ";

    TSnmpValue value;
    value.SetFromReply(Gulp(response_).node);
    if (!value.answered || value.value != 7 || value.oid != mib::kCpu)
        wrong += "SetFromReply misses Gauge 7; ";
    if (DecodeReceive() != 7 + std::string_view(mib::kCpu).size())
        wrong += "ReadReply does not take the answer to request 5; ";
    if (NetSnmpDecode() != 7) wrong += "net-snmp does not find Gauge 7; ";
    if (!Same(netSnmpIn_, kResponse)) wrong += "snmp_parse changed its input; ";
    return wrong;
}

#include "tools/simrouter/SimAgent.h"

#include <cstring>
#include <memory>
#include <optional>

namespace {

// The largest response we build: the contents limit of one constructed node.
constexpr std::size_t kMaxResponse = kMaxContents + 8;

const TAsn1Sequence* ListOf(const TAsn1Base* node, int count) {
    auto* list = dynamic_cast<const TAsn1Sequence*>(node);
    return list != nullptr && (count < 0 || list->Count() == count) ? list : nullptr;
}

// Printable for a log line.
std::string Printable(const std::string& text) {
    std::string out;
    for (char c : text) out.push_back(c >= 0x20 && c < 0x7F ? c : '?');
    return out;
}

std::string Describe(const TAsn1Base& value) {
    if (auto* number = dynamic_cast<const TAsn1Integer*>(&value)) {
        const char* type = number->identifier == kTagCounter     ? "counter"
                           : number->identifier == kTagGauge     ? "gauge"
                           : number->identifier == kTagTimeTicks ? "timeticks"
                                                                 : "integer";
        return std::string(type) + ":" + std::to_string(static_cast<std::uint32_t>(number->value));
    }
    if (auto* text = dynamic_cast<const TAsn1OctetString*>(&value)) {
        return "string:\"" + Printable(text->data) + "\"";
    }
    if (auto* object = dynamic_cast<const TAsn1Object*>(&value)) return "oid:" + object->oid;
    return value.kindName;
}

}  // namespace

bool ReadSimRequest(const TAsn1Base* root, TSimRequest& request) {
    const TAsn1Sequence* message =
        root != nullptr && root->kindName == asn1kind::kSequence ? ListOf(root, 3) : nullptr;
    if (message == nullptr) return false;
    auto* version = dynamic_cast<const TAsn1Integer*>(message->Child(0));
    auto* community = dynamic_cast<const TAsn1OctetString*>(message->Child(1));
    auto* pdu = dynamic_cast<const TAsn1Implicit*>(message->Child(2));
    if (version == nullptr || community == nullptr || pdu == nullptr || !pdu->constructed ||
        pdu->Count() != 4) {
        return false;
    }
    auto* id = dynamic_cast<const TAsn1Integer*>(pdu->Child(0));
    const TAsn1Sequence* bindings = ListOf(pdu->Child(3), -1);
    if (id == nullptr || bindings == nullptr) return false;
    request.version = version->value;
    request.community = community->data;
    request.pduTag = pdu->tagNumber;
    request.requestId = id->value;
    for (int i = 0; i < bindings->Count(); ++i) {
        const TAsn1Sequence* binding = ListOf(bindings->Child(i), 2);
        auto* name = binding ? dynamic_cast<const TAsn1Object*>(binding->Child(0)) : nullptr;
        if (name == nullptr) return false;
        request.oids.push_back(name->oid);
    }
    return true;
}

std::vector<std::uint8_t> EncodeSimResponse(const TSimRequest& request, int errorStatus,
                                            int errorIndex,
                                            std::vector<std::unique_ptr<TAsn1Base>> values) {
    auto bindings = std::make_unique<TAsn1Sequence>();
    for (std::size_t i = 0; i < request.oids.size(); ++i) {
        auto binding = std::make_unique<TAsn1Sequence>();
        binding->Append(std::make_unique<TAsn1Object>(request.oids[i]));
        // On an error the bindings go back as they came: with their NULL.
        bool echo = errorStatus != 0 || i >= values.size() || !values[i];
        binding->Append(echo ? std::make_unique<TAsn1Null>() : std::move(values[i]));
        bindings->Append(std::move(binding));
    }
    auto pdu = std::make_unique<TAsn1Implicit>(true, 2);  // GetResponse
    pdu->Append(std::make_unique<TAsn1Integer>(request.requestId));
    pdu->Append(std::make_unique<TAsn1Integer>(errorStatus));
    pdu->Append(std::make_unique<TAsn1Integer>(errorIndex));
    pdu->Append(std::move(bindings));
    TAsn1Sequence message;
    message.Append(std::make_unique<TAsn1Integer>(0));
    message.Append(std::make_unique<TAsn1OctetString>(request.community));
    message.Append(std::move(pdu));

    std::vector<std::uint8_t> out(kMaxResponse);
    out.resize(message.Encode(out));
    return out;
}

TSimAgent::TSimAgent(TSimRouter& router, std::string community)
    : router_(router), community_(std::move(community)) {}

TSimReply TSimAgent::Handle(std::span<const std::uint8_t> datagram) const {
    TSimReply reply;
    TAsn1Decoded decoded = Gulp(datagram);
    TSimRequest request;
    if (!ReadSimRequest(decoded.node.get(), request)) {
        reply.summary = "not an SNMP message (" + std::to_string(datagram.size()) + " octets)";
        if (!decoded.fault.ok())
            reply.summary += ": " + std::string(Asn1ErrorText(decoded.fault.error));
        return reply;
    }

    std::string oids;
    for (const std::string& oid : request.oids) {
        if (!oids.empty()) oids += ',';
        oids += oid;
    }
    reply.summary = "community=\"" + Printable(request.community) +
                    "\" id=" + std::to_string(request.requestId) + " oid=" + oids;
    if (request.version != 0) {
        reply.summary += " ignored=version-" + std::to_string(request.version);
        return reply;
    }
    if (request.community != community_) {
        reply.summary += " ignored=wrong-community";
        return reply;
    }
    const bool next = request.pduTag == kGetNextRequestTag;
    if (request.pduTag != kGetRequestTag && !next) {
        reply.summary += " ignored=pdu-" + std::to_string(request.pduTag);
        return reply;
    }
    if (next) reply.summary += " getnext";

    // A GetNextRequest is answered with the objects that follow the ones
    // asked for, bound to their own names (RFC 1157); past the last one,
    // with noSuchName.
    TSimRequest answered = request;
    std::vector<std::unique_ptr<TAsn1Base>> values;
    int errorIndex = 0;
    std::string answers;
    for (std::size_t i = 0; i < request.oids.size(); ++i) {
        if (next) {
            std::optional<std::string> following = router_.Next(request.oids[i]);
            if (following) answered.oids[i] = *following;
            if (!following) {
                values.push_back(nullptr);
                if (errorIndex == 0) errorIndex = static_cast<int>(i) + 1;
                if (!answers.empty()) answers += ',';
                answers += "-";
                continue;
            }
        }
        values.push_back(router_.Get(answered.oids[i]));
        if (!values.back() && errorIndex == 0) errorIndex = static_cast<int>(i) + 1;
        if (!answers.empty()) answers += ',';
        answers += values.back() ? Describe(*values.back()) : std::string("-");
    }
    int errorStatus = errorIndex != 0 ? kNoSuchName : 0;
    reply.summary += errorStatus != 0 ? " error=noSuchName index=" + std::to_string(errorIndex)
                                      : " value=" + answers;
    if (next && errorStatus == 0) {
        std::string names;
        for (const std::string& oid : answered.oids) names += (names.empty() ? "" : ",") + oid;
        reply.summary += " next=" + names;
    }
    // On an error every binding goes back as it came.
    reply.octets = EncodeSimResponse(errorStatus != 0 ? request : answered, errorStatus, errorIndex,
                                     std::move(values));
    if (reply.octets.empty()) {
        // The answer does not fit: say so, with the request's bindings.
        reply.octets = EncodeSimResponse(request, kTooBig, 0, {});
        reply.summary += " error=tooBig";
    }
    reply.answer = !reply.octets.empty();
    return reply;
}

#include "bench/NetSnmpCodec.h"

#include <cstdlib>
#include <cstring>

// clang-format off
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>
// clang-format on

struct TNetSnmpCodec::Session {
    netsnmp_session session{};
    std::string community;
};

TNetSnmpCodec::TNetSnmpCodec(const std::string& community) : session_(std::make_unique<Session>()) {
    // Minimal library set-up (no configuration files, no MIBs); it also
    // turns on the library's default reverse encoding.
    snmp_sess_init(&session_->session);
    session_->community = community;
    session_->session.version = SNMP_VERSION_1;
    session_->session.community = reinterpret_cast<u_char*>(session_->community.data());
    session_->session.community_len = session_->community.size();
    buffer_ = static_cast<std::uint8_t*>(std::malloc(bufferSize_));
}

TNetSnmpCodec::~TNetSnmpCodec() { std::free(buffer_); }

std::span<const std::uint8_t> TNetSnmpCodec::EncodeGet(std::int32_t requestId,
                                                       std::span<const std::uint64_t> arcs) {
    netsnmp_pdu* pdu = snmp_pdu_create(SNMP_MSG_GET);
    if (pdu == nullptr) return {};
    pdu->version = SNMP_VERSION_1;
    pdu->reqid = requestId;
    static_assert(sizeof(oid) == sizeof(std::uint64_t));
    snmp_add_null_var(pdu, reinterpret_cast<const oid*>(arcs.data()), arcs.size());
    std::size_t offset = 0;
    int rc = snmp_build(&buffer_, &bufferSize_, &offset, &session_->session, pdu);
    snmp_free_pdu(pdu);
    if (rc != 0) return {};
    // Reverse encoding fills the buffer from its end.
    return {buffer_ + bufferSize_ - offset, offset};
}

bool TNetSnmpCodec::DecodeInteger(std::span<std::uint8_t> message, long& value) {
    // What the library's receive path does: a zeroed PDU, then snmp_parse.
    auto* pdu = static_cast<netsnmp_pdu*>(std::calloc(1, sizeof(netsnmp_pdu)));
    if (pdu == nullptr) return false;
    int rc = snmp_parse(nullptr, &session_->session, pdu, message.data(), message.size());
    bool ok = rc == 0 && pdu->variables != nullptr && pdu->variables->val.integer != nullptr &&
              pdu->variables->val_len == sizeof(long);
    if (ok) value = *pdu->variables->val.integer;
    snmp_free_pdu(pdu);
    return ok;
}

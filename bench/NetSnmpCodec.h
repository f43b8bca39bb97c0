// net-snmp's own library doing what the monitor's codec does per request and
// per reply, for comparison. Its headers stay in the .cpp: they define a great
// many macros.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

class TNetSnmpCodec {
public:
    // `community` is used for every request.
    explicit TNetSnmpCodec(const std::string& community);
    ~TNetSnmpCodec();
    TNetSnmpCodec(const TNetSnmpCodec&) = delete;
    TNetSnmpCodec& operator=(const TNetSnmpCodec&) = delete;

    // An SNMPv1 GetRequest for the OID `arcs` with one NULL binding, as a manager
    // sends it: snmp_pdu_create, snmp_add_null_var, snmp_build, snmp_free_pdu.
    // The octets are valid until the next call; empty on failure.
    std::span<const std::uint8_t> EncodeGet(std::int32_t requestId,
                                            std::span<const std::uint64_t> arcs);

    // A reply as a manager's receive path takes it: a zeroed PDU, snmp_parse,
    // the first binding's integer value, snmp_free_pdu. Returns false when it
    // does not parse or the first binding holds no integer.
    bool DecodeInteger(std::span<std::uint8_t> message, long& value);

private:
    struct Session;
    std::unique_ptr<Session> session_;
    std::uint8_t* buffer_ = nullptr;  // malloc'ed: snmp_build may realloc it
    std::size_t bufferSize_ = 2048;
};

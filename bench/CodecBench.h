// The codec operations that are measured, one operation per call, for the
// monitor's codec and for net-snmp's library, on the same two messages: the
// GetRequest for the CPU load OID (empty community, request-id 0) and its
// GetResponse (request-id 5, Gauge 7).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "asn1/Asn1.h"
#include "bench/NetSnmpCodec.h"
#include "snmp/Snmp.h"

class TCodecBench {
public:
    TCodecBench();

    // Each returns a number that depends on the work done, so that none of it
    // can be left out by the optimizer.
    std::size_t Nothing();        // the baseline: a call and a return
    std::size_t EncodeNew();      // make a TAsn1SnmpGet, encode it, destroy it
    std::size_t EncodeReaimed();  // re-aim one kept TAsn1SnmpGet and encode it
    std::size_t DecodeGulp();     // Gulp the reply, destroy the tree
    std::size_t DecodeValue();    // Gulp + SetFromReply (into one kept TSnmpValue)
    std::size_t DecodeReceive();  // as the connection: ReadReply (Gulp, the id, SetFromReply)
    std::size_t NetSnmpEncode();  // snmp_pdu_create + snmp_add_null_var + snmp_build
    std::size_t NetSnmpDecode();  // snmp_parse into a new PDU, read the value

    // Runs every operation once and checks its result against the messages.
    // Returns what is wrong, or an empty text.
    std::string Check();

private:
    std::vector<std::uint8_t> response_;
    std::array<std::uint8_t, 4096> out_{};
    TAsn1SnmpGet request_;
    std::unique_ptr<TSnmpValue> value_;
    TRecentRequests sent_;  // holds the GetResponse's request-id
    TSnmpClock::time_point now_;
    TNetSnmpCodec netSnmp_;
    std::vector<std::uint8_t> netSnmpIn_;  // snmp_parse takes non-const octets
};

// The cases by name, for the benchmark and the instruction counter.
struct TCodecCase {
    const char* name;
    std::size_t (TCodecBench::*run)();
};

inline constexpr std::array<TCodecCase, 8> kCodecCases = {{
    {"empty", &TCodecBench::Nothing},
    {"encode-ventrel", &TCodecBench::EncodeNew},
    {"encode-ventrel-reaimed", &TCodecBench::EncodeReaimed},
    {"decode-ventrel-gulp", &TCodecBench::DecodeGulp},
    {"decode-ventrel-value", &TCodecBench::DecodeValue},
    {"decode-ventrel-receive", &TCodecBench::DecodeReceive},
    {"encode-netsnmp", &TCodecBench::NetSnmpEncode},
    {"decode-netsnmp", &TCodecBench::NetSnmpDecode},
}};

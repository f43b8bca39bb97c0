// The SNMP version 1 agent of simrouter: reads a GetRequest, answers it from
// the simulated router with a GetResponse, or decides not to answer.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "tools/simrouter/SimRouter.h"

// A message of the GetRequest's shape, as read off the wire.
struct TSimRequest {
    std::int32_t version = 0;
    std::string community;
    int pduTag = 0;  // 0: GetRequest
    std::int32_t requestId = 0;
    std::vector<std::string> oids;  // one per variable binding
};

// SEQUENCE { version, community, [tag] { id, status, index, { { oid, value } ... } } }:
// false when `root` (a decoded datagram, perhaps none) is not of that shape.
bool ReadSimRequest(const TAsn1Base* root, TSimRequest& request);

// The GetResponse to `request`, its bindings in the request's order with
// `values`; on an error, or where a value is missing, a binding goes back as
// it came, with its NULL. Empty when it does not fit into one message.
std::vector<std::uint8_t> EncodeSimResponse(const TSimRequest& request, int errorStatus,
                                            int errorIndex,
                                            std::vector<std::unique_ptr<TAsn1Base>> values);

// What the agent made of one datagram.
struct TSimReply {
    bool answer = false;               // send `octets` back
    std::vector<std::uint8_t> octets;  // the GetResponse
    std::string summary;               // the request and the outcome, for the log
};

class TSimAgent {
public:
    static constexpr int kNoSuchName = 2;  // error-status values of RFC 1157
    static constexpr int kTooBig = 1;

    TSimAgent(TSimRouter& router, std::string community);

    // Answers a GetRequest or GetNextRequest of version 1 with the right
    // community; anything else gets no answer.
    TSimReply Handle(std::span<const std::uint8_t> datagram) const;

private:
    TSimRouter& router_;
    std::string community_;
};

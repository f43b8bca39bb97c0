// The SNMP version 1 agent of simrouter: reads a GetRequest, answers it from
// the simulated router with a GetResponse, or decides not to answer.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "tools/simrouter/SimRouter.h"

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

    // Answers a GetRequest of version 1 with the right community; anything
    // else gets no answer.
    TSimReply Handle(std::span<const std::uint8_t> datagram) const;

private:
    TSimRouter& router_;
    std::string community_;
};

// A scripted SNMP agent inside the test: it answers each GetRequest from a
// table of OIDs with exactly the value the test put there, a GetNextRequest
// with the next OID of the table, and records what it was asked. It reads and writes its messages
// with simrouter's agent code, so only the values differ from the simulated router's. Loopback
// only.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "asn1/Asn1.h"

struct TFakeRequest {
    std::string community;
    std::int32_t requestId = 0;
    std::string oid;
    std::uint32_t sourceAddress = 0;  // network byte order
    std::uint16_t sourcePort = 0;     // host byte order
    int pduTag = kGetRequestTag;
};

class TFakeRouter {
public:
    // Binds a UDP socket on `address` (a loopback or namespace address) and
    // `port` (0: any free port).
    explicit TFakeRouter(const char* address = "127.0.0.1", std::uint16_t port = 0);
    ~TFakeRouter();
    TFakeRouter(const TFakeRouter&) = delete;
    TFakeRouter& operator=(const TFakeRouter&) = delete;

    std::uint16_t port() const { return port_; }

    void SetInteger(const std::string& oid, std::uint32_t value, std::uint8_t type = kTagGauge);
    void SetText(const std::string& oid, const std::string& text);
    // Answers `oid` with this error-status (genErr, tooBig...) and the
    // request's NULL, as long as it is set; 0 takes it back.
    void SetError(const std::string& oid, int errorStatus);
    // Answers a request for `oid` with the binding of `other` and its
    // value, as an agent that mixed its replies up.
    void AnswerAs(const std::string& oid, const std::string& other);

    // Reads every request that arrives within `waitMs` of the last one and
    // answers those it has a value for (others get noSuchName). Returns the
    // count read.
    int Serve(int waitMs = 100);

    // Sends raw octets from this socket to 127.0.0.1:`toPort`.
    void SendRaw(const std::vector<std::uint8_t>& octets, std::uint16_t toPort);

    // The replies the last Serve sent, and the same sent once more: late
    // copies, as a router sends that received a request twice.
    using TReplies = std::vector<std::pair<TFakeRequest, std::vector<std::uint8_t>>>;
    const TReplies& LastReplies() const { return lastReplies_; }
    void Resend(const TReplies& replies);

    std::vector<TFakeRequest> requests;
    bool answer = true;      // false: read and record, never reply
    bool duplicate = false;  // every reply sent twice at once

private:
    void Reply(const TFakeRequest& request);
    void Send(const std::vector<std::uint8_t>& octets, std::uint32_t address, std::uint16_t port);

    int socket_ = -1;
    std::uint16_t port_ = 0;
    std::map<std::string, std::function<std::unique_ptr<TAsn1Base>()>> values_;
    std::map<std::string, int> errors_;
    std::map<std::string, std::string> answerAs_;
    TReplies lastReplies_;
};

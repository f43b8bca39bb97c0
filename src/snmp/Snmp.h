// One polled SNMP variable with its samples and rate (TSnmpValue), and the
// UDP link to the router that sends GetRequests and collects replies without
// blocking (TSnmpConnection).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "asn1/Asn1.h"
#include "snmp/Udpsocket.h"

// Every text a variable or the connection holds is cut to this many bytes.
inline constexpr std::size_t kMaxText = 1023;

struct TSnmpSample {
    std::int64_t time = 0;   // whole seconds since the epoch
    std::int32_t value = 0;  // the counter's or gauge's 32-bit pattern
};

class TSnmpValue {
public:
    static constexpr int kSampleCapacity = 10;

    explicit TSnmpValue(std::string_view oidText = {}, bool isOnce = false, bool isActive = true);

    // Records (time, value) as the newest sample; the oldest of ten is lost.
    // A drop far beyond the pace the counter kept before is a restart, not a
    // wrap; it is judged here, once, while the samples that give the pace
    // are still in the history.
    void AddSample(std::int64_t time, std::int32_t sampleValue);

    // Value per second between the newest sample and the oldest one at most
    // `window` seconds older; 0 when there is no such pair or no time passed.
    // The value difference wraps at 32 bits, so a counter that passed its
    // maximum still gives its true increase. No pair spans a restart: the
    // rate counts only from the first sample after it.
    double Rate(int window) const;

    // Takes the decoded reply (or none) and, when it is a response with one
    // variable binding, fills oid, value, valueText, answered and fresh.
    void SetFromReply(std::unique_ptr<TAsn1Base> tree);

    std::unique_ptr<TAsn1Base> reply;
    std::array<TSnmpSample, kSampleCapacity> samples{};  // index 0 is the newest
    int sampleCount = 0;
    // Samples stored since the last restart, the first one after it
    // included; 0 while the history holds no restart.
    int sinceRestart = 0;
    std::string oid;
    std::string valueText;
    std::int32_t value = 0;
    bool once = false;      // ask only until answered
    bool answered = false;  // a value has been stored at least once
    bool fresh = false;     // a value was stored during the current poll tick
    bool active = true;     // the general request loop asks for this variable
};

// Copies `text` into `out`, cut at kMaxText bytes.
void CopyText(std::string& out, std::string_view text);

// The one UDP link to the router: sends GetRequests and collects whatever
// datagrams come back, without ever waiting for them.
class TSnmpConnection {
public:
    static constexpr int kDefaultPort = 161;
    static constexpr std::uint16_t kLocalPort = 65535;
    static constexpr std::size_t kBufferSize = 4096;
    static constexpr int kResolveEmpty = -18;    // the address text is empty
    static constexpr int kResolveNotFound = -3;  // the host name does not resolve

    TSnmpConnection(std::string_view hostText, std::string_view communityText);
    ~TSnmpConnection();
    TSnmpConnection(const TSnmpConnection&) = delete;
    TSnmpConnection& operator=(const TSnmpConnection&) = delete;

    // Makes the socket and resolves `host`. Returns what Resolve returned.
    int Open();
    // Closes the old socket and binds a new one to the local port 65535. When
    // the port is taken the socket stays unbound and the system gives it a
    // port at the first send.
    void MakeSocket();

    // Parses "address-or-name[:port-or-service]" into `address` and `port`.
    // Returns 0, kResolveEmpty or kResolveNotFound; on failure the address
    // and the port stay as they were, so requests go on to the last router
    // that resolved.
    int Resolve(std::string_view text, int defaultPort);

    void SetHost(std::string_view text);       // reopens only when the text changed
    void SetCommunity(std::string_view text);  // takes effect with the next request

    // Sends one GetRequest for `oidText`; nothing is sent (and no request-id
    // used) before an address was resolved. Never waits, never allocates.
    void SendGet(std::string_view oidText);

    // Returns 1 and a new value when a datagram was waiting, else 0. Never
    // blocks. Datagrams too large for the buffer, and empty ones, are
    // dropped on the way.
    int Poll(std::unique_ptr<TSnmpValue>& value);
    // Reads one datagram: 1 and a new value, or 0 when none could be read or
    // it was dropped.
    int Receive(std::unique_ptr<TSnmpValue>& value);

    std::uint32_t address = 0;  // network byte order; valid when hasAddress
    bool hasAddress = false;
    int port = kDefaultPort;
    TSocketHandle socket = kNoSocket;
    std::string host;
    std::string community;
    std::int32_t nextRequestId = 0;

private:
    enum class ReadResult { Value, Dropped, Nothing };
    ReadResult ReadDatagram(std::unique_ptr<TSnmpValue>& value);

    TAsn1SnmpGet request_;  // re-aimed for every request, so sending never allocates
    std::array<std::uint8_t, kBufferSize> buffer_{};
};

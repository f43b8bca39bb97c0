// One polled SNMP variable with its samples and rate (TSnmpValue), and the
// UDP link to the router that sends GetRequests and collects replies without
// blocking (TSnmpConnection).
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "asn1/Asn1.h"
#include "snmp/Hostlookup.h"
#include "snmp/Limits.h"
#include "snmp/Udpsocket.h"

struct TSnmpSample {
    std::int64_t time = 0;   // whole seconds since the epoch
    std::int32_t value = 0;  // the counter's or gauge's 32-bit pattern
};

class TSnmpValue {
public:
    static constexpr int kSampleCapacity = 10;

    explicit TSnmpValue(std::string_view oidText = {}, bool isOnce = false, bool isActive = true);

    // Records (time, value) as the newest sample; the oldest of ten is lost.
    // For a counter, a drop is judged here, once, while the samples that
    // give its pace are still in the history: a wrap at about that pace, or
    // a restart; a drop with no pace to judge it by is a restart.
    void AddSample(std::int64_t time, std::int32_t sampleValue);

    // Value per second between the newest sample and the oldest one at most
    // `window` seconds older; 0 when there is no such pair or no time passed.
    // The value difference wraps at 32 bits, so a counter that passed its
    // maximum still gives its true increase. No pair spans a restart: the
    // rate counts only from the first sample after it.
    double Rate(int window) const;

    // Takes the decoded reply (or none) and, when it is a response with one
    // variable binding, fills oid and errorStatus; when the agent reported
    // no error, value, valueText, answered and fresh as well. An error
    // reply answers nothing: it carries the request's NULL, not a value.
    void SetFromReply(std::unique_ptr<TAsn1Base> tree);

    // Whether the request loop asks for this variable at `now` (seconds): an
    // object the router lacks only once a kAbsentRetry.
    bool DueAt(std::int64_t now) const;
    // The router answered that it has no such object.
    void MarkAbsent();

    // How often an object the router does not have is asked for again: a
    // module may be added later, and absent objects must not cost a
    // request every second.
    static constexpr std::int64_t kAbsentRetry = 60;

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
    // A counter that only rises, and wraps at 2^32: a drop is a wrap or a
    // restart (AddSample). Gauges go down as they please.
    bool counter = false;
    // The router answered noSuchName and has not answered a value since.
    bool absent = false;
    std::int64_t lastAsked = 0;  // when the request loop last asked, in seconds
    // Of a reply: the agent's error-status, 0 when it sent a value.
    int errorStatus = 0;
    // Of a reply: it answers a GetNextRequest, so `oid` names the object
    // that follows the one asked for.
    bool next = false;
};

// Error-status values of RFC 1157.
inline constexpr int kNoError = 0;
inline constexpr int kTooBig = 1;
inline constexpr int kNoSuchName = 2;
inline constexpr int kGenErr = 5;

// The request-id of a decoded GetResponse message, or none when the tree is
// no such message (a GetRequest, a trap, anything else).
std::optional<std::int32_t> ResponseRequestId(const TAsn1Base* root);

using TSnmpClock = std::chrono::steady_clock;

// The requests a connection sent in the last kReplyWindow and that were not
// answered yet, each with the OID it asked for. Ids run on one by one, so
// the ring is indexed by the id itself; it has room for the ids of that
// window at up to 100 requests a second. An id that fell out early only
// loses its late reply.
class TRecentRequests {
public:
    static constexpr std::chrono::seconds kReplyWindow{10};

    struct TAsked {
        std::string_view oid;
        bool next = false;  // a GetNextRequest
    };

    void Remember(std::int32_t id, TSnmpClock::time_point sent, std::string_view oid,
                  bool next = false);
    // What request `id` asked for, when it was sent at most kReplyWindow
    // before `now` and is still unanswered; else none.
    std::optional<TAsked> Asked(std::int32_t id, TSnmpClock::time_point now) const;
    // Request `id` has had its answer: a second one is not taken.
    void UseUp(std::int32_t id);

private:
    struct TSent {
        TSnmpClock::time_point time;
        std::int32_t id = 0;
        bool open = false;
        bool next = false;
        std::string oid;
    };
    static constexpr std::size_t kSize = 1024;
    TSent& Slot(std::int32_t id) { return sent_[static_cast<std::uint32_t>(id) % kSize]; }
    const TSent& Slot(std::int32_t id) const {
        return sent_[static_cast<std::uint32_t>(id) % kSize];
    }
    std::array<TSent, kSize> sent_{};
};

// What the connection makes of one received datagram: a value filled from it
// when it is a GetResponse to an open request in `sent` that binds the OID
// that request asked for (for a GetNextRequest, one after it; an error
// binds the OID asked), and that request is then used up; otherwise an
// empty value (no OID, matching no variable) and the datagram is forgotten.
std::unique_ptr<TSnmpValue> ReadReply(std::span<const std::uint8_t> datagram, TRecentRequests& sent,
                                      TSnmpClock::time_point now);

// An address text taken apart, with all that can be known without asking a
// name server: a literal address, or a host name still to be looked up.
struct TRouterTarget {
    int result = 0;       // 0, or why there is no target (see TSnmpConnection)
    std::string name;     // the host name to look up; empty for a literal address
    TUdpAddress address;  // the literal address, when there is no name
    int port = 0;
};

// Reads "address-or-name[:port-or-service]", "[IPv6-address][:port]" or a
// bare IPv6 address. Looks service names up, never host names.
TRouterTarget ReadRouterTarget(std::string_view text, int defaultPort);

// The one UDP link to the router: sends GetRequests and collects whatever
// datagrams come back, without ever waiting for them.
class TSnmpConnection {
public:
    static constexpr int kDefaultPort = 161;
    static constexpr std::uint16_t kLocalPort = 65535;
    static constexpr std::size_t kBufferSize = 4096;
    static constexpr int kResolveEmpty = -18;    // the address text is empty
    static constexpr int kResolveNotFound = -3;  // the host name does not resolve
    static constexpr int kResolvePending = 1;    // the name is being looked up
    // A name that did not resolve is looked up again this often while no
    // address is held: a monitor started before the network recovers.
    static constexpr std::chrono::seconds kLookupRetry{30};

    TSnmpConnection(std::string_view hostText, std::string_view communityText);
    ~TSnmpConnection();
    TSnmpConnection(const TSnmpConnection&) = delete;
    TSnmpConnection& operator=(const TSnmpConnection&) = delete;

    // Makes the socket and resolves `host`: an address at once, a host name
    // on a worker thread whose answer a later SendGet or Poll takes up; until
    // then requests go to the address held before, or nowhere. Returns 0,
    // kResolveEmpty, kResolveNotFound, or kResolvePending for a name.
    int Open();
    // Closes the old socket and binds a new one to the local port 65535, for
    // IPv6 and IPv4 alike. When the port is taken the socket stays unbound
    // and the system gives it a port at the first send.
    void MakeSocket();

    // Resolves "address-or-name[:port-or-service]" into `address` and `port`
    // and waits for the name servers to do it. Returns 0, kResolveEmpty or
    // kResolveNotFound; on failure the address and the port stay as they
    // were, so requests go on to the last router that resolved.
    int Resolve(std::string_view text, int defaultPort);

    void SetHost(std::string_view text);       // reopens only when the text changed
    void SetCommunity(std::string_view text);  // takes effect with the next request
    // Looks `host` up again if it is a name, even when an address is held:
    // the user confirmed the settings, and the name may now mean another one.
    void LookUpAgain();
    // Takes up the answer of a name lookup that has come, and starts the next
    // lookup when one is due. SendGet and Poll call it.
    void TakeLookup();
    bool LookingUp() const { return lookup_.Busy(); }

    // Sends one GetRequest for `oidText`; nothing is sent (and no request-id
    // used) before an address was resolved. Never waits.
    void SendGet(std::string_view oidText);
    // The same with a GetNextRequest, which the agent answers with the
    // object that follows `oidText`.
    void SendGetNext(std::string_view oidText);

    // Returns 1 and a new value when a datagram was waiting, else 0. Never
    // blocks.
    int Poll(std::unique_ptr<TSnmpValue>& value);
    // Reads one datagram: 1 and a new value, or 0 when none could be read.
    // Only the first GetResponse to a request this connection sent within
    // the last ten seconds, binding the OID that request asked for, fills
    // the value; the value of anything else (another PDU, an unknown, old
    // or answered id, another OID, a datagram too large for the buffer, not
    // SNMP at all, Windows' report of an unreachable port in a datagram's
    // place) has no OID and matches no variable. The sender's address is
    // not looked at: routers may answer from another of their addresses.
    int Receive(std::unique_ptr<TSnmpValue>& value);

    // The time for the reply window and the lookup retries; tests set their own.
    std::function<TSnmpClock::time_point()> Clock = [] { return TSnmpClock::now(); };

    TUdpAddress address;  // valid when hasAddress
    bool hasAddress = false;
    int port = kDefaultPort;
    TSocketHandle socket = kNoSocket;
    std::string host;
    std::string community;
    // Starts at a number nobody can guess, so that a stranger who sees none
    // of the traffic cannot forge an answer; then runs on one by one.
    std::int32_t nextRequestId = 0;
    // What the last resolution of `host` came to: 0, kResolveEmpty,
    // kResolveNotFound, or kResolvePending while a lookup runs.
    int lastResolve = 0;

private:
    void Send(std::string_view oidText, int pduTag);
    void UseTarget(const TUdpAddress& to, int toPort);
    void StartLookup(const TRouterTarget& target);

    TAsn1SnmpGet request_;  // re-aimed for every request, so sending never allocates
    TUdpFamily socketFamily_ = TUdpFamily::V6;  // what `socket` was made as
    std::array<std::uint8_t, kBufferSize> buffer_{};
    TRecentRequests sent_;
    THostLookup lookup_;
    int lookupPort_ = kDefaultPort;          // the port that goes with the name looked up
    TSnmpClock::time_point lookupFailed_{};  // when the last lookup found nothing
    bool retryLookup_ = false;               // it found nothing; look again when due
};

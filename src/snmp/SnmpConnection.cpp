// TSnmpConnection: the UDP link to the router.
#include <algorithm>
#include <cctype>
#include <charconv>
#include <limits>
#include <random>
#include <string>

#include "snmp/Snmp.h"
#include "snmp/Strutil.h"

namespace {

constexpr int kMaxPort = 65535;

// Cuts a trimmed address text into its host part and its port text (empty
// when there is none): "host:port", "[IPv6-address]:port", or a bare IPv6
// address, whose colons are all its own. False for a "[" without its "]",
// or one followed by anything but a colon.
bool SplitHostAndPort(std::string_view work, std::string_view& hostPart, std::string_view& portText,
                      bool& bracketed) {
    TUdpAddress ignored;
    bracketed = work.front() == '[';
    hostPart = work;
    portText = {};
    if (bracketed) {
        std::size_t close = work.find(']');
        if (close == std::string_view::npos) return false;
        std::string_view after = TrimLeft(work.substr(close + 1));
        if (!after.empty() && after.front() != ':') return false;
        hostPart = Trim(work.substr(1, close - 1));
        if (!after.empty()) portText = TrimLeft(after.substr(1));
    } else if (std::size_t colon = work.find(':');
               colon != std::string_view::npos && !ParseIpv6(work, ignored)) {
        hostPart = Trim(work.substr(0, colon));
        portText = TrimLeft(work.substr(colon + 1));
    }
    return true;
}

// The port a port text names, or `defaultPort` for none, 0, a negative
// number, one past the last port, or a service the system does not list.
int ReadPort(std::string_view portText, int defaultPort) {
    int port = defaultPort;
    if (portText.empty()) return port;
    if (std::isdigit(static_cast<unsigned char>(portText.front()))) {
        // Digits up to the first non-digit; too many of them is no port.
        int number = 0;
        auto read = std::from_chars(portText.data(), portText.data() + portText.size(), number);
        port = read.ec == std::errc{} ? number : 0;
    } else {
        LookupService(std::string(portText), port);
    }
    return port <= 0 || port > kMaxPort ? defaultPort : port;
}

// A first request-id from the system's random source, below 2^31 (see
// SendGet for why ids stay positive).
std::int32_t UnguessableRequestId() {
    std::random_device source;
    return static_cast<std::int32_t>(source() & 0x7FFFFFFFu);
}

}  // namespace

TSnmpConnection::TSnmpConnection(std::string_view hostText, std::string_view communityText)
    // Made with texts of the full length, so that re-aiming the request for
    // shorter ones later never needs to grow them.
    : nextRequestId(UnguessableRequestId()),
      request_(std::string(kMaxText, ' '), 0, std::string(kMaxText, '1')) {
    host.reserve(kMaxText);
    community.reserve(kMaxText);
    host.assign(CutText(hostText, kMaxText));
    community.assign(CutText(communityText, kMaxText));
    request_.SetCommunity(community);
}

TSnmpConnection::~TSnmpConnection() { UdpClose(socket); }

int TSnmpConnection::Open() {
    MakeSocket();
    TRouterTarget target = ReadRouterTarget(host, kDefaultPort);
    retryLookup_ = false;
    if (!target.name.empty() && target.result == 0) {
        StartLookup(target);  // goes on with a lookup of the same name under way
        return lastResolve;
    }
    lookup_.Cancel();
    lastResolve = target.result;
    if (target.result == 0) UseTarget(target.address, target.port);
    return lastResolve;
}

void TSnmpConnection::MakeSocket() {
    UdpClose(socket);
    // One IPv6 socket that reaches IPv4 too; an IPv4 one where the system
    // has no IPv6.
    socketFamily_ = TUdpFamily::V6;
    socket = UdpOpen(socketFamily_);
    if (socket == kNoSocket) {
        socketFamily_ = TUdpFamily::V4;
        socket = UdpOpen(socketFamily_);
    }
    // A failed bind (a second copy of the monitor holds the port) is not an
    // error: the socket then gets a port of the system's choice.
    if (socket != kNoSocket) UdpBind(socket, TUdpAddress{}, kLocalPort);
}

TRouterTarget ReadRouterTarget(std::string_view text, int defaultPort) {
    TRouterTarget target;
    std::string_view work = Trim(CutText(text, kMaxText));
    std::string_view hostPart;
    std::string_view portText;
    bool bracketed = false;
    if (work.empty()) {
        target.result = TSnmpConnection::kResolveEmpty;
    } else if (!SplitHostAndPort(work, hostPart, portText, bracketed)) {
        target.result = TSnmpConnection::kResolveNotFound;
    } else if (!ParseIpv4(hostPart, target.address) && !ParseIpv6(hostPart, target.address)) {
        // Only an address goes between brackets.
        target.name = bracketed ? std::string_view{} : hostPart;
        if (target.name.empty()) target.result = TSnmpConnection::kResolveNotFound;
    }
    target.port = ReadPort(portText, defaultPort);
    return target;
}

int TSnmpConnection::Resolve(std::string_view text, int defaultPort) {
    TRouterTarget target = ReadRouterTarget(text, defaultPort);
    if (target.result != 0) return target.result;
    if (!target.name.empty() && !LookupHost(target.name, target.address)) return kResolveNotFound;
    UseTarget(target.address, target.port);
    return 0;
}

void TSnmpConnection::UseTarget(const TUdpAddress& to, int toPort) {
    address = to;
    port = toPort;
    hasAddress = true;
}

void TSnmpConnection::StartLookup(const TRouterTarget& target) {
    lookupPort_ = target.port;
    lookup_.Start(target.name);
    retryLookup_ = false;
    lastResolve = kResolvePending;
}

void TSnmpConnection::LookUpAgain() {
    TRouterTarget target = ReadRouterTarget(host, kDefaultPort);
    if (target.result == 0 && !target.name.empty()) StartLookup(target);
}

void TSnmpConnection::TakeLookup() {
    if (std::optional<TLookupAnswer> answer = lookup_.Take()) {
        if (answer->found) {
            UseTarget(answer->address, lookupPort_);
            lastResolve = 0;
        } else {
            // The address held before, if any, stays in use.
            lastResolve = kResolveNotFound;
            retryLookup_ = true;
            lookupFailed_ = Clock();
        }
    }
    if (retryLookup_ && !hasAddress && Clock() - lookupFailed_ >= kLookupRetry) {
        retryLookup_ = false;
        LookUpAgain();
    }
}

void TSnmpConnection::SetHost(std::string_view text) {
    const std::string_view cut = CutText(text, kMaxText);
    if (cut == host) return;
    host.assign(cut);
    Open();
}

void TSnmpConnection::SetCommunity(std::string_view text) {
    const std::string_view cut = CutText(text, kMaxText);
    if (cut == community) return;
    community.assign(cut);
    request_.SetCommunity(community);
}

void TSnmpConnection::SendGet(std::string_view oidText) { Send(oidText, kGetRequestTag); }

void TSnmpConnection::SendGetNext(std::string_view oidText) { Send(oidText, kGetNextRequestTag); }

void TSnmpConnection::Send(std::string_view oidText, int pduTag) {
    TakeLookup();
    if (!hasAddress) return;
    const std::int32_t id = nextRequestId;
    request_.SetRequest(id, CutText(oidText, kMaxText), pduTag);
    std::size_t size = request_.Encode(buffer_);
    // Ids run on for the life of the link. After the largest comes 0 again:
    // a negative id would come back in fewer octets than it went out with,
    // read without its sign, and no longer match.
    nextRequestId = id == std::numeric_limits<std::int32_t>::max() ? 0 : id + 1;
    if (size == 0) return;
    sent_.Remember(id, Clock(), request_.oid(), pduTag == kGetNextRequestTag);
    UdpSendTo(socket, socketFamily_, {address, static_cast<std::uint16_t>(port)},
              std::span(buffer_).first(size));
}

int TSnmpConnection::Poll(std::unique_ptr<TSnmpValue>& value) {
    TakeLookup();
    if (!UdpReadable(socket, 0)) return 0;
    return Receive(value);
}

int TSnmpConnection::Receive(std::unique_ptr<TSnmpValue>& value) {
    TUdpPeer from;
    std::ptrdiff_t size = UdpReceive(socket, buffer_, from);
    if (size == kUdpNothing) return 0;
    // An empty datagram, one cut short by the buffer, or an error report
    // that took a datagram's place gives an empty value, like any other that
    // is no answer of ours; the next one is read in turn, within the caller's
    // bound on datagrams per tick.
    const bool fits = size >= 0 && static_cast<std::size_t>(size) <= buffer_.size();
    auto datagram = std::span(buffer_).first(fits ? static_cast<std::size_t>(size) : 0);
    value = ReadReply(datagram, sent_, Clock());
    return 1;
}

void TRecentRequests::Remember(std::int32_t id, TSnmpClock::time_point sent, std::string_view oid,
                               bool next) {
    TSent& slot = Slot(id);
    slot.time = sent;
    slot.id = id;
    slot.open = true;
    slot.next = next;
    slot.oid.assign(oid);  // the slot's text keeps its room from one request to the next
}

std::optional<TRecentRequests::TAsked> TRecentRequests::Asked(std::int32_t id,
                                                              TSnmpClock::time_point now) const {
    const TSent& slot = Slot(id);
    if (!slot.open || slot.id != id || now - slot.time > kReplyWindow) return std::nullopt;
    return TAsked{slot.oid, slot.next};
}

void TRecentRequests::UseUp(std::int32_t id) {
    TSent& slot = Slot(id);
    if (slot.id == id) slot.open = false;
}

std::unique_ptr<TSnmpValue> ReadReply(std::span<const std::uint8_t> datagram, TRecentRequests& sent,
                                      TSnmpClock::time_point now) {
    auto reply = std::make_unique<TSnmpValue>(std::string_view{}, false, true);
    if (datagram.empty()) return reply;
    TAsn1Decoded decoded = Gulp(datagram);
    const std::optional<std::int32_t> id = ResponseRequestId(decoded.node.get());
    const std::optional<TRecentRequests::TAsked> asked = id ? sent.Asked(*id, now) : std::nullopt;
    if (!asked) return reply;
    reply->SetFromReply(std::move(decoded.node));
    reply->next = asked->next;
    // The right id with another OID is no answer to that request: an agent
    // that mixed its replies up, or a forger who guessed the id.
    const bool answers = asked->next && reply->errorStatus == kNoError
                             ? OidBefore(asked->oid, reply->oid)
                             : reply->oid == asked->oid;
    if (!answers) return std::make_unique<TSnmpValue>(std::string_view{}, false, true);
    sent.UseUp(*id);
    return reply;
}

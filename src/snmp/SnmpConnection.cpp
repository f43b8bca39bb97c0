// TSnmpConnection: the UDP link to the router.
#include <algorithm>
#include <cctype>
#include <charconv>
#include <limits>
#include <string>

#include "snmp/Snmp.h"
#include "snmp/Strutil.h"

namespace {

constexpr int kMaxPort = 65535;

std::string_view Cut(std::string_view text) {
    return text.substr(0, std::min(text.size(), kMaxText));
}

}  // namespace

TSnmpConnection::TSnmpConnection(std::string_view hostText, std::string_view communityText)
    // Made with texts of the full length, so that re-aiming the request for
    // shorter ones later never needs to grow them.
    : request_(std::string(kMaxText, ' '), 0, std::string(kMaxText, '1')) {
    host.reserve(kMaxText);
    community.reserve(kMaxText);
    CopyText(host, hostText);
    CopyText(community, communityText);
    request_.SetCommunity(community);
}

TSnmpConnection::~TSnmpConnection() { UdpClose(socket); }

int TSnmpConnection::Open() {
    MakeSocket();
    return Resolve(host, kDefaultPort);
}

void TSnmpConnection::MakeSocket() {
    UdpClose(socket);
    socket = UdpOpen();
    // A failed bind (a second copy of the monitor holds the port) is not an
    // error: the socket then gets a port of the system's choice.
    if (socket != kNoSocket) UdpBind(socket, 0, kLocalPort);
}

int TSnmpConnection::Resolve(std::string_view text, int defaultPort) {
    std::string_view work = Trim(Cut(text));
    if (work.empty()) return kResolveEmpty;

    std::string_view hostPart = work;
    std::string_view portText;
    if (std::size_t colon = work.find(':'); colon != std::string_view::npos) {
        hostPart = Trim(work.substr(0, colon));
        portText = TrimLeft(work.substr(colon + 1));
    }

    std::string name(hostPart);
    std::uint32_t resolved = 0;
    if (!ParseIpv4(name, resolved) && !LookupHost(name, resolved)) return kResolveNotFound;

    int newPort = defaultPort;
    if (!portText.empty()) {
        if (std::isdigit(static_cast<unsigned char>(portText.front()))) {
            // Digits up to the first non-digit; too many of them is no port.
            int number = 0;
            auto read = std::from_chars(portText.data(), portText.data() + portText.size(), number);
            newPort = read.ec == std::errc{} ? number : 0;
        } else {
            LookupService(std::string(portText), newPort);
        }
    }
    // 0, a negative number and one past the last port all mean "the usual".
    if (newPort <= 0 || newPort > kMaxPort) newPort = defaultPort;

    address = resolved;
    port = newPort;
    hasAddress = true;
    return 0;
}

void TSnmpConnection::SetHost(std::string_view text) {
    if (Cut(text) == host) return;
    CopyText(host, text);
    Open();
}

void TSnmpConnection::SetCommunity(std::string_view text) {
    if (Cut(text) == community) return;
    CopyText(community, text);
    request_.SetCommunity(community);
}

void TSnmpConnection::SendGet(std::string_view oidText) {
    if (!hasAddress) return;
    const std::int32_t id = nextRequestId;
    request_.SetRequest(id, Cut(oidText));
    std::size_t size = request_.Encode(buffer_);
    // Ids run on for the life of the link. After the largest comes 0 again:
    // a negative id would come back in fewer octets than it went out with,
    // read without its sign, and no longer match.
    nextRequestId = id == std::numeric_limits<std::int32_t>::max() ? 0 : id + 1;
    if (size == 0) return;
    sent_.Remember(id, Clock());
    UdpSendTo(socket, {address, static_cast<std::uint16_t>(port)}, std::span(buffer_).first(size));
}

int TSnmpConnection::Poll(std::unique_ptr<TSnmpValue>& value) {
    if (!UdpReadable(socket, 0)) return 0;
    return Receive(value);
}

int TSnmpConnection::Receive(std::unique_ptr<TSnmpValue>& value) {
    TUdpPeer from;
    std::ptrdiff_t size = UdpReceive(socket, buffer_, from);
    if (size < 0) return 0;
    // An empty datagram or one cut short by the buffer gives an empty value,
    // like any other that is no answer of ours; the next one is read in turn.
    auto datagram = std::span(buffer_).first(
        static_cast<std::size_t>(size) <= buffer_.size() ? static_cast<std::size_t>(size) : 0);
    value = ReadReply(datagram, sent_, Clock());
    return 1;
}

void TRecentRequests::Remember(std::int32_t id, TSnmpClock::time_point sent) {
    sent_[static_cast<std::uint32_t>(id) % kSize] = {sent, id, true};
}

bool TRecentRequests::Contains(std::int32_t id, TSnmpClock::time_point now) const {
    const TSent& entry = sent_[static_cast<std::uint32_t>(id) % kSize];
    return entry.used && entry.id == id && now - entry.time <= kReplyWindow;
}

std::unique_ptr<TSnmpValue> ReadReply(std::span<const std::uint8_t> datagram,
                                      const TRecentRequests& sent, TSnmpClock::time_point now) {
    auto reply = std::make_unique<TSnmpValue>(std::string_view{}, false, true);
    if (datagram.empty()) return reply;
    TAsn1Decoded decoded = Gulp(datagram);
    std::optional<std::int32_t> id = ResponseRequestId(decoded.node.get());
    if (id && sent.Contains(*id, now)) reply->SetFromReply(std::move(decoded.node));
    return reply;
}

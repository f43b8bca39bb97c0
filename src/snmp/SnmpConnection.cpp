// TSnmpConnection: the UDP link to the router.
#include <algorithm>
#include <cctype>
#include <charconv>
#include <string>

#include "snmp/Snmp.h"
#include "snmp/Strutil.h"

namespace {

// A datagram too large for the buffer or empty is skipped and the next one
// read; this many in one Poll, so a flood of them cannot hold the caller.
constexpr int kMaxDropsPerPoll = 64;
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
    request_.SetRequest(nextRequestId, Cut(oidText));
    std::size_t size = request_.Encode(buffer_);
    // Ids run on for the life of the link and wrap rather than overflow.
    nextRequestId = static_cast<std::int32_t>(static_cast<std::uint32_t>(nextRequestId) + 1u);
    if (size == 0) return;
    UdpSendTo(socket, {address, static_cast<std::uint16_t>(port)}, std::span(buffer_).first(size));
}

int TSnmpConnection::Poll(std::unique_ptr<TSnmpValue>& value) {
    for (int dropped = 0; dropped < kMaxDropsPerPoll; ++dropped) {
        if (!UdpReadable(socket, 0)) return 0;
        ReadResult result = ReadDatagram(value);
        if (result == ReadResult::Value) return 1;
        if (result == ReadResult::Nothing) return 0;
    }
    return 0;
}

int TSnmpConnection::Receive(std::unique_ptr<TSnmpValue>& value) {
    return ReadDatagram(value) == ReadResult::Value ? 1 : 0;
}

TSnmpConnection::ReadResult TSnmpConnection::ReadDatagram(std::unique_ptr<TSnmpValue>& value) {
    // Any sender is heard: replies are matched by OID, not by address.
    TUdpPeer from;
    std::ptrdiff_t size = UdpReceive(socket, buffer_, from);
    if (size < 0) return ReadResult::Nothing;
    if (size == 0 || static_cast<std::size_t>(size) > buffer_.size()) return ReadResult::Dropped;

    auto reply = std::make_unique<TSnmpValue>(std::string_view{}, false, true);
    TAsn1Decoded decoded = Gulp(std::span(buffer_).first(static_cast<std::size_t>(size)));
    reply->SetFromReply(std::move(decoded.node));
    value = std::move(reply);
    return ReadResult::Value;
}

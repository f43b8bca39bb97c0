#include "tests/support/FakeRouter.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <stdexcept>

namespace {

const TAsn1Sequence* List(const TAsn1Base* node) {
    return dynamic_cast<const TAsn1Sequence*>(node);
}

// Reads community, request-id and OID out of a GetRequest; false when the
// datagram is not one.
bool ParseRequest(std::span<const std::uint8_t> octets, TFakeRequest& request) {
    TAsn1Decoded decoded = Gulp(octets);
    const TAsn1Sequence* message = List(decoded.node.get());
    if (message == nullptr || message->Count() != 3) return false;
    const auto* community = dynamic_cast<const TAsn1OctetString*>(message->Child(1));
    const TAsn1Sequence* pdu = List(message->Child(2));
    if (community == nullptr || pdu == nullptr || pdu->Count() != 4) return false;
    const auto* id = dynamic_cast<const TAsn1Integer*>(pdu->Child(0));
    const TAsn1Sequence* bindings = List(pdu->Child(3));
    const TAsn1Sequence* binding =
        bindings && bindings->Count() == 1 ? List(bindings->Child(0)) : nullptr;
    const auto* oid = binding ? dynamic_cast<const TAsn1Object*>(binding->Child(0)) : nullptr;
    if (id == nullptr || oid == nullptr) return false;
    request.community = community->data;
    request.requestId = id->value;
    request.oid = oid->oid;
    return true;
}

}  // namespace

TFakeRouter::TFakeRouter(const char* address, std::uint16_t port) {
    socket_ = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    if (socket_ < 0 || inet_pton(AF_INET, address, &local.sin_addr) != 1 ||
        ::bind(socket_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        throw std::runtime_error("fake router: cannot bind");
    }
    socklen_t size = sizeof local;
    ::getsockname(socket_, reinterpret_cast<sockaddr*>(&local), &size);
    port_ = ntohs(local.sin_port);
}

TFakeRouter::~TFakeRouter() {
    if (socket_ >= 0) ::close(socket_);
}

void TFakeRouter::SetInteger(const std::string& oid, std::uint32_t value, std::uint8_t type) {
    values_[oid] = [value, type] {
        return std::make_unique<TAsn1Integer>(static_cast<std::int32_t>(value), type);
    };
}

void TFakeRouter::SetText(const std::string& oid, const std::string& text) {
    values_[oid] = [text] { return std::make_unique<TAsn1OctetString>(text); };
}

int TFakeRouter::Serve(int waitMs) {
    int count = 0;
    pollfd ready{socket_, POLLIN, 0};
    while (::poll(&ready, 1, waitMs) > 0) {
        std::array<std::uint8_t, 4096> buffer{};
        sockaddr_in from{};
        socklen_t size = sizeof from;
        ssize_t n = ::recvfrom(socket_, buffer.data(), buffer.size(), 0,
                               reinterpret_cast<sockaddr*>(&from), &size);
        if (n <= 0) break;
        ++count;
        TFakeRequest request;
        request.sourceAddress = from.sin_addr.s_addr;
        request.sourcePort = ntohs(from.sin_port);
        if (!ParseRequest(std::span(buffer).first(static_cast<std::size_t>(n)), request)) continue;
        requests.push_back(request);
        if (answer) Reply(request);
    }
    return count;
}

void TFakeRouter::Reply(const TFakeRequest& request) {
    auto found = values_.find(request.oid);
    auto binding = std::make_unique<TAsn1Sequence>();
    binding->Append(std::make_unique<TAsn1Object>(request.oid));
    binding->Append(found != values_.end() ? found->second() : std::make_unique<TAsn1Null>());
    auto bindings = std::make_unique<TAsn1Sequence>();
    bindings->Append(std::move(binding));
    auto pdu = std::make_unique<TAsn1Implicit>(true, 2);
    pdu->Append(std::make_unique<TAsn1Integer>(request.requestId));
    pdu->Append(std::make_unique<TAsn1Integer>(found != values_.end() ? 0 : 2));  // noSuchName
    pdu->Append(std::make_unique<TAsn1Integer>(found != values_.end() ? 0 : 1));
    pdu->Append(std::move(bindings));
    TAsn1Sequence message;
    message.Append(std::make_unique<TAsn1Integer>(0));
    message.Append(std::make_unique<TAsn1OctetString>(request.community));
    message.Append(std::move(pdu));

    std::array<std::uint8_t, 4096> out{};
    std::size_t size = message.Encode(out);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = request.sourceAddress;
    to.sin_port = htons(request.sourcePort);
    ::sendto(socket_, out.data(), size, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
}

void TFakeRouter::SendRaw(const std::vector<std::uint8_t>& octets, std::uint16_t toPort) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    to.sin_port = htons(toPort);
    ::sendto(socket_, octets.data(), octets.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
}

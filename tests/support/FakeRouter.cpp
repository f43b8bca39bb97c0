#include "tests/support/FakeRouter.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <optional>
#include <stdexcept>

#include "tools/simrouter/SimAgent.h"

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

void TFakeRouter::SetError(const std::string& oid, int errorStatus) {
    if (errorStatus == 0) {
        errors_.erase(oid);
    } else {
        errors_[oid] = errorStatus;
    }
}

void TFakeRouter::AnswerAs(const std::string& oid, const std::string& other) {
    answerAs_[oid] = other;
}

int TFakeRouter::Serve(int waitMs) {
    lastReplies_.clear();
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
        TSimRequest read;
        TAsn1Decoded decoded = Gulp(std::span(buffer).first(static_cast<std::size_t>(n)));
        if (!ReadSimRequest(decoded.node.get(), read) || read.oids.size() != 1) continue;
        TFakeRequest request{read.community,       read.requestId,       read.oids[0],
                             from.sin_addr.s_addr, ntohs(from.sin_port), read.pduTag};
        requests.push_back(request);
        if (answer) Reply(request);
    }
    return count;
}

void TFakeRouter::Reply(const TFakeRequest& request) {
    // simrouter's own encoder, so a scripted answer is byte for byte what
    // the simulated router would send.
    TSimRequest asked;
    asked.community = request.community;
    asked.requestId = request.requestId;
    auto as = answerAs_.find(request.oid);
    asked.oids = {as != answerAs_.end() ? as->second : request.oid};
    if (request.pduTag == kGetNextRequestTag) {
        // The table's first OID after the one asked, in the tree's order.
        std::optional<std::string> next;
        for (const auto& [oid, value] : values_) {
            if (OidBefore(request.oid, oid) && (!next || OidBefore(oid, *next))) next = oid;
        }
        if (next) asked.oids = {*next};
    }
    auto found = values_.find(asked.oids[0]);
    std::vector<std::unique_ptr<TAsn1Base>> values;
    if (found != values_.end()) values.push_back(found->second());
    auto error = errors_.find(request.oid);
    int status = error != errors_.end() ? error->second : 0;
    if (values.empty() && status == 0) status = TSimAgent::kNoSuchName;
    std::vector<std::uint8_t> out =
        EncodeSimResponse(asked, status, status != 0 ? 1 : 0, std::move(values));
    Send(out, request.sourceAddress, request.sourcePort);
    if (duplicate) Send(out, request.sourceAddress, request.sourcePort);
    lastReplies_.emplace_back(request, std::move(out));
}

void TFakeRouter::Resend(const TReplies& replies) {
    for (const auto& [request, octets] : replies)
        Send(octets, request.sourceAddress, request.sourcePort);
}

void TFakeRouter::Send(const std::vector<std::uint8_t>& octets, std::uint32_t address,
                       std::uint16_t port) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = address;
    to.sin_port = htons(port);
    ::sendto(socket_, octets.data(), octets.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
}

void TFakeRouter::SendRaw(const std::vector<std::uint8_t>& octets, std::uint16_t toPort) {
    Send(octets, htonl(INADDR_LOOPBACK), toPort);
}

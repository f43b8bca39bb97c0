// Address texts, name lookups and socket addresses: the same calls on BSD
// sockets and on Windows Sockets.
#include <algorithm>
#include <cstring>

#include "snmp/Sockapi.h"

namespace {

// The first address of `family` (AF_INET, AF_INET6) in a lookup's answer.
bool FirstOf(const addrinfo* list, int family, TUdpAddress& address) {
    for (const addrinfo* a = list; a != nullptr; a = a->ai_next) {
        if (a->ai_family != family || a->ai_addr == nullptr) continue;
        sockaddr_storage found{};
        std::memcpy(&found, a->ai_addr,
                    std::min(static_cast<std::size_t>(a->ai_addrlen), sizeof found));
        address = FromSocketAddress(found).address;
        return true;
    }
    return false;
}

bool IsV4Mapped(const in6_addr& a) {
    static constexpr std::uint8_t kPrefix[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
    return std::memcmp(&a, kPrefix, sizeof kPrefix) == 0;
}

}  // namespace

bool UdpSendTo(TSocketHandle socket, const TUdpPeer& to, std::span<const std::uint8_t> octets) {
    const int family = SocketFamily(socket);
    if (family != AF_INET && family != AF_INET6) return false;
    return UdpSendTo(socket, family == AF_INET6 ? TUdpFamily::V6 : TUdpFamily::V4, to, octets);
}

socklen_t ToSocketAddress(const TUdpPeer& peer, int family, sockaddr_storage& out) {
    out = {};
    const TUdpAddress& a = peer.address;
    if (family == AF_INET && a.family == TUdpFamily::V4) {
        auto& sa = reinterpret_cast<sockaddr_in&>(out);
        sa.sin_family = AF_INET;
        sa.sin_port = htons(peer.port);
        std::memcpy(&sa.sin_addr, a.octets.data(), 4);
        return sizeof sa;
    }
    if (family != AF_INET6) return 0;
    auto& sa = reinterpret_cast<sockaddr_in6&>(out);
    sa.sin6_family = AF_INET6;
    sa.sin6_port = htons(peer.port);
    auto* octets = reinterpret_cast<std::uint8_t*>(&sa.sin6_addr);
    if (a.family == TUdpFamily::V6) {
        std::memcpy(octets, a.octets.data(), 16);
        sa.sin6_scope_id = a.scope;
    } else if (a != TUdpAddress{}) {
        octets[10] = 0xFF;
        octets[11] = 0xFF;
        std::memcpy(octets + 12, a.octets.data(), 4);
    }
    return sizeof sa;
}

TUdpPeer FromSocketAddress(const sockaddr_storage& in) {
    TUdpPeer peer;
    if (in.ss_family == AF_INET) {
        const auto& sa = reinterpret_cast<const sockaddr_in&>(in);
        std::memcpy(peer.address.octets.data(), &sa.sin_addr, 4);
        peer.port = ntohs(sa.sin_port);
    } else if (in.ss_family == AF_INET6) {
        const auto& sa = reinterpret_cast<const sockaddr_in6&>(in);
        const auto* octets = reinterpret_cast<const std::uint8_t*>(&sa.sin6_addr);
        peer.port = ntohs(sa.sin6_port);
        if (IsV4Mapped(sa.sin6_addr)) {
            std::memcpy(peer.address.octets.data(), octets + 12, 4);
        } else {
            peer.address.family = TUdpFamily::V6;
            std::memcpy(peer.address.octets.data(), octets, 16);
            peer.address.scope = static_cast<std::uint32_t>(sa.sin6_scope_id);
        }
    }
    return peer;
}

bool ParseIpv4(std::string_view text, TUdpAddress& address) {
    in_addr a{};
    if (::inet_pton(AF_INET, std::string(text).c_str(), &a) != 1) return false;
    address = {};
    std::memcpy(address.octets.data(), &a, 4);
    return true;
}

bool ParseIpv6(std::string_view text, TUdpAddress& address) {
    // getaddrinfo for the zone after '%'; numeric only, so it never blocks.
    addrinfo hints{};
    hints.ai_family = AF_INET6;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_flags = AI_NUMERICHOST;
    addrinfo* found = nullptr;
    if (text.empty() || ::getaddrinfo(std::string(text).c_str(), nullptr, &hints, &found) != 0)
        return false;
    bool ok = FirstOf(found, AF_INET6, address);
    ::freeaddrinfo(found);
    return ok;
}

bool LookupHost(const std::string& name, TUdpAddress& address) {
    if (name.empty()) return false;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) return false;
    // IPv4 first, whatever order the resolver prefers: routers are reached
    // over IPv4 as before wherever they can be.
    bool ok = FirstOf(found, AF_INET, address) || FirstOf(found, AF_INET6, address);
    ::freeaddrinfo(found);
    return ok;
}

std::string AddressText(const TUdpAddress& address) {
    char text[INET6_ADDRSTRLEN] = {};
    const int family = address.family == TUdpFamily::V6 ? AF_INET6 : AF_INET;
    if (::inet_ntop(family, address.octets.data(), text, sizeof text) == nullptr) return {};
    return text;
}

std::string PeerText(const TUdpPeer& peer) {
    std::string host = AddressText(peer.address);
    if (peer.address.family == TUdpFamily::V6) host = "[" + host + "]";
    return host + ":" + std::to_string(peer.port);
}

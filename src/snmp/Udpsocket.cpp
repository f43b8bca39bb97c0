// BSD sockets. A Windows build replaces this file with one on Winsock.
#include "snmp/Udpsocket.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace {

// The family a socket was made with: AF_INET, AF_INET6, or AF_UNSPEC.
int FamilyOf(TSocketHandle socket) {
    sockaddr_storage local{};
    socklen_t length = sizeof local;
    if (::getsockname(socket, reinterpret_cast<sockaddr*>(&local), &length) != 0) return AF_UNSPEC;
    return local.ss_family;
}

// `peer` as a socket address for a socket of `family`; 0 when that socket
// cannot reach it. IPv4 goes to an IPv6 socket as ::ffff:a.b.c.d, and the
// IPv4 "any" as the IPv6 one.
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
    if (a.family == TUdpFamily::V6) {
        std::memcpy(&sa.sin6_addr, a.octets.data(), 16);
        sa.sin6_scope_id = a.scope;
    } else if (a != TUdpAddress{}) {
        sa.sin6_addr.s6_addr[10] = 0xFF;
        sa.sin6_addr.s6_addr[11] = 0xFF;
        std::memcpy(&sa.sin6_addr.s6_addr[12], a.octets.data(), 4);
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
        peer.port = ntohs(sa.sin6_port);
        if (IN6_IS_ADDR_V4MAPPED(&sa.sin6_addr)) {
            std::memcpy(peer.address.octets.data(), &sa.sin6_addr.s6_addr[12], 4);
        } else {
            peer.address.family = TUdpFamily::V6;
            std::memcpy(peer.address.octets.data(), &sa.sin6_addr, 16);
            peer.address.scope = sa.sin6_scope_id;
        }
    }
    return peer;
}

// The first address of `family` (AF_INET, AF_INET6) in a lookup's answer.
bool FirstOf(const addrinfo* list, int family, TUdpAddress& address) {
    for (const addrinfo* a = list; a != nullptr; a = a->ai_next) {
        if (a->ai_family != family || a->ai_addr == nullptr) continue;
        sockaddr_storage found{};
        std::memcpy(&found, a->ai_addr, std::min<std::size_t>(a->ai_addrlen, sizeof found));
        address = FromSocketAddress(found).address;
        return true;
    }
    return false;
}

}  // namespace

TSocketHandle UdpOpen(TUdpFamily family) {
    // Close-on-exec: a browser opened for the manual must not inherit it.
    int s = ::socket(family == TUdpFamily::V6 ? AF_INET6 : AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (s < 0) return kNoSocket;
    if (family == TUdpFamily::V6) {
        int v6only = 0;
        ::setsockopt(s, IPPROTO_IPV6, IPV6_V6ONLY, &v6only, sizeof v6only);
    }
    return s;
}

void UdpClose(TSocketHandle socket) {
    if (socket != kNoSocket) ::close(socket);
}

bool UdpBind(TSocketHandle socket, const TUdpAddress& address, std::uint16_t port) {
    sockaddr_storage sa{};
    socklen_t length = ToSocketAddress({address, port}, FamilyOf(socket), sa);
    return length != 0 && ::bind(socket, reinterpret_cast<const sockaddr*>(&sa), length) == 0;
}

std::uint16_t UdpLocalPort(TSocketHandle socket) {
    sockaddr_storage sa{};
    socklen_t length = sizeof sa;
    if (::getsockname(socket, reinterpret_cast<sockaddr*>(&sa), &length) != 0) return 0;
    return FromSocketAddress(sa).port;
}

bool UdpSendTo(TSocketHandle socket, const TUdpPeer& to, std::span<const std::uint8_t> octets) {
    if (socket == kNoSocket) return false;
    sockaddr_storage sa{};
    socklen_t length = ToSocketAddress(to, FamilyOf(socket), sa);
    if (length == 0) return false;
    ssize_t sent = ::sendto(socket, octets.data(), octets.size(), 0,
                            reinterpret_cast<const sockaddr*>(&sa), length);
    return sent == static_cast<ssize_t>(octets.size());
}

bool UdpReadable(TSocketHandle socket, int timeoutMs) {
    if (socket == kNoSocket) return false;
    pollfd p{socket, POLLIN, 0};
    return ::poll(&p, 1, timeoutMs) > 0 && (p.revents & POLLIN) != 0;
}

std::ptrdiff_t UdpReceive(TSocketHandle socket, std::span<std::uint8_t> buffer, TUdpPeer& from) {
    if (socket == kNoSocket) return -1;
    sockaddr_storage sa{};
    socklen_t length = sizeof sa;
    // MSG_TRUNC makes the call return the datagram's real size, so one too
    // large for the buffer can be told from one that fitted exactly.
    // MSG_DONTWAIT: readiness was tested, but the receive must never wait.
    ssize_t n = ::recvfrom(socket, buffer.data(), buffer.size(), MSG_TRUNC | MSG_DONTWAIT,
                           reinterpret_cast<sockaddr*>(&sa), &length);
    if (n < 0) return -1;
    from = FromSocketAddress(sa);
    return n;
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

bool LookupService(const std::string& name, int& port) {
    if (name.empty()) return false;
    // "tcp", although the link is UDP: the two lists agree for SNMP, and the
    // name is what the user typed after the colon. The reentrant call, as
    // lookups may run on more than one thread.
    servent entry{};
    servent* service = nullptr;
    std::array<char, 4096> scratch{};
    if (::getservbyname_r(name.c_str(), "tcp", &entry, scratch.data(), scratch.size(), &service) !=
            0 ||
        service == nullptr)
        return false;
    port = ntohs(static_cast<std::uint16_t>(service->s_port));
    return true;
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

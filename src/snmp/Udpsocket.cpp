// BSD sockets. A Windows build replaces this file with one on Winsock.
#include "snmp/Udpsocket.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

sockaddr_in MakeAddress(std::uint32_t address, std::uint16_t port) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    sa.sin_addr.s_addr = address;
    return sa;
}

}  // namespace

TSocketHandle UdpOpen() {
    // Close-on-exec: a browser opened for the manual must not inherit it.
    int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    return s < 0 ? kNoSocket : s;
}

void UdpClose(TSocketHandle socket) {
    if (socket != kNoSocket) ::close(socket);
}

bool UdpBind(TSocketHandle socket, std::uint32_t address, std::uint16_t port) {
    sockaddr_in sa = MakeAddress(address, port);
    return ::bind(socket, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) == 0;
}

std::uint16_t UdpLocalPort(TSocketHandle socket) {
    sockaddr_in sa{};
    socklen_t length = sizeof sa;
    if (::getsockname(socket, reinterpret_cast<sockaddr*>(&sa), &length) != 0) return 0;
    return ntohs(sa.sin_port);
}

bool UdpSendTo(TSocketHandle socket, TUdpPeer to, std::span<const std::uint8_t> octets) {
    if (socket == kNoSocket) return false;
    sockaddr_in sa = MakeAddress(to.address, to.port);
    ssize_t sent = ::sendto(socket, octets.data(), octets.size(), 0,
                            reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
    return sent == static_cast<ssize_t>(octets.size());
}

bool UdpReadable(TSocketHandle socket, int timeoutMs) {
    if (socket == kNoSocket) return false;
    pollfd p{socket, POLLIN, 0};
    return ::poll(&p, 1, timeoutMs) > 0 && (p.revents & POLLIN) != 0;
}

std::ptrdiff_t UdpReceive(TSocketHandle socket, std::span<std::uint8_t> buffer, TUdpPeer& from) {
    if (socket == kNoSocket) return -1;
    sockaddr_in sa{};
    socklen_t length = sizeof sa;
    // MSG_TRUNC makes the call return the datagram's real size, so one too
    // large for the buffer can be told from one that fitted exactly.
    // MSG_DONTWAIT: readiness was tested, but the receive must never wait.
    ssize_t n = ::recvfrom(socket, buffer.data(), buffer.size(), MSG_TRUNC | MSG_DONTWAIT,
                           reinterpret_cast<sockaddr*>(&sa), &length);
    if (n < 0) return -1;
    from.address = sa.sin_addr.s_addr;
    from.port = ntohs(sa.sin_port);
    return n;
}

bool ParseIpv4(const std::string& text, std::uint32_t& address) {
    in_addr a{};
    if (::inet_pton(AF_INET, text.c_str(), &a) != 1) return false;
    address = a.s_addr;
    return true;
}

bool LookupHost(const std::string& name, std::uint32_t& address) {
    if (name.empty()) return false;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) return false;
    bool ok = false;
    for (const addrinfo* a = found; a != nullptr; a = a->ai_next) {
        if (a->ai_family == AF_INET && a->ai_addrlen >= sizeof(sockaddr_in)) {
            sockaddr_in sa{};
            std::memcpy(&sa, a->ai_addr, sizeof sa);
            address = sa.sin_addr.s_addr;
            ok = true;
            break;
        }
    }
    ::freeaddrinfo(found);
    return ok;
}

bool LookupService(const std::string& name, int& port) {
    if (name.empty()) return false;
    // "tcp", although the link is UDP: the two lists agree for SNMP, and the
    // name is what the user typed after the colon.
    const servent* service = ::getservbyname(name.c_str(), "tcp");
    if (service == nullptr) return false;
    port = ntohs(static_cast<std::uint16_t>(service->s_port));
    return true;
}

std::string Ipv4Text(std::uint32_t address) {
    in_addr a{};
    a.s_addr = address;
    char text[INET_ADDRSTRLEN] = {};
    if (::inet_ntop(AF_INET, &a, text, sizeof text) == nullptr) return {};
    return text;
}

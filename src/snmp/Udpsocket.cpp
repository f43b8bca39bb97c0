// The socket layer on BSD sockets. UdpsocketWin.cpp is the same on Windows
// Sockets; what the two share is in Udpaddress.cpp.
#include <poll.h>
#include <unistd.h>

#include "snmp/Sockapi.h"

int SocketFamily(TSocketHandle socket) {
    sockaddr_storage local{};
    socklen_t length = sizeof local;
    if (::getsockname(socket, reinterpret_cast<sockaddr*>(&local), &length) != 0) return AF_UNSPEC;
    return local.ss_family;
}

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
    socklen_t length = ToSocketAddress({address, port}, SocketFamily(socket), sa);
    return length != 0 && ::bind(socket, reinterpret_cast<const sockaddr*>(&sa), length) == 0;
}

std::uint16_t UdpLocalPort(TSocketHandle socket) {
    sockaddr_storage sa{};
    socklen_t length = sizeof sa;
    if (::getsockname(socket, reinterpret_cast<sockaddr*>(&sa), &length) != 0) return 0;
    return FromSocketAddress(sa).port;
}

bool UdpSendTo(TSocketHandle socket, TUdpFamily family, const TUdpPeer& to,
               std::span<const std::uint8_t> octets) {
    if (socket == kNoSocket) return false;
    sockaddr_storage sa{};
    socklen_t length = ToSocketAddress(to, family == TUdpFamily::V6 ? AF_INET6 : AF_INET, sa);
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
    if (socket == kNoSocket) return kUdpNothing;
    sockaddr_storage sa{};
    socklen_t length = sizeof sa;
    // MSG_TRUNC makes the call return the datagram's real size, so one too
    // large for the buffer can be told from one that fitted exactly.
    // MSG_DONTWAIT: readiness was tested, but the receive must never wait.
    ssize_t n = ::recvfrom(socket, buffer.data(), buffer.size(), MSG_TRUNC | MSG_DONTWAIT,
                           reinterpret_cast<sockaddr*>(&sa), &length);
    if (n < 0) return kUdpNothing;
    from = FromSocketAddress(sa);
    return n;
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

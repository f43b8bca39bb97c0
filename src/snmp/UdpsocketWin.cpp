// The socket layer on Windows Sockets: the calls of Udpsocket.cpp, with the
// ways Windows differs kept here. What the two share is in Udpaddress.cpp.
#include <algorithm>
#include <climits>

#include "snmp/Sockapi.h"
// After winsock2.h, which Sockapi.h brings.
#include <mswsock.h>

namespace {

// Winsock takes lengths as int; no datagram comes near the limit.
int SizeArgument(std::size_t size) {
    return static_cast<int>(std::min<std::size_t>(size, INT_MAX));
}

}  // namespace

int SocketFamily(TSocketHandle socket) {
    // getsockname fails on a socket not bound yet, so the family comes from
    // the socket's protocol entry instead.
    WSAPROTOCOL_INFOW info{};
    int length = sizeof info;
    if (::getsockopt(socket, SOL_SOCKET, SO_PROTOCOL_INFOW, reinterpret_cast<char*>(&info),
                     &length) != 0)
        return AF_UNSPEC;
    return info.iAddressFamily;
}

TSocketHandle UdpOpen(TUdpFamily family) {
    SOCKET s = ::socket(family == TUdpFamily::V6 ? AF_INET6 : AF_INET, SOCK_DGRAM, 0);
    if (s == INVALID_SOCKET) return kNoSocket;
    // There is no SOCK_CLOEXEC: the handle is kept from the processes started
    // later instead (a browser opened for the manual, a test's helper).
    ::SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
    if (family == TUdpFamily::V6) {
        // Windows makes IPv6 sockets IPv6-only unless told otherwise.
        DWORD v6only = 0;
        ::setsockopt(s, IPPROTO_IPV6, IPV6_V6ONLY, reinterpret_cast<const char*>(&v6only),
                     sizeof v6only);
    }
    // Windows hands an ICMP "port unreachable" for an earlier send to the
    // next receive as WSAECONNRESET; a router that is down is no failing
    // socket. UdpReceive skips such a report should one come all the same.
    BOOL report = FALSE;
    DWORD returned = 0;
    ::WSAIoctl(s, SIO_UDP_CONNRESET, &report, sizeof report, nullptr, 0, &returned, nullptr,
               nullptr);
    // There is no MSG_DONTWAIT: the socket itself never waits.
    u_long nonBlocking = 1;
    ::ioctlsocket(s, static_cast<long>(FIONBIO), &nonBlocking);
    return s;
}

void UdpClose(TSocketHandle socket) {
    if (socket != kNoSocket) ::closesocket(socket);
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
    int sent =
        ::sendto(socket, reinterpret_cast<const char*>(octets.data()), SizeArgument(octets.size()),
                 0, reinterpret_cast<const sockaddr*>(&sa), length);
    return sent != SOCKET_ERROR && static_cast<std::size_t>(sent) == octets.size();
}

bool UdpReadable(TSocketHandle socket, int timeoutMs) {
    if (socket == kNoSocket) return false;
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket, &readable);
    timeval wait{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    // Windows ignores select's first argument: sets name their sockets.
    return ::select(0, &readable, nullptr, nullptr, &wait) > 0 && FD_ISSET(socket, &readable);
}

std::ptrdiff_t UdpReceive(TSocketHandle socket, std::span<std::uint8_t> buffer, TUdpPeer& from) {
    if (socket == kNoSocket) return kUdpNothing;
    sockaddr_storage sa{};
    socklen_t length = sizeof sa;
    int n = ::recvfrom(socket, reinterpret_cast<char*>(buffer.data()), SizeArgument(buffer.size()),
                       0, reinterpret_cast<sockaddr*>(&sa), &length);
    if (n != SOCKET_ERROR) {
        from = FromSocketAddress(sa);
        return n;
    }
    switch (::WSAGetLastError()) {
        case WSAEMSGSIZE:
            // Taken off the socket, cut to the buffer; its real size is not
            // told, only that it did not fit.
            from = FromSocketAddress(sa);
            return static_cast<std::ptrdiff_t>(buffer.size()) + 1;
        case WSAECONNRESET:  // "port unreachable" for an earlier send
        case WSAENETRESET:   // "time to live exceeded" for one
            return kUdpSkipped;
        default:  // WSAEWOULDBLOCK: nothing waits; anything else: try next tick
            return kUdpNothing;
    }
}

bool LookupService(const std::string& name, int& port) {
    if (name.empty()) return false;
    // "tcp", although the link is UDP: the name is what the user typed after
    // the colon. Windows keeps the answer per thread, so lookups on several
    // threads do not meet.
    const servent* service = ::getservbyname(name.c_str(), "tcp");
    if (service == nullptr) return false;
    port = ntohs(static_cast<u_short>(service->s_port));
    return true;
}

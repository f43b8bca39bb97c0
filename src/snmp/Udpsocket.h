// The few socket and name-lookup calls the SNMP link and the simulated router
// make. Udpsocket.cpp serves them on BSD sockets, UdpsocketWin.cpp on Windows
// Sockets; the build takes one of the two.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#ifdef _WIN32
using TSocketHandle = std::uintptr_t;
inline constexpr TSocketHandle kNoSocket = ~TSocketHandle{0};
#else
using TSocketHandle = int;
inline constexpr TSocketHandle kNoSocket = -1;
#endif

enum class TUdpFamily : std::uint8_t { V4, V6 };

// An IPv4 or IPv6 address, in network byte order. The default is the IPv4
// address 0.0.0.0, "any" when binding.
struct TUdpAddress {
    TUdpFamily family = TUdpFamily::V4;
    std::array<std::uint8_t, 16> octets{};  // IPv4: the first four
    std::uint32_t scope = 0;                // the interface of an IPv6 link-local address

    friend bool operator==(const TUdpAddress&, const TUdpAddress&) = default;
};

// An address and a port in host byte order.
struct TUdpPeer {
    TUdpAddress address;
    std::uint16_t port = 0;
};

// A new datagram socket, or kNoSocket. An IPv6 socket also sends to and
// hears from IPv4 addresses (dual stack).
TSocketHandle UdpOpen(TUdpFamily family = TUdpFamily::V4);
void UdpClose(TSocketHandle socket);
// Binds to `address` and `port` (0: any). On an IPv6 socket the IPv4 "any"
// 0.0.0.0 binds both families.
bool UdpBind(TSocketHandle socket, const TUdpAddress& address, std::uint16_t port);
// The local port the socket is bound to, or 0.
std::uint16_t UdpLocalPort(TSocketHandle socket);
// Sends one datagram; false when the platform refused it (an IPv6 address on
// an IPv4 socket, among others).
bool UdpSendTo(TSocketHandle socket, const TUdpPeer& to, std::span<const std::uint8_t> octets);
// The same for a socket whose family the caller knows: asking the system for
// it costs a call per datagram.
bool UdpSendTo(TSocketHandle socket, TUdpFamily family, const TUdpPeer& to,
               std::span<const std::uint8_t> octets);
// True when a datagram is waiting. Waits at most `timeoutMs`; 0 only looks.
bool UdpReadable(TSocketHandle socket, int timeoutMs);

// What UdpReceive gives besides a size: nothing was waiting (or the socket
// failed), or something was taken off the socket that is no datagram, such
// as Windows' report of an ICMP "port unreachable" for an earlier send.
inline constexpr std::ptrdiff_t kUdpNothing = -1;
inline constexpr std::ptrdiff_t kUdpSkipped = -2;

// Reads one waiting datagram into `buffer` without waiting. Returns its size,
// which is larger than the buffer when the datagram did not fit (it is
// consumed all the same; Windows tells only that it was larger), or one of
// the two codes above. An IPv4 sender heard on an IPv6 socket is given as an
// IPv4 address.
std::ptrdiff_t UdpReceive(TSocketHandle socket, std::span<std::uint8_t> buffer, TUdpPeer& from);

// A dotted-quad IPv4 address text (exactly four decimal parts).
bool ParseIpv4(std::string_view text, TUdpAddress& address);
// An IPv6 address text such as 2001:db8::1 or fe80::1%eth0. Never looks a
// name up.
bool ParseIpv6(std::string_view text, TUdpAddress& address);
// The first IPv4 address of a host name, or its first IPv6 address when it
// has none. May block for as long as the name servers take.
bool LookupHost(const std::string& name, TUdpAddress& address);
// The port of a service name as the system lists it for "tcp".
bool LookupService(const std::string& name, int& port);
// 192.168.0.1 or 2001:db8::1.
std::string AddressText(const TUdpAddress& address);
// 192.168.0.1:161 or [2001:db8::1]:161.
std::string PeerText(const TUdpPeer& peer);

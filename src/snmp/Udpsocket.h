// The few socket and name-lookup calls the SNMP link and the simulated router
// make. They all live here, so another platform swaps this one unit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#ifdef _WIN32
using TSocketHandle = std::uintptr_t;
inline constexpr TSocketHandle kNoSocket = ~TSocketHandle{0};
#else
using TSocketHandle = int;
inline constexpr TSocketHandle kNoSocket = -1;
#endif

// An IPv4 address in network byte order and a port in host byte order.
struct TUdpPeer {
    std::uint32_t address = 0;
    std::uint16_t port = 0;
};

// A new IPv4 datagram socket, or kNoSocket.
TSocketHandle UdpOpen();
void UdpClose(TSocketHandle socket);
// Binds to `address` (network byte order; 0 is any) and `port` (0: any).
bool UdpBind(TSocketHandle socket, std::uint32_t address, std::uint16_t port);
// The local port the socket is bound to, or 0.
std::uint16_t UdpLocalPort(TSocketHandle socket);
// Sends one datagram; false when the platform refused it.
bool UdpSendTo(TSocketHandle socket, TUdpPeer to, std::span<const std::uint8_t> octets);
// True when a datagram is waiting. Waits at most `timeoutMs`; 0 only looks.
bool UdpReadable(TSocketHandle socket, int timeoutMs);

// Reads one waiting datagram into `buffer` without waiting. Returns its full
// size, which is larger than the buffer when the datagram did not fit (it is
// consumed all the same), or -1 when nothing could be read.
std::ptrdiff_t UdpReceive(TSocketHandle socket, std::span<std::uint8_t> buffer, TUdpPeer& from);

// A dotted-quad IPv4 address text (exactly four decimal parts).
bool ParseIpv4(const std::string& text, std::uint32_t& address);
// The first IPv4 address of a host name. May block while the resolver asks.
bool LookupHost(const std::string& name, std::uint32_t& address);
// The port of a service name as the system lists it for "tcp".
bool LookupService(const std::string& name, int& port);
// Dotted-quad text of an address in network byte order.
std::string Ipv4Text(std::uint32_t address);

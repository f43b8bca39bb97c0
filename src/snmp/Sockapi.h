// The platform's socket headers, and the address conversions that the BSD
// and the Windows socket layers share. Only src/snmp includes it.
#pragma once

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#endif

#include "snmp/Udpsocket.h"

// The family a socket was made with: AF_INET, AF_INET6, or AF_UNSPEC. One
// per platform: Windows does not name the family of a socket not yet bound.
int SocketFamily(TSocketHandle socket);

// `peer` as a socket address for a socket of `family`; 0 when that socket
// cannot reach it. IPv4 goes to an IPv6 socket as ::ffff:a.b.c.d, and the
// IPv4 "any" as the IPv6 one.
socklen_t ToSocketAddress(const TUdpPeer& peer, int family, sockaddr_storage& out);

// The address and port of a received or a looked-up socket address; an IPv4
// address mapped into IPv6 comes back as IPv4.
TUdpPeer FromSocketAddress(const sockaddr_storage& in);

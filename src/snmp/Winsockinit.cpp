#include "snmp/Winsockinit.h"

#ifdef _WIN32
#include <winsock2.h>

bool StartSockets() {
    // Version 1.1 is all the connection needs. Never shut down: the process
    // keeps its socket to the end.
    WSADATA data;
    return WSAStartup(0x0101, &data) == 0;
}
#else
// BSD sockets need no start-up.
bool StartSockets() { return true; }
#endif

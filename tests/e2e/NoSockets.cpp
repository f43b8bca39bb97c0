// ws2_32.dll for one test: Windows Sockets that do not start, as on a system
// whose network subsystem is not ready. Loaded in place of the system's
// (WINEDLLOVERRIDES=ws2_32=n,b) beside a copy of the program. It exports
// every name of the system's (NoSocketsDef.cmake lists them), each failing;
// WSAStartup fails first.
#include <winsock2.h>

extern "C" __declspec(dllexport) int NotReady() { return WSASYSNOTREADY; }

// Whatever else is called: SOCKET_ERROR, or INVALID_SOCKET as the same bits.
extern "C" __declspec(dllexport) long long Fails() { return -1; }

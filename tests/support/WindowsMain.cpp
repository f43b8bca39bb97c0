// main() of the test programs on Windows. Sockets are started as the monitor
// starts them. The programs that send datagrams (VENTREL_PRIVATE_NETWORK)
// refuse to run where anything but a loopback is up: under Wine that is the
// network namespace tests/wine-netns makes, the one its Wine server lives in.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <io.h>

#include <cstdio>

#include "snmp/Winsockinit.h"
#ifdef VENTREL_PRIVATE_NETWORK
#include "tests/support/NetHelpers.h"
#endif

int main(int argc, char** argv) {
    // "\n" as it is written, not "\r\n": CTest reads the list of cases line
    // by line.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    if (!StartSockets()) {
        std::fprintf(stderr, "%s: Windows Sockets 1.1 did not start\n", argv[0]);
        return 1;
    }
#ifdef VENTREL_PRIVATE_NETWORK
    if (!nettest::InPrivateNetwork()) {
        std::fprintf(stderr,
                     "%s: a network other than loopback is up; refusing to run (start it "
                     "through tests/wine-netns)\n",
                     argv[0]);
        return 1;
    }
#endif
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

// Name lookups against name servers and hosts files of the test's own: the
// program runs in a private mount namespace as well as a network one, with
// /etc/resolv.conf and /etc/hosts bind-mounted onto files the test writes.
// The name server is 127.0.0.1:53, a socket that takes the questions and
// never answers while a test holds it open; without it every question is
// refused at once. Under Wine, names are looked up by the system's resolver
// all the same; tests/wine-netns makes the mounts there.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "router/Oids.h"
#include "snmp/Snmp.h"
#include "snmp/Udpsocket.h"
#include "tests/support/NetHelpers.h"

using namespace std::chrono_literals;
using namespace nettest;

namespace {

std::filesystem::path etcFolder;

void WriteFile(const std::filesystem::path& path, const std::string& text) {
    // In place: the bind mount shows this file, not whatever replaced it.
    // Binary: the resolver reads "\n", never "\r\n".
    std::ofstream file(path, std::ios::trunc | std::ios::binary);
    file << text;
}

void WriteHosts(const std::string& lines) {
    WriteFile(etcFolder / "hosts", "127.0.0.1 localhost\n" + lines);
}

class TPrivateEtc : public ::testing::Environment {
public:
    void SetUp() override {
#ifdef _WIN32
        // Already mounted over /etc's files; the folder as Wine's drive Z:
        // shows it.
        const char* folder = std::getenv("VENTREL_WINE_ETC");
        ASSERT_NE(folder, nullptr) << "start it through tests/wine-netns";
        etcFolder = std::string("Z:") + folder;
#else
        ASSERT_EQ(::unshare(CLONE_NEWNS), 0) << "no mount namespace";
        // Mounts made here stay here.
        ASSERT_EQ(::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr), 0);
        std::string folder = (std::filesystem::temp_directory_path() / "ventrel-etc-XXXXXX");
        ASSERT_NE(::mkdtemp(folder.data()), nullptr);
        etcFolder = folder;
#endif
        // One attempt of 30 seconds: a question that is not answered hangs
        // far longer than any test waits.
        WriteFile(etcFolder / "resolv.conf",
                  "nameserver 127.0.0.1\noptions timeout:30 attempts:1\n");
        WriteHosts("");
#ifndef _WIN32
        for (const char* name : {"resolv.conf", "hosts"}) {
            std::string target = std::string("/etc/") + name;
            ASSERT_EQ(
                ::mount((etcFolder / name).c_str(), target.c_str(), nullptr, MS_BIND, nullptr), 0)
                << target;
        }
#endif
    }

#ifndef _WIN32
    void TearDown() override {
        ::umount("/etc/resolv.conf");
        ::umount("/etc/hosts");
        std::filesystem::remove_all(etcFolder);
    }
#endif
};

const auto* const privateEtc = ::testing::AddGlobalTestEnvironment(new TPrivateEtc);

// A socket on the namespace's loopback that catches the link's requests.
class TCatcher {
public:
    explicit TCatcher(std::uint16_t port, const char* address = "127.0.0.1") {
        TUdpAddress a;
        ParseIpv4(address, a);
        socket_ = UdpOpen();
        bound_ = UdpBind(socket_, a, port);
    }
    ~TCatcher() { UdpClose(socket_); }
    TCatcher(const TCatcher&) = delete;
    TCatcher& operator=(const TCatcher&) = delete;

    bool bound() const { return bound_; }
    // True when a datagram arrived within `timeout`; it is read.
    bool Caught(std::chrono::milliseconds timeout = 5s) {
        if (!UdpReadable(socket_, static_cast<int>(timeout.count()))) return false;
        std::array<std::uint8_t, 4096> buffer{};
        TUdpPeer from;
        return UdpReceive(socket_, buffer, from) > 0;
    }

private:
    TSocketHandle socket_ = kNoSocket;
    bool bound_ = false;
};

TEST(Lookup, AHangingNameServerHoldsNeitherOpenNorTheRequests) {
    TCatcher nameServer(53);
    ASSERT_TRUE(nameServer.bound());
    TCatcher router(16400);
    TSnmpConnection link("127.0.0.1:16400", "kelpie");
    ASSERT_EQ(link.Open(), 0);

    link.SetHost("hangs.example:16400");
    EXPECT_EQ(link.lastResolve, TSnmpConnection::kResolvePending);
    ASSERT_TRUE(nameServer.Caught()) << "the name server was never asked";
    // Open has returned while the name server sits on the question, and the
    // requests go on to the address held before.
    for (int i = 0; i < 3; ++i) {
        link.SendGet(mib::kCpu);
        EXPECT_TRUE(router.Caught()) << i;
    }
    EXPECT_TRUE(link.LookingUp());
    EXPECT_EQ(AddressText(link.address), "127.0.0.1");

    // A first start with that name: nothing to send to, and no waiting.
    TSnmpConnection first("hangs.example", "kelpie");
    EXPECT_EQ(first.Open(), TSnmpConnection::kResolvePending);
    const std::int32_t id = first.nextRequestId;
    first.SendGet(mib::kCpu);
    EXPECT_FALSE(first.hasAddress);
    EXPECT_EQ(first.nextRequestId, id) << "no id used for a request not sent";
}

TEST(Lookup, ANameThatStartsResolvingLaterIsFoundWithinThirtySeconds) {
    TCatcher router(16401);
    TSnmpConnection link("later.example:16401", "kelpie");
    TSnmpClock::time_point now = TSnmpClock::now();
    link.Clock = [&] { return now; };
    ASSERT_EQ(link.Open(), TSnmpConnection::kResolvePending);
    ASSERT_TRUE(WaitForLookup(link));
    EXPECT_EQ(link.lastResolve, TSnmpConnection::kResolveNotFound);
    EXPECT_FALSE(link.hasAddress);

    WriteHosts("127.0.0.1 later.example\n");
    now += TSnmpConnection::kLookupRetry - 1s;
    link.SendGet(mib::kCpu);
    EXPECT_FALSE(link.LookingUp()) << "looked up again too soon";
    now += 1s;
    link.SendGet(mib::kCpu);
    EXPECT_TRUE(link.LookingUp()) << "not looked up again";
    ASSERT_TRUE(WaitForLookup(link));
    EXPECT_EQ(link.lastResolve, 0);
    ASSERT_TRUE(link.hasAddress);
    EXPECT_EQ(AddressText(link.address), "127.0.0.1");
    EXPECT_EQ(link.port, 16401);
    link.SendGet(mib::kCpu);
    EXPECT_TRUE(router.Caught());
}

TEST(Lookup, AConfirmedSetupLooksTheNameUpAgain) {
    WriteHosts("127.0.0.1 moved.example\n");
    TSnmpConnection link("moved.example:16402", "kelpie");
    TSnmpClock::time_point now = TSnmpClock::now();
    link.Clock = [&] { return now; };
    link.Open();
    ASSERT_TRUE(WaitForLookup(link));
    ASSERT_EQ(AddressText(link.address), "127.0.0.1");

    // While an address is held, nothing is looked up by itself...
    WriteHosts("127.0.0.2 moved.example\n");
    now += TSnmpConnection::kLookupRetry * 2;
    link.TakeLookup();
    EXPECT_FALSE(link.LookingUp());
    // ...but a Setup confirmed with the same text looks it up again.
    link.SetHost("moved.example:16402");
    link.LookUpAgain();
    ASSERT_TRUE(WaitForLookup(link));
    EXPECT_EQ(AddressText(link.address), "127.0.0.2");
    EXPECT_EQ(link.port, 16402);

    // A name that now fails leaves the address as it was.
    WriteHosts("");
    link.LookUpAgain();
    ASSERT_TRUE(WaitForLookup(link));
    EXPECT_EQ(link.lastResolve, TSnmpConnection::kResolveNotFound);
    EXPECT_EQ(AddressText(link.address), "127.0.0.2");
}

TEST(Lookup, NamesOfEitherFamily) {
    // The IPv6 lines come first: IPv4 is chosen all the same.
    WriteHosts(
        "::1 only6.example dual.example\n"
        "127.0.0.1 dual.example\n"
        "2001:db8::7 far6.example\n");
    const struct {
        const char* text;
        const char* address;
        int port;
    } cases[] = {
        {"only6.example", "::1", 161},
        {"only6.example:16403", "::1", 16403},
        {"dual.example", "127.0.0.1", 161},
        {"far6.example:snmp", "2001:db8::7", 161},
    };
    for (const auto& c : cases) {
        TSnmpConnection link(c.text, "kelpie");
        EXPECT_EQ(link.Open(), TSnmpConnection::kResolvePending) << c.text;
        ASSERT_TRUE(WaitForLookup(link)) << c.text;
        ASSERT_TRUE(link.hasAddress) << c.text;
        EXPECT_EQ(AddressText(link.address), c.address) << c.text;
        EXPECT_EQ(link.port, c.port) << c.text;
    }
}

}  // namespace

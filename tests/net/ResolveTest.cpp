// Address texts as the user types them.
#include <gtest/gtest.h>

#include "snmp/Snmp.h"
#include "snmp/Udpsocket.h"
#include "tests/support/NetHelpers.h"

namespace {

struct Case {
    const char* name;
    std::string text;
    int result;
    const char* address;  // expected afterwards
    int port;
};

TEST(Resolve, AddressTexts) {
    // Every case starts from a link that resolved 10.1.2.3:999, so a failure
    // shows as that pair left alone.
    const Case cases[] = {
        {"plain address", "192.168.0.1", 0, "192.168.0.1", 161},
        {"surrounding spaces", "  192.168.0.1 \t", 0, "192.168.0.1", 161},
        {"port", "127.0.0.1:16161", 0, "127.0.0.1", 16161},
        {"spaces around the colon", " 127.0.0.1 :  16161 ", 0, "127.0.0.1", 16161},
        {"port 0", "127.0.0.1:0", 0, "127.0.0.1", 161},
        {"empty port", "127.0.0.1:", 0, "127.0.0.1", 161},
        {"negative port", "127.0.0.1:-5", 0, "127.0.0.1", 161},
        {"port past the last", "127.0.0.1:65536", 0, "127.0.0.1", 161},
        {"port of many digits", "127.0.0.1:4294967457", 0, "127.0.0.1", 161},
        {"last port", "127.0.0.1:65535", 0, "127.0.0.1", 65535},
        {"digits then letters", "127.0.0.1:80abc", 0, "127.0.0.1", 80},
        {"host name", "localhost", 0, "127.0.0.1", 161},
        {"host name and port", "localhost:1161", 0, "127.0.0.1", 1161},
        {"service name", "localhost:http", 0, "127.0.0.1", 80},
        {"service snmp", "127.0.0.1:snmp", 0, "127.0.0.1", 161},
        {"service domain", "127.0.0.1 : domain", 0, "127.0.0.1", 53},
        {"unknown service", "127.0.0.1:nosuchservice", 0, "127.0.0.1", 161},
        {"empty text", "", -18, "10.1.2.3", 999},
        {"only spaces", "   ", -18, "10.1.2.3", 999},
        {"spaces past the work area", std::string(1023, ' ') + "127.0.0.1", -18, "10.1.2.3", 999},
        {"unknown name", "nosuchhost.invalid", -3, "10.1.2.3", 999},
        {"unknown name and port", "nosuchhost.invalid:1161", -3, "10.1.2.3", 999},
        {"no host before the colon", ":161", -3, "10.1.2.3", 999},
        // IPv6: in brackets when a port follows, bare when none does.
        {"bracketed", "[::1]", 0, "::1", 161},
        {"bracketed with a port", "[::1]:16161", 0, "::1", 16161},
        {"spaces in and around the brackets", " [ ::1 ] :  16161 ", 0, "::1", 16161},
        {"bracketed with a service", "[2001:db8::1]:snmp", 0, "2001:db8::1", 161},
        {"bracketed with an empty port", "[2001:db8::1]:", 0, "2001:db8::1", 161},
        {"bare", "::1", 0, "::1", 161},
        {"bare keeps every colon", "2001:db8::1:1161", 0, "2001:db8::1:1161", 161},
        {"with a zone", "[fe80::1%lo]:1161", 0, "fe80::1", 1161},
        {"IPv4 in brackets", "[127.0.0.1]:1161", 0, "127.0.0.1", 1161},
        {"no closing bracket", "[::1:161", -3, "10.1.2.3", 999},
        {"text after the bracket", "[::1]161", -3, "10.1.2.3", 999},
        {"a name in brackets", "[localhost]:161", -3, "10.1.2.3", 999},
        {"empty brackets", "[]:161", -3, "10.1.2.3", 999},
    };
    for (const Case& c : cases) {
        TSnmpConnection link("", "");
        ASSERT_EQ(link.Resolve("10.1.2.3:999", 161), 0);
        EXPECT_EQ(link.Resolve(c.text, 161), c.result) << c.name;
        EXPECT_EQ(AddressText(link.address), c.address) << c.name;
        EXPECT_EQ(link.port, c.port) << c.name;
        EXPECT_TRUE(link.hasAddress) << c.name;
    }
}

TEST(Resolve, OpenWithoutAnAddressKeepsNone) {
    const struct {
        const char* text;
        int opened;  // what Open returns
        int result;  // what resolving came to
    } cases[] = {
        {"", TSnmpConnection::kResolveEmpty, TSnmpConnection::kResolveEmpty},
        {"  ", TSnmpConnection::kResolveEmpty, TSnmpConnection::kResolveEmpty},
        {"[::1", TSnmpConnection::kResolveNotFound, TSnmpConnection::kResolveNotFound},
        {"nosuchhost.invalid", TSnmpConnection::kResolvePending, TSnmpConnection::kResolveNotFound},
        {"nosuchhost.invalid:16161", TSnmpConnection::kResolvePending,
         TSnmpConnection::kResolveNotFound},
    };
    for (const auto& c : cases) {
        TSnmpConnection link(c.text, "kelpie");
        EXPECT_EQ(link.Open(), c.opened) << c.text;
        ASSERT_TRUE(nettest::WaitForLookup(link)) << c.text;
        EXPECT_EQ(link.lastResolve, c.result) << c.text;
        EXPECT_FALSE(link.hasAddress) << c.text;
        EXPECT_EQ(link.port, 161) << c.text;
    }
}

}  // namespace

// Datagrams captured on the wire between snmpget and net-snmp's snmpd
// (tests/fuzz/make-corpus --capture), replayed through the decoder, the
// reply value and simrouter's request reader: a change in any of them shows
// here, without the fuzz build.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "asn1/Asn1.h"
#include "snmp/Snmp.h"
#include "tools/simrouter/SimAgent.h"

namespace {

std::vector<std::uint8_t> Capture(const std::string& name) {
    std::ifstream file(std::string(VENTREL_CORPUS) + "/" + name + ".ber", std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::string DumpOf(const TAsn1Base& node) {
    std::string out;
    node.Dump(out, 0);
    return out;
}

// The decoded tree written back is the capture: nothing was lost or changed
// on the way in, and our encoder writes what snmpd wrote.
void ExpectSameOctetsWhenEncodedAgain(const TAsn1Base& node, const std::vector<std::uint8_t>& in,
                                      const char* name) {
    std::vector<std::uint8_t> out(in.size() + 16);
    out.resize(node.Encode(out));
    EXPECT_EQ(out, in) << name;
}

struct TResponseCase {
    const char* name;      // snmpd-response-<name>.ber
    const char* dumpTail;  // the dump from the error-status on
    bool whole;            // nothing was left out: it encodes to the capture again
    bool filed;            // the reply value takes it: one binding of two parts
    const char* valueText;
    std::int32_t value;
};

TEST(SnmpdCapture, ResponsesDecodeAndFileAsTheMonitorSeesThem) {
    const TResponseCase cases[] = {
        {"sysdescr",
         "    integer 0\n    integer 0\n    sequence\n      sequence\n"
         "        object 1.3.6.1.2.1.1.1.0\n        octetstring Ventrel test agent\n",
         true, true, "Ventrel test agent", 0},
        {"sysobjectid",
         "    integer 0\n    integer 0\n    sequence\n      sequence\n"
         "        object 1.3.6.1.2.1.1.2.0\n        object 1.3.6.1.4.1.8072.3.2.10\n",
         true, true, "", 0},
        {"sysuptime-timeticks",
         "    integer 0\n    integer 0\n    sequence\n      sequence\n"
         "        object 1.3.6.1.2.1.1.3.0\n        integer 103\n",
         true, true, "103", 103},
        {"ifdescr",
         "    integer 0\n    integer 0\n    sequence\n      sequence\n"
         "        object 1.3.6.1.2.1.2.2.1.2.1\n        octetstring lo\n",
         true, true, "lo", 0},
        {"ifspeed-gauge",
         "    integer 0\n    integer 0\n    sequence\n      sequence\n"
         "        object 1.3.6.1.2.1.2.2.1.5.1\n        integer 10000000\n",
         true, true, "10000000", 10000000},
        {"ifinucastpkts-counter",
         "    integer 0\n    integer 0\n    sequence\n      sequence\n"
         "        object 1.3.6.1.2.1.2.2.1.11.1\n        integer 0\n",
         true, true, "0", 0},
        {"ifphysaddress-empty",
         "    integer 0\n    integer 0\n    sequence\n      sequence\n"
         "        object 1.3.6.1.2.1.2.2.1.6.1\n        octetstring \n",
         true, true, "", 0},
        {"snmpinpkts-counter",
         "    integer 0\n    integer 0\n    sequence\n      sequence\n"
         "        object 1.3.6.1.2.1.11.1.0\n        integer 8\n",
         true, true, "8", 8},
        // The router lacks the object: noSuchName at index 1, the NULL sent
        // back. An error is no value: nothing is answered.
        {"cpu-nosuchname",
         "    integer 2\n    integer 1\n    sequence\n      sequence\n"
         "        object 1.3.6.1.4.1.9.9.109.1.1.1.1.6.1\n        null\n",
         true, false, "", 0},
        // An IpAddress is no type of ours: it is left out, and a binding
        // without its value is filed as nothing.
        {"ipaddress",
         "    integer 0\n    integer 0\n    sequence\n      sequence\n"
         "        object 1.3.6.1.2.1.4.20.1.1.127.0.0.1\n",
         false, false, "", 0},
        {"three-bindings",
         "    integer 0\n    integer 0\n    sequence\n"
         "      sequence\n        object 1.3.6.1.2.1.1.5.0\n        octetstring lab-router\n"
         "      sequence\n        object 1.3.6.1.2.1.1.3.0\n        integer 113\n"
         "      sequence\n        object 1.3.6.1.2.1.2.1.0\n        integer 1\n",
         true, false, "", 0},
    };
    for (const TResponseCase& c : cases) {
        const std::vector<std::uint8_t> octets = Capture(std::string("snmpd-response-") + c.name);
        ASSERT_FALSE(octets.empty()) << c.name << ": no capture";
        TAsn1Decoded decoded = Gulp(octets);
        ASSERT_TRUE(decoded.node) << c.name;
        EXPECT_TRUE(decoded.fault.ok()) << c.name;
        EXPECT_EQ(decoded.consumed, octets.size()) << c.name;
        const std::string dump = DumpOf(*decoded.node);
        EXPECT_TRUE(dump.starts_with("sequence\n  integer 0\n  octetstring public\n  implicit 2\n"))
            << c.name << ":\n"
            << dump;
        EXPECT_TRUE(dump.ends_with(c.dumpTail)) << c.name << ":\n" << dump;
        if (c.whole) ExpectSameOctetsWhenEncodedAgain(*decoded.node, octets, c.name);

        TSnmpValue reply;
        reply.SetFromReply(std::move(decoded.node));
        EXPECT_EQ(reply.answered, c.filed) << c.name;
        EXPECT_EQ(reply.valueText, c.valueText) << c.name;
        EXPECT_EQ(reply.value, c.value) << c.name;
    }
}

struct TRequestCase {
    const char* name;  // snmpd-request-<name>.ber, as snmpget sent it
    std::vector<std::string> oids;
};

TEST(SnmpdCapture, SnmpgetsRequestsReadAsSimrouterReadsThem) {
    const TRequestCase cases[] = {
        {"sysdescr", {"1.3.6.1.2.1.1.1.0"}},
        {"sysobjectid", {"1.3.6.1.2.1.1.2.0"}},
        {"sysuptime-timeticks", {"1.3.6.1.2.1.1.3.0"}},
        {"ifdescr", {"1.3.6.1.2.1.2.2.1.2.1"}},
        {"ifspeed-gauge", {"1.3.6.1.2.1.2.2.1.5.1"}},
        {"ifinucastpkts-counter", {"1.3.6.1.2.1.2.2.1.11.1"}},
        {"ifphysaddress-empty", {"1.3.6.1.2.1.2.2.1.6.1"}},
        {"snmpinpkts-counter", {"1.3.6.1.2.1.11.1.0"}},
        {"cpu-nosuchname", {"1.3.6.1.4.1.9.9.109.1.1.1.1.6.1"}},
        {"ipaddress", {"1.3.6.1.2.1.4.20.1.1.127.0.0.1"}},
        {"three-bindings", {"1.3.6.1.2.1.1.5.0", "1.3.6.1.2.1.1.3.0", "1.3.6.1.2.1.2.1.0"}},
    };
    for (const TRequestCase& c : cases) {
        const std::vector<std::uint8_t> octets = Capture(std::string("snmpd-request-") + c.name);
        ASSERT_FALSE(octets.empty()) << c.name << ": no capture";
        TAsn1Decoded decoded = Gulp(octets);
        ASSERT_TRUE(decoded.node) << c.name;
        EXPECT_EQ(decoded.consumed, octets.size()) << c.name;
        ExpectSameOctetsWhenEncodedAgain(*decoded.node, octets, c.name);
        TSimRequest request;
        ASSERT_TRUE(ReadSimRequest(decoded.node.get(), request)) << c.name;
        EXPECT_EQ(request.version, 0) << c.name;
        EXPECT_EQ(request.community, "public") << c.name;
        EXPECT_EQ(request.pduTag, 0) << c.name << ": a GetRequest";
        EXPECT_EQ(request.oids, c.oids) << c.name;
    }
}

}  // namespace

// The link against a real agent: Debian's snmpd on the namespace's loopback,
// with the router's private objects put in by "override" lines.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "router/Oids.h"
#include "snmp/Snmp.h"
#include "tests/support/Child.h"
#include "tests/support/NetHelpers.h"

using namespace std::chrono_literals;
using namespace nettest;

namespace {

constexpr const char* kSnmpd = "/usr/sbin/snmpd";
constexpr const char* kAgent = "127.0.0.1:16170";

class RealAgent : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(kSnmpd)) GTEST_SKIP() << "snmpd is missing: run scripts/deps";
        char pattern[] = "/tmp/ventrel-snmpd-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
        std::filesystem::path conf = dir_ / "snmpd.conf";
        std::ofstream(conf) << "agentaddress udp:" << kAgent << "\n"
                            << "rocommunity kelpie\n"
                            // Gauges are "uinteger" to snmpd.
                            << "override " << mib::kCpu << " uinteger 23\n"
                            << "override " << mib::Cell(mib::kPoolName, 1)
                            << " octet_str Processor\n"
                            << "override " << mib::Cell(mib::kPoolUsed, 1) << " uinteger 1500000\n"
                            << "override " << mib::Cell(mib::kPoolFree, 1) << " uinteger 3500000\n";
        // A private persistent folder and no default configuration: the
        // agent touches nothing of the system's.
        ASSERT_TRUE(agent_.Start({kSnmpd, "-f", "-Lo", "-C", "-c", conf.string()},
                                 {"SNMP_PERSISTENT_DIR=" + (dir_ / "persist").string(), "MIBS="}));
        ASSERT_TRUE(agent_.WaitFor(
            [](const std::string& l) { return l.find("NET-SNMP version") != std::string::npos; },
            10s))
            << "snmpd did not start";
    }

    void TearDown() override {
        agent_.Stop();
        if (!dir_.empty()) std::filesystem::remove_all(dir_);
    }

    // Asks until the agent answers: it may still be settling after start.
    std::unique_ptr<TSnmpValue> Ask(TSnmpConnection& link, const std::string& oid) {
        for (int attempt = 0; attempt < 10; ++attempt) {
            link.SendGet(oid);
            if (std::unique_ptr<TSnmpValue> value = WaitForValue(link, 500ms)) return value;
        }
        return nullptr;
    }

    std::filesystem::path dir_;
    TChild agent_;
};

TEST_F(RealAgent, AnswersTheMonitorsQuestions) {
    TSnmpConnection link(kAgent, "kelpie");
    ASSERT_EQ(link.Open(), 0);

    struct Case {
        const char* name;
        std::string oid;
        std::uint8_t type;
        const char* text;  // nullptr: any
        std::int32_t number;
    };
    const Case cases[] = {
        {"overridden CPU", mib::kCpu, kTagGauge, "23", 23},
        {"pool name", mib::Cell(mib::kPoolName, 1), kTagOctetString, "Processor", 0},
        {"pool used", mib::Cell(mib::kPoolUsed, 1), kTagGauge, "1500000", 1500000},
        {"ifDescr of the loopback", mib::Cell(mib::kIfDescr, 1), kTagOctetString, "lo", 0},
        {"sysDescr", mib::kSysDescr, kTagOctetString, nullptr, 0},
        {"ifInUcastPkts", mib::Cell(mib::kIfInUcast, 1), kTagCounter, nullptr, 0},
    };
    for (const Case& c : cases) {
        std::unique_ptr<TSnmpValue> value = Ask(link, c.oid);
        ASSERT_TRUE(value) << c.name;
        EXPECT_EQ(value->oid, c.oid) << c.name;
        EXPECT_TRUE(value->answered) << c.name;
        EXPECT_EQ(ErrorStatusOf(*value), 0) << c.name;
        const TAsn1Base* node = BindingValueOf(*value);
        ASSERT_TRUE(node) << c.name;
        if (auto* number = dynamic_cast<const TAsn1Integer*>(node)) {
            EXPECT_EQ(number->identifier, c.type) << c.name;
            EXPECT_EQ(value->valueText, std::to_string(value->value)) << c.name;
        } else {
            EXPECT_EQ(c.type, kTagOctetString) << c.name << ": " << node->kindName;
        }
        if (c.text != nullptr) {
            EXPECT_EQ(value->valueText, c.text) << c.name;
            EXPECT_EQ(value->value, c.number) << c.name;
        }
    }
}

TEST_F(RealAgent, SysDescrIsText) {
    TSnmpConnection link(kAgent, "kelpie");
    link.Open();
    std::unique_ptr<TSnmpValue> value = Ask(link, mib::kSysDescr);
    ASSERT_TRUE(value);
    EXPECT_STREQ(BindingValueOf(*value)->kindName, "octetstring");
    EXPECT_EQ(value->valueText.rfind("Linux", 0), 0u) << value->valueText;
    EXPECT_EQ(value->value, 0);
}

TEST_F(RealAgent, InstanceZeroIsNoSuchName) {
    TSnmpConnection link(kAgent, "kelpie");
    link.Open();
    std::unique_ptr<TSnmpValue> value = Ask(link, mib::Cell(mib::kIfDescr, 0));
    ASSERT_TRUE(value);
    EXPECT_EQ(ErrorStatusOf(*value), kNoSuchName);
    EXPECT_EQ(value->errorStatus, kNoSuchName);
    EXPECT_FALSE(value->answered) << "an error answers nothing";
    EXPECT_EQ(value->valueText, "");
}

}  // namespace

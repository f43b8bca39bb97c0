// The UDP link against simrouter on the namespace's loopback.
#include <gtest/gtest.h>

#include <set>
#include <thread>
#include <vector>

#include "router/Oids.h"
#include "snmp/Snmp.h"
#include "snmp/Udpsocket.h"
#include "tests/support/Child.h"
#include "tests/support/Hex.h"
#include "tests/support/NetHelpers.h"

using namespace std::chrono_literals;
using namespace nettest;

namespace {

constexpr const char* kRouter = "127.0.0.1:16161";

bool Contains(const std::string& line, const std::string& part) {
    return line.find(part) != std::string::npos;
}

class SimRouterLink : public ::testing::Test {
protected:
    void StartRouter(std::vector<std::string> extra = {}) {
        std::vector<std::string> argv = {SIMROUTER_PATH, "--seconds", "30",     "--log",
                                         "--seed",       "1",         "--port", "16161"};
        argv.insert(argv.end(), extra.begin(), extra.end());
        ASSERT_TRUE(router_.Start(argv));
        ASSERT_TRUE(
            router_.WaitFor([](const std::string& l) { return Contains(l, "listening on"); }, 5s))
            << "simrouter did not start";
    }

    // simrouter's log line for request `id`. It is printed after the reply
    // was sent, so the reply is waiting by then.
    std::optional<std::string> WaitForRequest(std::int64_t id) {
        std::string tag = " id=" + std::to_string(id) + " ";
        return router_.WaitFor([&](const std::string& l) { return Contains(l, tag); }, 5s);
    }

    // Asks `link` for the CPU load and waits for the answer: the request-id
    // it carries, or -1 when no CPU value came.
    static std::int64_t AskCpu(TSnmpConnection& link) {
        link.SendGet(mib::kCpu);
        std::unique_ptr<TSnmpValue> value = WaitForValue(link);
        return value && value->oid == mib::kCpu ? RequestIdOf(*value) : -1;
    }

    TChild router_;
};

TEST_F(SimRouterLink, AsksAndReadsTheAnswer) {
    StartRouter();
    TSnmpConnection link(kRouter, "kelpie");
    EXPECT_EQ(link.Open(), 0);
    std::unique_ptr<TSnmpValue> none;
    EXPECT_EQ(link.Poll(none), 0);

    struct Case {
        std::string oid;
        std::string text;  // empty: a number is expected
    };
    const Case cases[] = {
        {mib::kCpu, ""},
        {mib::Cell(mib::kPoolName, 1), "Processor"},
        {mib::Cell(mib::kPoolName, 2), "I/O"},
        {mib::Cell(mib::kIfDescr, 1), "FastEthernet0/0"},
        {mib::Cell(mib::kIfDescr, 5), "GigabitEthernet0/0"},
    };
    for (const Case& c : cases) {
        link.SendGet(c.oid);
        std::unique_ptr<TSnmpValue> value = WaitForValue(link);
        ASSERT_TRUE(value) << c.oid;
        EXPECT_EQ(value->oid, c.oid);
        EXPECT_TRUE(value->answered);
        if (!c.text.empty()) {
            EXPECT_EQ(value->valueText, c.text);
        }
    }

    // The monitor asks for instance 0, which the router does not have: the
    // answer is noSuchName with the NULL echoed, which answers nothing.
    link.SendGet(mib::Cell(mib::kIfDescr, 0));
    std::unique_ptr<TSnmpValue> missing = WaitForValue(link);
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->oid, mib::Cell(mib::kIfDescr, 0));
    EXPECT_EQ(missing->errorStatus, kNoSuchName);
    EXPECT_FALSE(missing->answered);
}

TEST_F(SimRouterLink, RequestIdsRunOnAcrossSetHost) {
    StartRouter();
    TSnmpConnection link(kRouter, "kelpie");
    link.Open();
    const std::int64_t first = link.nextRequestId;
    std::vector<std::int64_t> ids;
    for (int i = 0; i < 3; ++i) ids.push_back(AskCpu(link));
    link.SetHost("127.0.0.1 : 16161");  // another text for the same router
    ids.push_back(AskCpu(link));
    EXPECT_EQ(ids, (std::vector<std::int64_t>{first, first + 1, first + 2, first + 3}));
    // And the router saw them in that order.
    for (std::int64_t id : ids) EXPECT_TRUE(WaitForRequest(id)) << id;
}

// A stranger who sees none of the traffic must not be able to guess the ids
// in use: each link starts at its own number from the system's random source.
TEST(SnmpRequestIds, EachLinkStartsWhereNobodyCanGuess) {
    std::set<std::int32_t> starts;
    for (int i = 0; i < 8; ++i) {
        TSnmpConnection link("127.0.0.1:16161", "kelpie");
        EXPECT_GE(link.nextRequestId, 0) << "ids stay positive";
        starts.insert(link.nextRequestId);
    }
    EXPECT_GE(starts.size(), 7u) << "eight links, eight starts (a repeat in 2^31 is rare)";
}

TEST_F(SimRouterLink, SetHostReopensOnlyWhenTheTextChanged) {
    StartRouter();
    TSnmpConnection link(kRouter, "kelpie");
    link.Open();
    const std::int64_t first = link.nextRequestId;
    link.SendGet(mib::kCpu);
    ASSERT_TRUE(WaitForRequest(first));
    link.SetHost(kRouter);  // same text: the waiting reply stays
    std::unique_ptr<TSnmpValue> kept = WaitForValue(link, 500ms);
    ASSERT_TRUE(kept);
    EXPECT_EQ(RequestIdOf(*kept), first);

    link.SendGet(mib::kCpu);
    ASSERT_TRUE(WaitForRequest(first + 1));
    link.SetHost("127.0.0.1:16161 ");  // changed: a new socket, the old reply gone
    std::unique_ptr<TSnmpValue> gone;
    EXPECT_EQ(link.Poll(gone), 0);
    link.SendGet(mib::kCpu);
    std::unique_ptr<TSnmpValue> fresh = WaitForValue(link);
    ASSERT_TRUE(fresh);
    EXPECT_EQ(RequestIdOf(*fresh), first + 2);
}

TEST_F(SimRouterLink, PollDrainsEveryWaitingDatagramThenReturnsZero) {
    StartRouter();
    TSnmpConnection link(kRouter, "kelpie");
    link.Open();
    const std::int64_t id = link.nextRequestId;
    link.SendGet(mib::kCpu);
    link.SendGet(mib::Cell(mib::kPoolUsed, 1));
    ASSERT_TRUE(WaitForRequest(id));
    ASSERT_TRUE(WaitForRequest(id + 1));
    std::unique_ptr<TSnmpValue> first;
    std::unique_ptr<TSnmpValue> second;
    std::unique_ptr<TSnmpValue> third;
    EXPECT_EQ(link.Poll(first), 1);
    EXPECT_EQ(link.Poll(second), 1);
    EXPECT_EQ(link.Poll(third), 0);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->oid, mib::kCpu);
    EXPECT_EQ(second->oid, mib::Cell(mib::kPoolUsed, 1));
    EXPECT_FALSE(third);
}

TEST_F(SimRouterLink, WorksWhenTheLocalPortIsTaken) {
    StartRouter();
    TSocketHandle holder = UdpOpen();
    ASSERT_TRUE(UdpBind(holder, TUdpAddress{}, TSnmpConnection::kLocalPort));

    TSnmpConnection link(kRouter, "kelpie");
    link.Open();
    link.SendGet(mib::kCpu);
    std::unique_ptr<TSnmpValue> value = WaitForValue(link);
    ASSERT_TRUE(value);
    EXPECT_EQ(value->oid, mib::kCpu);
    std::uint16_t local = UdpLocalPort(link.socket);
    EXPECT_NE(local, TSnmpConnection::kLocalPort);
    EXPECT_NE(local, 0);
    EXPECT_FALSE(UdpReadable(holder, 0)) << "the reply went to the other socket";
    UdpClose(holder);
}

TEST_F(SimRouterLink, BindsTheFixedLocalPort) {
    StartRouter();
    TSnmpConnection link(kRouter, "kelpie");
    link.Open();
    EXPECT_EQ(UdpLocalPort(link.socket), TSnmpConnection::kLocalPort);
    link.SendGet(mib::kCpu);
    std::optional<std::string> line = WaitForRequest(link.nextRequestId - 1);
    ASSERT_TRUE(line);
    EXPECT_TRUE(Contains(*line, "from=127.0.0.1:65535 ")) << *line;
}

// Neither a helper nor a browser opened for the manual may keep the port
// bound after the monitor let go of it: the socket is not inherited.
TEST_F(SimRouterLink, AProcessStartedMeanwhileDoesNotHoldTheLocalPort) {
    auto link = std::make_unique<TSnmpConnection>(kRouter, "kelpie");
    link->Open();
    ASSERT_EQ(UdpLocalPort(link->socket), TSnmpConnection::kLocalPort);
    StartRouter();
    link.reset();
    TSnmpConnection again(kRouter, "kelpie");
    again.Open();
    EXPECT_EQ(UdpLocalPort(again.socket), TSnmpConnection::kLocalPort);
}

TEST_F(SimRouterLink, UnresolvableHostSendsNothingAndAKnownOneIsKept) {
    StartRouter();
    TSnmpConnection link("nosuchhost.invalid:16161", "kelpie");
    EXPECT_EQ(link.Open(), TSnmpConnection::kResolvePending);
    ASSERT_TRUE(WaitForLookup(link));
    EXPECT_EQ(link.lastResolve, TSnmpConnection::kResolveNotFound);
    EXPECT_FALSE(link.hasAddress);
    long before = UdpOutDatagrams();
    ASSERT_GE(before, 0);
    const std::int64_t first = link.nextRequestId;
    for (int i = 0; i < 3; ++i) link.SendGet(mib::kCpu);
    EXPECT_EQ(UdpOutDatagrams(), before);
    EXPECT_EQ(link.nextRequestId, first);

    link.SetHost(kRouter);
    EXPECT_EQ(AskCpu(link), first);

    // A name that no longer resolves leaves the last good router in place.
    link.SetHost("nosuchhost.invalid");
    ASSERT_TRUE(WaitForLookup(link));
    EXPECT_EQ(link.lastResolve, TSnmpConnection::kResolveNotFound);
    EXPECT_EQ(AskCpu(link), first + 1);
}

TEST_F(SimRouterLink, AsksOverIpv6FromTheSameLocalPort) {
    StartRouter({"--bind", "::1"});
    std::int64_t sent = 0;
    for (const char* text : {"[::1]:16161", "[ ::1 ]: 16161"}) {
        TSnmpConnection link(text, "kelpie");
        ASSERT_EQ(link.Open(), 0) << text;
        sent = link.nextRequestId;
        link.SendGet(mib::kCpu);
        std::unique_ptr<TSnmpValue> value = WaitForValue(link);
        ASSERT_TRUE(value) << text;
        EXPECT_EQ(value->oid, mib::kCpu);
        EXPECT_TRUE(value->answered);
    }
    std::optional<std::string> line = WaitForRequest(sent);
    ASSERT_TRUE(line);
    EXPECT_TRUE(Contains(*line, "from=[::1]:65535 ")) << *line;
}

TEST_F(SimRouterLink, HearsRepliesFromAnotherAddress) {
    StartRouter({"--reply-from", "127.0.0.2"});
    TSnmpConnection link(kRouter, "kelpie");
    link.Open();
    link.SendGet(mib::kCpu);
    std::unique_ptr<TSnmpValue> value = WaitForValue(link);
    ASSERT_TRUE(value);
    EXPECT_EQ(value->oid, mib::kCpu);
    EXPECT_TRUE(value->answered);
}

TEST_F(SimRouterLink, DropsADatagramTooLargeForTheBuffer) {
    StartRouter();
    TSnmpConnection link(kRouter, "kelpie");
    link.Open();
    TSocketHandle stranger = UdpOpen();
    const TUdpPeer monitor{Loopback(), TSnmpConnection::kLocalPort};
    std::vector<std::uint8_t> oversized(TSnmpConnection::kBufferSize + 1, 0x30);
    std::vector<std::uint8_t> fitting(TSnmpConnection::kBufferSize, 0x30);
    ASSERT_TRUE(UdpSendTo(stranger, monitor, oversized));
    ASSERT_TRUE(UdpSendTo(stranger, monitor, fitting));
    link.SendGet(mib::kCpu);
    ASSERT_TRUE(WaitForRequest(link.nextRequestId - 1));

    // Neither the 4097 octets (cut by the buffer) nor the 4096 that fit are
    // an answer: each gives an empty value. Then the router's answer.
    std::unique_ptr<TSnmpValue> values[4];
    for (auto& v : values) EXPECT_EQ(link.Poll(v), &v == &values[3] ? 0 : 1);
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(values[i]);
        EXPECT_EQ(values[i]->oid, "") << i;
        EXPECT_FALSE(values[i]->answered) << i;
    }
    ASSERT_TRUE(values[2]);
    EXPECT_EQ(values[2]->oid, mib::kCpu);
    UdpClose(stranger);
}

TEST_F(SimRouterLink, WrongCommunityIsNotAnsweredUntilItIsSet) {
    StartRouter();
    TSnmpConnection link(kRouter, "public");
    link.Open();
    const std::int64_t first = link.nextRequestId;
    link.SendGet(mib::kCpu);
    std::optional<std::string> line = WaitForRequest(first);
    ASSERT_TRUE(line);
    EXPECT_TRUE(Contains(*line, "ignored=wrong-community")) << *line;
    std::unique_ptr<TSnmpValue> none;
    EXPECT_EQ(link.Poll(none), 0);

    link.SetCommunity("kelpie");
    EXPECT_EQ(AskCpu(link), first + 1);
}

TEST_F(SimRouterLink, LosesAShareOfTheReplies) {
    StartRouter({"--loss", "50"});
    TSnmpConnection link(kRouter, "kelpie");
    link.Open();
    int lost = 0;
    int sent = 0;
    for (int i = 0; i < 40; ++i) {
        link.SendGet(mib::kCpu);
        const std::int64_t id = link.nextRequestId - 1;
        std::optional<std::string> line = WaitForRequest(id);
        ASSERT_TRUE(line) << id;
        lost += Contains(*line, "reply=lost") ? 1 : 0;
        sent += Contains(*line, "reply=sent") ? 1 : 0;
    }
    EXPECT_EQ(lost + sent, 40);
    EXPECT_GT(lost, 5);
    EXPECT_GT(sent, 5);
    int received = 0;
    std::unique_ptr<TSnmpValue> value;
    while (link.Poll(value) == 1) ++received;
    EXPECT_EQ(received, sent);
}

TEST_F(SimRouterLink, DelaysRepliesWhenAsked) {
    StartRouter({"--delay", "400"});
    TSnmpConnection link(kRouter, "kelpie");
    link.Open();
    const std::int64_t first = link.nextRequestId;
    link.SendGet(mib::kCpu);
    std::optional<std::string> line = WaitForRequest(first);
    ASSERT_TRUE(line);
    EXPECT_TRUE(Contains(*line, "reply=delayed")) << *line;
    std::unique_ptr<TSnmpValue> early;
    EXPECT_EQ(link.Poll(early), 0);
    std::unique_ptr<TSnmpValue> late = WaitForValue(link, 5s);
    ASSERT_TRUE(late);
    EXPECT_EQ(RequestIdOf(*late), first);
}

TEST_F(SimRouterLink, StopsByItselfAfterItsSeconds) {
    TChild router;
    ASSERT_TRUE(router.Start({SIMROUTER_PATH, "--seconds", "1", "--port", "16161"}));
    EXPECT_EQ(router.Wait(4s), 0);
}

TEST_F(SimRouterLink, FilesOnlyGetResponsesToItsOwnRecentRequests) {
    StartRouter();
    TSnmpConnection link(kRouter, "kelpie");
    auto now = TSnmpClock::now();
    link.Clock = [&] { return now; };
    link.Open();
    const std::int64_t first = link.nextRequestId;
    link.SendGet(mib::kCpu);
    ASSERT_TRUE(WaitForRequest(first));
    now += TRecentRequests::kReplyWindow + std::chrono::milliseconds(1);
    std::unique_ptr<TSnmpValue> late = WaitForValue(link);
    ASSERT_TRUE(late) << "the reply was read";
    EXPECT_EQ(late->oid, "") << "an answer more than ten seconds old is not filed";

    EXPECT_EQ(AskCpu(link), first + 1);
}

// Aimed at its own port, the link hears its own GetRequests: never filed.
TEST(SnmpWire, ItsOwnRequestsLoopedBackAreNotFiled) {
    TSnmpConnection link("127.0.0.1:65535", "kelpie");
    link.Open();
    ASSERT_EQ(UdpLocalPort(link.socket), TSnmpConnection::kLocalPort);
    link.SendGet(mib::Cell(mib::kIfDescr, 1));
    std::unique_ptr<TSnmpValue> echo = WaitForValue(link);
    ASSERT_TRUE(echo) << "the request came back";
    EXPECT_EQ(echo->oid, "");
    EXPECT_FALSE(echo->answered);
}

// What goes on the wire, caught by a socket of our own.
TEST(SnmpWire, GetRequestOctets) {
    TSocketHandle catcher = UdpOpen();
    ASSERT_TRUE(UdpBind(catcher, Loopback(), 16200));
    TSnmpConnection link("127.0.0.1:16200", "");
    link.Open();
    link.nextRequestId = 0;  // the octets below carry request-id 0
    std::array<std::uint8_t, 256> got{};
    TUdpPeer from;

    link.SendGet(mib::kCpu);
    ASSERT_TRUE(UdpReadable(catcher, 2000));
    std::ptrdiff_t n = UdpReceive(catcher, got, from);
    ASSERT_GT(n, 0);
    EXPECT_EQ(ToHex(std::span(got).first(static_cast<std::size_t>(n))),
              "30 26 02 01 00 04 00 A0 1F 02 01 00 02 01 00 02 01 00 30 14 30 12 06 0E 2B 06 01 04 "
              "01 09 09 6D 01 01 01 01 06 01 05 00");
    EXPECT_EQ(from.port, TSnmpConnection::kLocalPort);

    // A 200-character community needs the two-octet length form.
    link.SetCommunity(std::string(200, 'c'));
    link.SendGet(mib::Cell(mib::kIfDescr, 0));
    ASSERT_TRUE(UdpReadable(catcher, 2000));
    n = UdpReceive(catcher, got, from);
    ASSERT_GT(n, 0);
    TAsn1Decoded decoded = Gulp(std::span(got).first(static_cast<std::size_t>(n)));
    ASSERT_TRUE(decoded.fault.ok());
    EXPECT_EQ(static_cast<std::size_t>(n), decoded.consumed);
    EXPECT_EQ(got[1], 0x81);
    auto* message = dynamic_cast<TAsn1Sequence*>(decoded.node.get());
    ASSERT_TRUE(message);
    auto* community = dynamic_cast<TAsn1OctetString*>(message->Child(1));
    ASSERT_TRUE(community);
    EXPECT_EQ(community->data, std::string(200, 'c'));
    auto* pdu = dynamic_cast<TAsn1Sequence*>(message->Child(2));
    ASSERT_TRUE(pdu);
    EXPECT_EQ(dynamic_cast<TAsn1Integer&>(*pdu->Child(0)).value, 1);
    UdpClose(catcher);
}

}  // namespace

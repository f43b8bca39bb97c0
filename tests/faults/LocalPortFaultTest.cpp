// The fixed local port 65535: flooded with garbage, or already taken by a
// second copy of the program.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <iostream>
#include <thread>

#include "router/Oids.h"
#include "router/Routerconf.h"
#include "snmp/Snmp.h"
#include "snmp/Udpsocket.h"
#include "tests/support/GarbageFlood.h"
#include "tests/support/NetHelpers.h"
#include "tests/support/WindowRig.h"
#include "widgets/Gaugebar.h"

namespace faults {
namespace {

using namespace std::chrono_literals;

// True when the CPU value was filed in the tick just run.
bool MatchedNow(const TWindowRig& rig) {
    return Config->cpu->sampleCount > 0 && Config->cpu->samples[0].time == rig.now;
}

TEST(LocalPortFaults, AFloodOfGarbageDoesNotStopThePolling) {
    TSimRouterProcess sim;
    ASSERT_TRUE(sim.Start({"--seed", "9"}));
    TWindowRig rig;
    rig.WriteSettings(SimSettings(6));
    rig.Open();
    rig.Tick(&sim);
    ASSERT_TRUE(MatchedNow(rig));

    // 100,000 datagrams over three seconds; ticks at the program's pace, and
    // every tick's requests must reach the router (Tick waits for its log).
    const long arrivedBefore =
        nettest::UdpStatistic("InDatagrams") + nettest::UdpStatistic("RcvbufErrors");
    TGarbageFlood flood(TSnmpConnection::kLocalPort, 100'000, 3s, 8s);
    int ticksDuring = 0;
    int matchedDuring = 0;
    auto next = std::chrono::steady_clock::now();
    while (flood.running()) {
        next += 1s;
        std::this_thread::sleep_until(next);
        ++rig.now;
        EXPECT_GT(rig.Tick(&sim), 0);
        ++ticksDuring;
        matchedDuring += MatchedNow(rig) ? 1 : 0;
    }
    flood.Join();
    EXPECT_EQ(flood.sent(), 100'000);
    // Every one of them reached the port (read, or dropped at its full queue).
    const long arrived = nettest::UdpStatistic("InDatagrams") +
                         nettest::UdpStatistic("RcvbufErrors") - arrivedBefore;
    EXPECT_GE(arrived, 100'000);
    EXPECT_GE(ticksDuring, 2);

    // Once the garbage that got into the queue is read, replies are filed again.
    bool matchedAfter = false;
    int ticksAfter = 0;
    while (ticksAfter < 4 && !matchedAfter) {
        ++rig.now;
        rig.Tick(&sim);
        ++ticksAfter;
        matchedAfter = MatchedNow(rig);
    }
    EXPECT_TRUE(matchedAfter) << "no reply filed after the flood";
    std::cout << "flood: " << ticksDuring << " ticks, " << matchedDuring
              << " of them with a reply filed; " << nettest::UdpStatistic("RcvbufErrors")
              << " datagrams dropped at a full queue; a reply filed " << ticksAfter
              << " tick(s) after it\n";
}

TEST(LocalPortFaults, ASecondCopyGetsItsRepliesAndShowsGauges) {
    TSimRouterProcess sim;
    ASSERT_TRUE(sim.Start({"--seed", "4"}));

    // The first copy: the real program, holding the port.
    QTemporaryDir firstHome;
    ASSERT_TRUE(firstHome.isValid());
    QDir(firstHome.path()).mkpath("Quillot");
    QFile file(firstHome.path() + "/Quillot/ventrel.conf");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(("[General]\n" + SimSettings(6)).toUtf8());
    file.close();
    TChild first;
    ASSERT_TRUE(first.Start({VENTREL_PATH}, {"QT_QPA_PLATFORM=offscreen",
                                             "XDG_CONFIG_HOME=" + firstHome.path().toStdString()}));
    const std::string firstSender = "127.0.0.1:65535";
    ASSERT_TRUE(sim.child().WaitFor(
        [&](const std::string& l) { return l.starts_with("from=" + firstSender + " "); }, 10s))
        << "the first copy never asked";
    const int firstRepliesBefore = sim.CountLines("from=" + firstSender + " ");

    // The second copy: this window, whose bind of the port fails.
    TWindowRig rig;
    rig.WriteSettings(SimSettings(6));
    rig.Open();
    const auto begun = std::chrono::steady_clock::now();
    for (int k = 1; k <= 3; ++k) {
        std::this_thread::sleep_until(begun + k * 1s);
        ++rig.now;
        rig.Tick(&sim);
    }
    const std::uint16_t port = UdpLocalPort(rig.window->connection()->socket);
    EXPECT_NE(port, 0);
    EXPECT_NE(port, TSnmpConnection::kLocalPort);

    EXPECT_FALSE(rig.Waiting());
    std::optional<std::uint32_t> cpu =
        sim.LastAnswer(mib::kCpu, "127.0.0.1:" + std::to_string(port));
    ASSERT_TRUE(cpu) << "the router never answered the second copy";
    EXPECT_EQ(rig.window->ProgressBarCpu->TargetValue(), static_cast<double>(*cpu));
    EXPECT_GT(rig.window->ProgressBarPPSIn->Position(), 0);

    // The first copy went on being answered all along, and still runs.
    EXPECT_GT(sim.CountLines("from=" + firstSender + " "), firstRepliesBefore);
    EXPECT_EQ(first.Wait(0ms), -1) << "the first copy ended";
    first.Stop();
}

}  // namespace
}  // namespace faults

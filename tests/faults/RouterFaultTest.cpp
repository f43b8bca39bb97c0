// The router misbehaves: it restarts, its counters wrap, it loses replies,
// answers from another address, or goes away and comes back. Each test
// plays simrouter with the fault and says what the user sees in the window.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QScrollBar>
#include <QSettings>
#include <QTest>
#include <cstdlib>
#include <ctime>
#include <map>

#include "router/Oids.h"
#include "router/Routerconf.h"
#include "shell/Hidetask.h"
#include "snmp/Snmp.h"
#include "tests/faults/SimTwin.h"
#include "tests/support/NetHelpers.h"
#include "tests/support/RecordingDesktop.h"
#include "tests/support/WindowRig.h"
#include "widgets/Gaugebar.h"

namespace faults {
namespace {

// What the window shows after one tick.
struct TShown {
    double ppsIn = 0;
    double ppsOut = 0;
    double maxIn = 0;
    double maxOut = 0;
    QString totalIn;
    QString totalOut;
    double cpu = 0;
    double mem = 0;
};

class RouterFaults : public ::testing::Test {
protected:
    TShown Shown() const {
        TFormCiscoMon& w = *rig.window;
        return {w.ProgressBarPPSIn->Position(),  w.ProgressBarPPSOut->Position(),
                w.ProgressBarPPSIn->Maximum(),   w.ProgressBarPPSOut->Maximum(),
                w.LabelPacketsIn->text(),        w.LabelPacketsOut->text(),
                w.ProgressBarCpu->TargetValue(), w.ProgressBarMem->TargetValue()};
    }

    // The selected counters as the window last stored them.
    TCounters Stored() const {
        const TCiscoInterface& it = rig.Selected();
        auto u = [](const TSnmpValue* v) { return static_cast<std::uint32_t>(v->value); };
        return {u(it.inUcast), u(it.inNUcast), u(it.outUcast), u(it.outNUcast)};
    }

    // Tick k, paced to meet simulated second k. With a twin, the window's
    // clock reads the second the router really answered at (told by the
    // inUcast value it logged), so a late tick cannot skew a rate. Records
    // what the window shows and the stored counters.
    void SimTick(int k) {
        PaceTo(sim, k);
        rig.Request(&sim);
        int second = k;
        if (twin) {
            const TSnmpConnection& link = *rig.window->connection();
            // inUcast is the first of the four counters that end a tick.
            std::optional<std::uint32_t> value =
                sim.Answer(UdpLocalPort(link.socket), link.nextRequestId - 4);
            std::optional<int> found = value ? twin->SecondOf(*value, k - 2, k + 2) : std::nullopt;
            EXPECT_TRUE(found) << "tick " << k << " met no second of the simulation";
            second = found.value_or(k);
        }
        rig.now = kStart + second;
        rig.Poll(true);
        seconds[k] = second;
        shown[k] = Shown();
        stored[k] = Stored();
    }

    void SimTicks(int last) {
        for (int k = 1; k <= last; ++k) SimTick(k);
    }

    // A gauge's rate must be one the router really had: between the fewest
    // and the most packets it counted in one second over the simulated
    // seconds `from` to `to`, give or take one for the whole-number cut.
    void ExpectTrueRate(bool inbound, double rate, int from, int to,
                        const std::string& what) const {
        auto [low, high] = twin->Range(inbound, from, to);
        EXPECT_GE(rate, low - 1) << what << " over seconds " << from << " to " << to;
        EXPECT_LE(rate, high + 1) << what << " over seconds " << from << " to " << to;
    }

    static constexpr std::int64_t kStart = 1'000'000;
    TWindowRig rig;
    TSimRouterProcess sim;
    std::optional<TSimTwin> twin;
    std::map<int, int> seconds;  // per tick, the simulated second it met
    std::map<int, TShown> shown;
    std::map<int, TCounters> stored;
};

TEST_F(RouterFaults, AcrossACounterWrapThePacketGaugesShowTheTrueRate) {
    // A seed whose counters wrap on an interface of the list while the test
    // watches, with two samples before the wrap.
    std::optional<TFaultPlace> place = FindFault(true, 0, 3, 9, false);
    ASSERT_TRUE(place) << "no simulation wraps early enough";
    const int last = place->second + 2;
    twin.emplace(place->seed, true, 0, place->row, last + 3);

    ASSERT_TRUE(sim.Start({"--wrap-soon", "--seed", std::to_string(place->seed)}));
    rig.WriteSettings(SimSettings(place->row));
    rig.Open();
    SimTicks(last);

    bool sawWrap = false;
    auto [lowIn, highIn] = twin->Range(true, 1, last + 3);
    auto [lowOut, highOut] = twin->Range(false, 1, last + 3);
    for (int k = 2; k <= last; ++k) {
        for (std::size_t i = 0; i < 4; ++i) sawWrap = sawWrap || stored[k][i] < stored[k - 1][i];
        const std::string tick = "tick " + std::to_string(k);
        ExpectTrueRate(true, shown[k].ppsIn, seconds[1] + 1, seconds[k], "in at " + tick);
        ExpectTrueRate(false, shown[k].ppsOut, seconds[1] + 1, seconds[k], "out at " + tick);
        // No spike ever raised a maximum beyond what the router counted.
        EXPECT_LE(shown[k].maxIn, std::max(100.0, highIn + 1)) << tick;
        EXPECT_LE(shown[k].maxOut, std::max(100.0, highOut + 1)) << tick;
    }
    EXPECT_TRUE(sawWrap) << "the window never saw a counter wrap: seed " << place->seed << " row "
                         << place->row;
}

TEST_F(RouterFaults, AfterARouterRestartThePacketGaugesShowZeroThenRecoverAndKeepTheirMaximum) {
    // The hard case: a counter above 2^31 before the restart, so that read
    // as a wrap the drop to zero would look like a huge increase.
    constexpr int kRestart = 3;
    std::optional<TFaultPlace> place = FindFault(false, kRestart, kRestart, kRestart, true, 6);
    ASSERT_TRUE(place) << "no simulation with a counter above 2^31";
    const int last = kRestart + 3;
    twin.emplace(place->seed, false, kRestart, 6, last + 3);

    ASSERT_TRUE(sim.Start(
        {"--restart-after", std::to_string(kRestart), "--seed", std::to_string(place->seed)}));
    rig.WriteSettings(SimSettings(6));
    rig.Open();
    SimTicks(last);

    int restartTick = 0;
    for (int k = 2; k <= last && restartTick == 0; ++k) {
        if (stored[k][0] < stored[k - 1][0]) restartTick = k;
    }
    ASSERT_GT(restartTick, 2) << "the window never saw the counters go back";

    const int before = restartTick - 1;
    EXPECT_GT(shown[before].ppsIn, 0);
    ExpectTrueRate(true, shown[before].ppsIn, seconds[1] + 1, seconds[before], "in before");
    ExpectTrueRate(false, shown[before].ppsOut, seconds[1] + 1, seconds[before], "out before");

    // The tick that sees the restart shows 0 on both, and no maximum moved.
    EXPECT_EQ(shown[restartTick].ppsIn, 0);
    EXPECT_EQ(shown[restartTick].ppsOut, 0);
    EXPECT_EQ(shown[restartTick].maxIn, shown[before].maxIn);
    EXPECT_EQ(shown[restartTick].maxOut, shown[before].maxOut);

    // One more sample, and the gauges show the router's pace again.
    for (int k = restartTick + 1; k <= last; ++k) {
        const std::string tick = "tick " + std::to_string(k);
        EXPECT_GT(shown[k].ppsIn, 0) << tick;
        EXPECT_GT(shown[k].ppsOut, 0) << tick;
        ExpectTrueRate(true, shown[k].ppsIn, seconds[restartTick] + 1, seconds[k], "in at " + tick);
        ExpectTrueRate(false, shown[k].ppsOut, seconds[restartTick] + 1, seconds[k],
                       "out at " + tick);
    }
    // A maximum is never lowered.
    for (int k = 2; k <= last; ++k) {
        EXPECT_GE(shown[k].maxIn, shown[k - 1].maxIn) << k;
        EXPECT_GE(shown[k].maxOut, shown[k - 1].maxOut) << k;
    }
}

TEST_F(RouterFaults, WithAThirdOfTheRepliesLostTheGaugesKeepUpdating) {
    constexpr int kTicks = 6;
    constexpr std::uint32_t kSeed = 7;
    twin.emplace(kSeed, false, 0, 6, kTicks + 3);
    ASSERT_TRUE(twin->InUcastTellsTheSecond());
    ASSERT_TRUE(sim.Start({"--loss", "30", "--seed", std::to_string(kSeed)}));
    rig.WriteSettings(SimSettings(6));
    rig.Open();
    SimTicks(kTicks);
    ASSERT_GT(sim.CountLines("reply=lost"), 0) << "nothing was lost";
    EXPECT_GT(sim.CountLines("reply=sent"), 0);

    EXPECT_FALSE(rig.Waiting());
    int changed = 0;
    for (int k = 2; k <= kTicks; ++k) changed += shown[k].totalIn != shown[k - 1].totalIn ? 1 : 0;
    EXPECT_GE(changed, 3) << "the inbound total moved in too few ticks";
    EXPECT_GT(shown[kTicks].ppsIn, 0);
    EXPECT_GT(shown[kTicks].ppsOut, 0);
    // Whichever samples got through, the rate is one the router had.
    ExpectTrueRate(true, shown[kTicks].ppsIn, seconds[1] + 1, seconds[kTicks], "in");
    ExpectTrueRate(false, shown[kTicks].ppsOut, seconds[1] + 1, seconds[kTicks], "out");
}

TEST_F(RouterFaults, RepliesFromAnotherAddressOfTheRouterAreShown) {
    ASSERT_TRUE(sim.Start({"--reply-from", "127.0.0.2", "--seed", "3"}));
    rig.WriteSettings(SimSettings(6));
    rig.Open();

    SimTicks(3);
    EXPECT_FALSE(rig.Waiting());
    std::optional<std::uint32_t> cpu = sim.LastAnswer(mib::kCpu);
    ASSERT_TRUE(cpu);
    EXPECT_EQ(shown[3].cpu, static_cast<double>(*cpu))
        << "the CPU gauge shows what the router said";
    EXPECT_GT(shown[3].ppsIn, 0);
    EXPECT_NE(shown[3].totalIn, "LabelPacketsIn");
}

TEST_F(RouterFaults, ARouterThatVanishesLeavesTheLastValuesUpAndIsShownAgainWhenItReturns) {
    ASSERT_TRUE(sim.Start({"--seed", "5"}));
    rig.WriteSettings(SimSettings(6));
    rig.Open();
    SimTicks(2);
    ASSERT_FALSE(rig.Waiting());
    ASSERT_GT(shown[2].ppsIn, 0);
    const TShown kept = shown[2];

    sim.Stop();
    const long sentBefore = nettest::UdpOutDatagrams();
    for (int k = 3; k <= 5; ++k) {
        rig.now = kStart + k;
        EXPECT_GT(rig.Tick(nullptr), 0) << "requests go on";
        const TShown now = Shown();
        EXPECT_FALSE(rig.Waiting());
        EXPECT_EQ(now.totalIn, kept.totalIn);
        EXPECT_EQ(now.totalOut, kept.totalOut);
        EXPECT_EQ(now.ppsIn, kept.ppsIn);
        EXPECT_EQ(now.ppsOut, kept.ppsOut);
        EXPECT_EQ(now.cpu, kept.cpu);
        EXPECT_EQ(now.mem, kept.mem);
    }
    EXPECT_GE(nettest::UdpOutDatagrams() - sentBefore, 3 * 7) << "the requests went out";

    // Back on the same port: the next ticks show its values.
    ASSERT_TRUE(sim.Start({"--seed", "5"}));
    const TSnmpValue* inUcast = rig.Selected().inUcast;
    bool updated = false;
    for (int k = 6; k <= 8 && !updated; ++k) {
        rig.now = kStart + k;
        rig.Tick(&sim);
        updated = inUcast->sampleCount > 0 && inUcast->samples[0].time == rig.now;
    }
    EXPECT_TRUE(updated) << "no reply was filed after the router came back";
    EXPECT_NE(Shown().totalIn, kept.totalIn);
}

// A switch numbers its ports 1, then 10101 onwards: the walk lists them all
// after the first ten, a stored port beyond those keeps its entry until the
// walk finds it, and choosing a port polls its counters.
TEST_F(RouterFaults, EveryInterfaceOfASwitchCanBeChosen) {
    ASSERT_TRUE(sim.Start({"--interfaces", "48", "--seed", "9"}));
    rig.WriteSettings(SimSettings(10105));
    rig.Open();
    QComboBox& list = *rig.window->ComboBoxInterface;
    ASSERT_EQ(list.count(), 11);
    EXPECT_EQ(list.currentText(), "if10105") << "the stored port, until the walk finds it";

    EXPECT_EQ(rig.Walk(), 49) << "one request per interface and one past the column";
    SimTicks(2);
    ASSERT_EQ(list.count(), 10 + 47);
    EXPECT_EQ(list.itemText(1), "Vlan1");
    EXPECT_EQ(list.itemText(2), "if2 (none)");
    EXPECT_EQ(list.itemText(10), "GigabitEthernet1/0/1");
    EXPECT_EQ(list.itemData(56).toInt(), 10147);
    EXPECT_EQ(list.currentText(), "GigabitEthernet1/0/5");
    EXPECT_EQ(list.currentData().toInt(), 10105);
    EXPECT_GT(sim.CountLines("oid=1.3.6.1.2.1.2.2.1.11.10105 "), 0);
    EXPECT_GT(shown[2].ppsIn, 0) << "the port's counters are polled";

    // Chosen from the list, a port is stored by its own number.
    const int row = list.findData(10120);
    ASSERT_GE(row, 0);
    list.setCurrentIndex(row);
    emit list.activated(row);
    EXPECT_EQ(QSettings(rig.SettingsPath(), QSettings::IniFormat).value("interface").toInt(),
              10120);
    SimTick(3);
    EXPECT_GT(sim.CountLines("oid=1.3.6.1.2.1.2.2.1.11.10120 "), 0);

    // Hundreds of entries stay usable: typing a name finds it, and the
    // list's popup scrolls.
    list.setFocus();
    QTest::keyClicks(&list, "GigabitEthernet1/0/33");
    EXPECT_EQ(list.currentText(), "GigabitEthernet1/0/33");
    EXPECT_EQ(QSettings(rig.SettingsPath(), QSettings::IniFormat).value("interface").toInt(), 10133)
        << "found by typing is chosen";
    rig.window->show();
    list.showPopup();
    EXPECT_TRUE(list.view()->verticalScrollBar()->isVisible());
    list.hidePopup();
}

// A stored port the switch does not have keeps its entry while it is
// chosen, and leaves the list once another is.
TEST_F(RouterFaults, AStoredPortTheSwitchLacksLeavesTheListOnceAnotherIsChosen) {
    ASSERT_TRUE(sim.Start({"--interfaces", "48", "--seed", "9"}));
    rig.WriteSettings(SimSettings(20000));
    rig.Open();
    QComboBox& list = *rig.window->ComboBoxInterface;
    EXPECT_EQ(rig.Walk(), 49);
    SimTicks(2);
    ASSERT_EQ(list.count(), 10 + 47 + 1);
    EXPECT_EQ(list.currentText(), "if20000 (none)");

    const int row = list.findData(10101);
    list.setCurrentIndex(row);
    emit list.activated(row);
    QCoreApplication::processEvents();
    EXPECT_EQ(list.count(), 10 + 47);
    EXPECT_EQ(list.findData(20000), -1);
    EXPECT_EQ(list.currentData().toInt(), 10101);
}

// The local clock of the tip, five and a half hours ahead of UTC, for the
// life of the object.
class TLocalZone {
public:
    TLocalZone() { Set("XST-5:30"); }
    ~TLocalZone() { Set(nullptr); }

private:
    static void Set(const char* zone) {
        zone != nullptr ? setenv("TZ", zone, 1) : unsetenv("TZ");
        tzset();
    }
};

TEST_F(RouterFaults, ARouterSilentForThirtySecondsIsToldOnceAndSoIsItsReturn) {
    const std::string kSilent = "Ventrel \u00B7 no answer from the router since ";
    const QString kStopped = "Ventrel: The router stopped answering";
    const QString kAgain = "Ventrel: The router answers again";
    TLocalZone zone;
    TRecordingDesktop desktop;
    ASSERT_TRUE(sim.Start({"--seed", "5"}));
    rig.WriteSettings(SimSettings(6));
    rig.Open();
    THideOnTaskbar& tray = *rig.window->taskbar();
    tray.trayAvailable = [] { return true; };
    SimTicks(2);
    ASSERT_FALSE(rig.Waiting());
    const std::string live = tray.tip;
    ASSERT_EQ(live.rfind("Ventrel \u00B7 ", 0), 0u) << live;
    ASSERT_NE(live.find(" \u00B7 CPU "), std::string::npos) << live;

    // Stopped at 1'000'002, 13:46:42 UTC: a silence of 40 seconds.
    sim.Stop();
    ASSERT_EQ(rig.now, kStart + 2);
    for (int quiet = 1; quiet <= 40; ++quiet) {
        rig.now = kStart + 2 + quiet;
        rig.Tick(nullptr);
        SCOPED_TRACE(quiet);
        EXPECT_EQ(tray.tip, quiet < 10 ? live : kSilent + "19:16:42");
        EXPECT_EQ(desktop.balloons, quiet < 30 ? QStringList{} : QStringList{kStopped});
        EXPECT_FALSE(rig.Waiting()) << "the window keeps the last figures up";
    }

    // Back: told once, and the tip shows figures again.
    ASSERT_TRUE(sim.Start({"--seed", "5"}));
    auto answered = [&] { return tray.tip.rfind(kSilent, 0) != 0; };
    for (int k = 0; k < 5 && !answered(); ++k) {
        ++rig.now;
        rig.Tick(&sim);
    }
    EXPECT_EQ(desktop.balloons, (QStringList{kStopped, kAgain}));
    EXPECT_EQ(tray.tip.rfind("Ventrel \u00B7 ", 0), 0u) << tray.tip;
    EXPECT_NE(tray.tip.find(" \u00B7 CPU "), std::string::npos) << tray.tip;

    // Twenty silent seconds are stale figures, and no outage worth a word.
    sim.Stop();
    const std::int64_t stopped = rig.now;
    for (int quiet = 1; quiet <= 20; ++quiet) {
        rig.now = stopped + quiet;
        rig.Tick(nullptr);
    }
    EXPECT_EQ(tray.tip.rfind(kSilent, 0), 0u) << tray.tip;
    ASSERT_TRUE(sim.Start({"--seed", "5"}));
    for (int k = 0; k < 5 && !answered(); ++k) {
        ++rig.now;
        rig.Tick(&sim);
    }
    EXPECT_TRUE(answered());
    EXPECT_EQ(desktop.balloons, (QStringList{kStopped, kAgain}));
}

}  // namespace
}  // namespace faults

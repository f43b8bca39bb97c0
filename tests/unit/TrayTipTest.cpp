// The tray icon's tip and the outage notices, without a window or a tray.
#include <gtest/gtest.h>

#include <QString>
#include <optional>
#include <string>
#include <vector>

#include "router/Outage.h"
#include "router/Readings.h"
#include "router/Traynews.h"
#include "router/Traytip.h"

namespace {

// Readings as the model gives them; a figure of none is one the router lacks.
TReadings Figures(std::optional<double> ppsIn, std::optional<double> ppsOut,
                  std::optional<double> cpu, std::optional<int> memory, bool selected = true) {
    TReadings readings;
    readings.interfaceSelected = selected;
    if (selected && ppsIn) readings.in = TTraffic{0, *ppsIn};
    if (selected && ppsOut) readings.out = TTraffic{0, *ppsOut};
    readings.cpu = cpu;
    readings.memory = memory;
    return readings;
}

TEST(TrayTip, SaysWhatTheGaugesShow) {
    const std::string kFigures =
        " \u00B7 in 260 pps \u00B7 out 348 pps \u00B7 CPU 7% \u00B7 mem 68%";
    struct {
        const char* name;
        TReadings readings;
        std::string entry;
        std::string tip;
    } const cases[] = {
        {"the example", Figures(260.9, 348, 7, 68), "FastEthernet0/1",
         "Ventrel \u00B7 FastEthernet0/1" + kFigures},
        {"a counter that went back shows 0, as its gauge", Figures(-12.5, 0.4, 7, 68), "Serial0/0",
         "Ventrel \u00B7 Serial0/0 \u00B7 in 0 pps \u00B7 out 0 pps \u00B7 CPU 7% \u00B7 mem 68%"},
        {"the CPU clamped as its gauge clamps it", Figures(1, 2, -5, 0), "if6",
         "Ventrel \u00B7 if6 \u00B7 in 1 pps \u00B7 out 2 pps \u00B7 CPU 0% \u00B7 mem 0%"},
        {"and from above", Figures(1, 2, 250, 100), "if6",
         "Ventrel \u00B7 if6 \u00B7 in 1 pps \u00B7 out 2 pps \u00B7 CPU 100% \u00B7 mem 100%"},
        {"no interface selected: no packet figures", Figures(9, 9, 7, 68, false), "if6",
         "Ventrel \u00B7 CPU 7% \u00B7 mem 68%"},
        {"a router's name in the locale's encoding reads the same in the tip",
         Figures(260, 348, 7, 68),
         QString::fromUtf8("Caf\u00E9-Ethernet").toLocal8Bit().toStdString(),
         "Ventrel \u00B7 Caf\u00E9-Ethernet" + kFigures},
        {"rates beyond 32 bits", Figures(8589934590.7, 0, 0, 0), "if1",
         "Ventrel \u00B7 if1 \u00B7 in 8589934590 pps \u00B7 out 0 pps \u00B7 CPU 0% \u00B7 mem "
         "0%"},
        {"a router without the CPU and memory objects", Figures(5, 6, {}, {}), "eth0",
         "Ventrel \u00B7 eth0 \u00B7 in 5 pps \u00B7 out 6 pps"},
        {"an interface the router lacks", Figures({}, {}, 7, 68), "if0 (none)",
         "Ventrel \u00B7 if0 (none) \u00B7 CPU 7% \u00B7 mem 68%"},
        {"nothing to show but the name", Figures({}, {}, {}, {}, false), "", "Ventrel"},
    };
    for (const auto& c : cases) EXPECT_EQ(ReadingsTip(c.readings, c.entry), c.tip) << c.name;
}

TEST(TrayTip, ALongNameGivesWayToTheFigures) {
    const std::string kFigures =
        " \u00B7 in 260 pps \u00B7 out 348 pps \u00B7 CPU 7% \u00B7 mem 68%";
    // Names of 1023 bytes in one-, two-, three- and four-byte characters,
    // so that the cut falls inside a character for some of them.
    for (const std::string unit : {"a", "\u00E9", "\u20AC", "\U0001F600"}) {
        std::string name;
        while (name.size() + unit.size() <= 1023) name += unit;
        const std::string tip = ReadingsTip(Figures(260, 348, 7, 68), name);
        SCOPED_TRACE(unit);
        EXPECT_LE(tip.size(), kTipLimit);
        EXPECT_GE(tip.size(), kTipLimit - 3) << "the name fills what the figures leave";
        EXPECT_EQ(tip.substr(tip.size() - kFigures.size()), kFigures) << "the figures stay whole";
        EXPECT_EQ(QString::fromUtf8(tip).toStdString(), tip) << "no character cut in two";
    }
}

TEST(TrayTip, WaitingAndSilent) {
    EXPECT_EQ(WaitingTip(), "Ventrel \u00B7 waiting for the router");
    EXPECT_EQ(SilentTip("14:03:15"), "Ventrel \u00B7 no answer from the router since 14:03:15");
    EXPECT_LE(SilentTip(std::string(500, '9')).size(), kTipLimit);
}

// A run of poll ticks: `matched` says which seconds had a matched reply.
struct TStep {
    std::int64_t now;
    bool matched;
    bool stale;
    TOutage::TNotice notice;
};

void Expect(TOutage& outage, const std::vector<TStep>& steps, const char* name) {
    for (const TStep& s : steps) {
        const TOutage::TNotice notice = outage.Tick(s.now, s.matched);
        EXPECT_EQ(notice, s.notice) << name << " at second " << s.now;
        EXPECT_EQ(outage.Stale(), s.stale) << name << " at second " << s.now;
    }
}

// Silent ticks every second from `from` to `to`, all with the same state.
std::vector<TStep> Silent(std::int64_t from, std::int64_t to, bool stale) {
    std::vector<TStep> steps;
    for (std::int64_t t = from; t <= to; ++t) steps.push_back({t, false, stale, {}});
    return steps;
}

TEST(Outage, StaleAfterTenSecondsOneNoticeEachWayAfterThirty) {
    using N = TOutage::TNotice;
    TOutage outage;
    Expect(outage, Silent(100, 140, false), "before the first reading nothing goes stale");
    EXPECT_FALSE(outage.LastMatched());

    Expect(outage, {{141, true, false, N::None}}, "the first reading");
    EXPECT_EQ(outage.LastMatched(), 141);
    Expect(outage, Silent(142, 150, false), "nine silent seconds");
    Expect(outage, Silent(151, 170, true), "stale from the tenth");
    Expect(outage, {{171, false, true, N::Stopped}}, "thirty seconds: the notice");
    Expect(outage, Silent(172, 200, true), "told once");
    EXPECT_EQ(outage.LastMatched(), 141);
    Expect(outage, {{201, true, false, N::AnswersAgain}, {202, true, false, N::None}}, "back");

    // A short outage tells nothing, either way.
    Expect(outage, Silent(203, 211, false), "nine seconds");
    Expect(outage, Silent(212, 231, true), "twenty-nine seconds");
    Expect(outage, {{232, true, false, N::None}}, "back within thirty");
}

TEST(Outage, TimeTheProgramDidNotWatchIsNoOutage) {
    using N = TOutage::TNotice;
    TOutage outage;
    Expect(outage, {{100, true, false, N::None}}, "a reading");
    // The computer slept for an hour: the figures are an hour old, but the
    // router was not seen to be silent.
    Expect(outage, {{3700, false, true, N::None}}, "after the sleep");
    Expect(outage, Silent(3701, 3729, true), "silence watched since");
    Expect(outage, {{3730, false, true, N::Stopped}}, "thirty seconds watched");

    // The clock set back by an hour: silence is counted by the ticks.
    TOutage back;
    Expect(back, {{5000, true, false, N::None}}, "a reading");
    Expect(back, Silent(1400, 1409, false), "the clock went back");
    Expect(back, Silent(1410, 1429, true), "ten seconds watched: stale");
    Expect(back, {{1430, false, true, N::Stopped}}, "thirty seconds watched");
}

}  // namespace

// The news of a tick: figures when a reply matched, the time of the last one
// once the figures shown are stale, and nothing new otherwise.
TEST(TrayNews, TheTipFollowsTheTicks) {
    TTrayNews news;
    const TReadings figures = Figures(1, 2, 7, 68);
    const TTrayNews::TNews first = news.Tick(100, &figures, "Fa0/1", true);
    EXPECT_EQ(first.tip, ReadingsTip(figures, "Fa0/1"));
    EXPECT_EQ(first.notice, TOutage::TNotice::None);
    EXPECT_FALSE(news.Tick(105, nullptr, "", true).tip) << "not stale yet: the tip stays";
    const std::optional<std::string> silent = news.Tick(110, nullptr, "", true).tip;
    ASSERT_TRUE(silent);
    EXPECT_EQ(silent->rfind("Ventrel \u00B7 no answer from the router since ", 0), 0u) << *silent;
    EXPECT_FALSE(news.Tick(111, nullptr, "", false).tip) << "the waiting text shows no figures";
    for (std::int64_t now = 112; now < 130; ++now) news.Tick(now, nullptr, "", true);
    const TTrayNews::TNews stopped = news.Tick(130, nullptr, "", true);
    EXPECT_EQ(stopped.notice, TOutage::TNotice::Stopped);
    EXPECT_EQ(stopped.noticeText, "The router stopped answering");
    const TTrayNews::TNews back = news.Tick(131, &figures, "Fa0/1", true);
    EXPECT_EQ(back.noticeText, "The router answers again");
}

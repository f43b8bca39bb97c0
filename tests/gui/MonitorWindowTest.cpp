// The main window in process, offscreen, against a scripted agent on
// loopback. Each test runs in its own network namespace (the window binds
// the fixed local port 65535) and its own settings folder.
#include <gtest/gtest.h>
#include <poll.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QStackedWidget>
#include <QTest>

#include "monitor/Fciscomon.h"
#include "router/Oids.h"
#include "router/Routerconf.h"
#include "shell/Faboutventrel.h"
#include "shell/Frouterconfig.h"
#include "shell/Hidetask.h"
#include "snmp/Snmp.h"
#include "tests/support/Accessibility.h"
#include "tests/support/FakeRouter.h"
#include "tests/support/RecordingDesktop.h"
#include "tests/support/WhenOpen.h"
#include "tests/support/WindowRig.h"
#include "widgets/Gaugebar.h"
#include "widgets/Largehtmllabel.h"

namespace {

// The polled columns with the dot an instance follows: kDescr + "6".
const std::string kCpu = mib::kCpu;
const std::string kPoolName = std::string(mib::kPoolName) + ".";
const std::string kPoolUsed = std::string(mib::kPoolUsed) + ".";
const std::string kPoolFree = std::string(mib::kPoolFree) + ".";
const std::string kDescr = std::string(mib::kIfDescr) + ".";
const std::string kInUcast = std::string(mib::kIfInUcast) + ".";
const std::string kInNUcast = std::string(mib::kIfInNUcast) + ".";
const std::string kOutUcast = std::string(mib::kIfOutUcast) + ".";
const std::string kOutNUcast = std::string(mib::kIfOutNUcast) + ".";

// The router's figures for interface 6 at `second` seconds of a steady
// pace: 260 packets a second in and 348 out, CPU 7%, memory 68% in use.
void SetFigures(TFakeRouter& router, std::uint32_t second) {
    router.SetInteger(kCpu, 7);
    router.SetInteger(kPoolUsed + "1", 680);
    router.SetInteger(kPoolFree + "1", 320);
    router.SetText(kDescr + "6", "FastEthernet0/1");
    router.SetInteger(kInUcast + "6", 1000 + 250 * second, kTagCounter);
    router.SetInteger(kInNUcast + "6", 10 * second, kTagCounter);
    router.SetInteger(kOutUcast + "6", 2000 + 348 * second, kTagCounter);
    router.SetInteger(kOutNUcast + "6", 0, kTagCounter);
}

class MonitorWindow : public ::testing::Test, protected TWindowRig {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        WriteSettings(QString("hostname=127.0.0.1:%1\ncommunity=kelpie\n").arg(router.port()));
    }

    QSettings Stored() const { return QSettings(SettingsPath(), QSettings::IniFormat); }

    // One request tick, the agent's answers, one poll tick.
    void Tick() { TWindowRig::Tick(router); }

    // Values for what a Cisco router has: the CPU, two pools, interfaces 1
    // to 9 (not 0) and the counters of interface 6.
    void AnswerAsACiscoRouter() {
        router.SetInteger(kCpu, 12);
        for (std::string p : {"1", "2"}) {
            router.SetText(kPoolName + p, "pool" + p);
            router.SetInteger(kPoolUsed + p, 100);
            router.SetInteger(kPoolFree + p, 300);
        }
        for (int i = 1; i < 10; ++i) router.SetText(kDescr + std::to_string(i), "Ethernet");
        for (const auto& counter : {kInUcast, kInNUcast, kOutUcast, kOutNUcast})
            router.SetInteger(counter + "6", 5, kTagCounter);
    }

    TFakeRouter router;
};

TEST_F(MonitorWindow, FirstStartShowsTheWaitingTextAndPlaceholderNames) {
    QFile::remove(SettingsPath());
    Open();
    EXPECT_TRUE(Waiting());
    ASSERT_EQ(window->ComboBoxInterface->count(), 10);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(window->ComboBoxInterface->itemText(i), QString("if%1").arg(i));
    EXPECT_EQ(window->ComboBoxInterface->currentIndex(), 6);
    EXPECT_EQ(window->windowTitle(), "Ventrel");
    for (const char* name : {"ComboBoxInterface",
                             "ButtonSetup",
                             "PageControl1",
                             "TabSheetGauges",
                             "TabSheetWaiting",
                             "LargeHtmlLabel1",
                             "LabelPacketsIn",
                             "LabelPacketsOut",
                             "ProgressBarPPSIn",
                             "ProgressBarPPSOut",
                             "ProgressBarMem",
                             "ProgressBarCpu",
                             "Label1",
                             "Label2",
                             "Label3",
                             "Label4",
                             "TimerPoll",
                             "TimerRequest",
                             "File1",
                             "Help1",
                             "Exit1",
                             "About1",
                             "UsersManual1",
                             "PopupMenuTaskbar",
                             "OpenWindow1",
                             "Quit1",
                             "MainMenu1"}) {
        EXPECT_NE(window->findChild<QObject*>(name), nullptr) << name;
    }
    // The tray's menu is the icon's from its start.
    ASSERT_NE(window->taskbar()->trayIcon(), nullptr);
    EXPECT_EQ(window->taskbar()->trayIcon()->contextMenu(), window->PopupMenuTaskbar);
    QStringList entries;
    for (const QAction* action : window->PopupMenuTaskbar->actions())
        entries << (action->isSeparator() ? "-" : action->text());
    EXPECT_EQ(entries, (QStringList{"Open Window", "-", "Quit"}));
}

TEST_F(MonitorWindow, WaitsUntilTheFirstMatchedReply) {
    Open();
    router.answer = false;
    Tick();
    EXPECT_TRUE(Waiting()) << "nothing came back";
    // A reply for an OID nobody asked for changes nothing either.
    router.answer = true;
    router.SetInteger(kCpu, 23);
    window->TimerRequestTimer();
    router.requests.clear();
    router.Serve(50);
    EXPECT_FALSE(router.requests.empty());
    pollfd ready{window->connection()->socket, POLLIN, 0};
    ::poll(&ready, 1, 200);
    window->TimerPollTimer();
    EXPECT_FALSE(Waiting());
}

TEST_F(MonitorWindow, GaugesShowWhatTheRouterSays) {
    router.SetInteger(kCpu, 23);
    // Two pools of 3 GiB and 1 GiB: beyond 32-bit sums. 4e9 of 6e9 used.
    router.SetInteger(kPoolUsed + "1", 3'000'000'000u);
    router.SetInteger(kPoolFree + "1", 1'000'000'000u);
    router.SetInteger(kPoolUsed + "2", 1'000'000'000u);
    router.SetInteger(kPoolFree + "2", 1'000'000'000u);
    auto counters = [&](std::uint32_t in, std::uint32_t inN, std::uint32_t out) {
        router.SetInteger(kInUcast + "6", in, kTagCounter);
        router.SetInteger(kInNUcast + "6", inN, kTagCounter);
        router.SetInteger(kOutUcast + "6", out, kTagCounter);
        router.SetInteger(kOutNUcast + "6", 0u, kTagCounter);
    };
    counters(4'294'965'000u, 800u, 480u);
    Open();
    Tick();
    EXPECT_FALSE(Waiting());
    EXPECT_DOUBLE_EQ(window->ProgressBarCpu->TargetValue(), 23);
    EXPECT_DOUBLE_EQ(window->ProgressBarMem->TargetValue(), 66);
    // The totals read the counters as unsigned and do not wrap.
    EXPECT_EQ(window->LabelPacketsIn->text(), "4294965800");
    EXPECT_EQ(window->LabelPacketsOut->text(), "480");
    EXPECT_DOUBLE_EQ(window->ProgressBarPPSIn->Position(), 0) << "one sample is no rate";

    // Two seconds later, 1,000 unicast packets a second.
    now += 2;
    counters(4'294'967'000u, 1'000u, 500u);
    Tick();
    EXPECT_DOUBLE_EQ(window->ProgressBarPPSIn->Position(), 1100);  // (2000 + 200) / 2
    EXPECT_DOUBLE_EQ(window->ProgressBarPPSIn->Maximum(), 1100);
    EXPECT_DOUBLE_EQ(window->ProgressBarPPSOut->Position(), 10);
    EXPECT_DOUBLE_EQ(window->ProgressBarPPSOut->Maximum(), 100);
    EXPECT_EQ(window->ProgressBarPPSIn->ValueText(), "1100 pps");

    // Two seconds on at about that pace, inUcast wrapped past 2^32 by 1296.
    now += 2;
    counters(1'000u, 1'200u, 520u);
    Tick();
    EXPECT_DOUBLE_EQ(window->ProgressBarPPSIn->Position(), 924);  // (3296 + 400) / 4
    EXPECT_DOUBLE_EQ(window->ProgressBarPPSIn->Maximum(), 1100);

    // The router restarts: counters back near zero. The gauge shows 0 and
    // its maximum stays.
    now += 1;
    counters(5u, 0u, 3u);
    Tick();
    EXPECT_DOUBLE_EQ(window->ProgressBarPPSIn->Position(), 0);
    EXPECT_DOUBLE_EQ(window->ProgressBarPPSIn->Maximum(), 1100);

    // The CPU load is a signed number: a negative one is the gauge's 0.
    router.SetInteger(kCpu, 0xFFFFFFFB);
    Tick();
    EXPECT_DOUBLE_EQ(window->ProgressBarCpu->TargetValue(), 0);
}

TEST_F(MonitorWindow, InterfaceNamesReplaceItemsAndKeepTheSelection) {
    router.SetText(kDescr + "3", "FastEthernet0/3");
    router.SetText(kDescr + "6", "Serial0/0");
    Open();
    Tick();
    EXPECT_EQ(window->ComboBoxInterface->itemText(3), "FastEthernet0/3");
    EXPECT_EQ(window->ComboBoxInterface->itemText(6), "Serial0/0");
    // An interface the router lacks is answered with noSuchName, filed as an
    // empty name: the entry says so instead of going blank.
    EXPECT_EQ(window->ComboBoxInterface->itemText(4), "if4 (none)");
    EXPECT_EQ(window->ComboBoxInterface->itemText(0), "if0 (none)");
    EXPECT_EQ(window->ComboBoxInterface->currentIndex(), 6);
}

TEST_F(MonitorWindow, HiddenInTheTrayTheGaugesNeitherGlideNorWait) {
    router.SetInteger(kCpu, 23);
    Open();
    window->show();
    Tick();
    ASSERT_TRUE(window->ProgressBarCpu->AnimationRunning()) << "shown, the CPU gauge glides";

    // What the tray does on close: the window hides, and the glide under
    // way arrives at once.
    window->hide();
    EXPECT_FALSE(window->ProgressBarCpu->AnimationRunning());
    EXPECT_EQ(window->ProgressBarCpu->Position(), 23);
    router.SetInteger(kCpu, 40);
    Tick();
    EXPECT_FALSE(window->ProgressBarCpu->AnimationRunning()) << "no glide timer while hidden";
    EXPECT_EQ(window->ProgressBarCpu->Position(), 40);
}

TEST_F(MonitorWindow, RequestsPerTick) {
    Open();
    const std::int32_t first = window->connection()->nextRequestId;
    window->TimerRequestTimer();
    router.answer = false;
    router.Serve(50);
    // First tick: cpu, the six pool values, ten names, four counters of if6.
    ASSERT_EQ(router.requests.size(), 21u);
    std::vector<std::string> expected = {kCpu};
    for (std::string p : {"1", "2"}) {
        expected.insert(expected.end(), {kPoolName + p, kPoolUsed + p, kPoolFree + p});
    }
    for (int i = 0; i < 10; ++i) expected.push_back(kDescr + std::to_string(i));
    for (const auto& counter : {kInUcast, kInNUcast, kOutUcast, kOutNUcast})
        expected.push_back(counter + "6");
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(router.requests[i].oid, expected[i]) << i;
        EXPECT_EQ(router.requests[i].requestId, first + static_cast<std::int32_t>(i));
        EXPECT_EQ(router.requests[i].community, "kelpie");
    }

    // Once every name is answered, a tick asks for nine: cpu, both pools'
    // used and free bytes, four counters.
    AnswerAsACiscoRouter();
    router.answer = true;
    Tick();
    const std::int64_t lastAsked = now;
    auto asked = [&] {
        router.requests.clear();
        window->TimerRequestTimer();
        router.Serve(50);
        std::vector<std::string> oids;
        for (const TFakeRequest& request : router.requests) oids.push_back(request.oid);
        return oids;
    };
    std::vector<std::string> everyTick = asked();
    ASSERT_EQ(everyTick.size(), 9u);
    EXPECT_EQ(everyTick[0], kCpu);
    EXPECT_EQ(everyTick[1], kPoolUsed + "1");
    EXPECT_EQ(everyTick[2], kPoolFree + "1");
    EXPECT_EQ(everyTick[8], kOutNUcast + "6");

    // The router has no interface 0 (noSuchName): its name is asked for
    // again a minute later, not every second.
    now = lastAsked + 59;
    EXPECT_EQ(asked().size(), 9u);
    now = lastAsked + 60;
    everyTick = asked();
    EXPECT_EQ(everyTick.size(), 10u);
    EXPECT_EQ(std::count(everyTick.begin(), everyTick.end(), kDescr + "0"), 1);

    // With nothing selected, no counters are asked for.
    window->ComboBoxInterface->setCurrentIndex(-1);
    EXPECT_EQ(asked().size(), 5u);
}

// An agent without the Cisco objects (Linux's, Windows'): noSuchName for
// the CPU and the pools, which is not the 0 of an idle router with empty
// memory.
TEST_F(MonitorWindow, WhatTheRouterLacksIsShownAsNotAvailable) {
    SetFigures(router, 0);
    router.SetError(kCpu, kNoSuchName);
    router.SetError(kPoolUsed + "1", kNoSuchName);
    router.SetError(kPoolFree + "1", kNoSuchName);
    Open();
    Tick();
    ASSERT_FALSE(Waiting());
    for (TGaugeBar* bar : {window->ProgressBarCpu, window->ProgressBarMem}) {
        EXPECT_FALSE(bar->Available()) << bar->objectName().toStdString();
        EXPECT_EQ(bar->ValueText(), "n/a");
        EXPECT_EQ(AccessibleText(bar, QAccessible::Description), "not available");
    }
    EXPECT_TRUE(window->ProgressBarPPSIn->Available());
    EXPECT_EQ(window->taskbar()->tip,
              "Ventrel \u00B7 FastEthernet0/1 \u00B7 in 0 pps \u00B7 out 0 pps");

    // A module added later shows up within a minute.
    router.SetError(kCpu, 0);
    now += 30;
    Tick();
    EXPECT_FALSE(window->ProgressBarCpu->Available()) << "not asked again yet";
    now += 30;
    Tick();
    EXPECT_TRUE(window->ProgressBarCpu->Available());
    EXPECT_EQ(window->ProgressBarCpu->TargetValue(), 7);
}

// genErr or tooBig is a passing fault: the reading keeps its last value, and
// a name asked for once is asked again rather than taken as no name.
TEST_F(MonitorWindow, AFaultOfTheAgentIsNoReading) {
    for (int status : {kTooBig, kGenErr}) {
        SCOPED_TRACE(status);
        SetFigures(router, 0);
        router.SetInteger(kCpu, 37);
        Open();
        router.SetError(kDescr + "6", status);
        Tick();
        EXPECT_EQ(window->ProgressBarCpu->TargetValue(), 37);
        EXPECT_EQ(window->ComboBoxInterface->itemText(6), "if6") << "no name yet, not none";

        router.SetError(kCpu, status);
        router.SetError(kDescr + "6", 0);
        Tick();
        EXPECT_EQ(window->ProgressBarCpu->TargetValue(), 37) << "the last value stays";
        EXPECT_TRUE(window->ProgressBarCpu->Available());
        EXPECT_EQ(window->ComboBoxInterface->itemText(6), "FastEthernet0/1") << "asked again";
        router.SetError(kCpu, 0);
        window.reset();
    }
}

// Only the answer to the request, with the request's OID, is filed: an
// agent that mixed its replies up changes neither a gauge nor a name.
TEST_F(MonitorWindow, RepliesWithAnotherRequestsOidAreNotFiled) {
    router.SetInteger(kCpu, 37);
    router.SetText(kDescr + "1", "99");
    router.AnswerAs(kCpu, kDescr + "1");
    router.AnswerAs(kDescr + "1", kCpu);
    router.SetText(kDescr + "2", "Serial0/0");
    Open();
    Tick();
    EXPECT_EQ(window->ProgressBarCpu->TargetValue(), 0);
    EXPECT_EQ(window->ComboBoxInterface->itemText(1), "if1");
    EXPECT_EQ(window->ComboBoxInterface->itemText(2), "Serial0/0") << "the rest as it came";
}

// A router that answers every request twice, at once or a tick and a half
// late (it got the request twice): the copies are dropped, and the packet
// gauges show the true rates, never more.
TEST_F(MonitorWindow, DuplicateRepliesAreDropped) {
    for (bool late : {false, true}) {
        SCOPED_TRACE(late ? "late copies" : "copies at once");
        SetFigures(router, 0);
        router.duplicate = !late;
        Open();
        TFakeRouter::TReplies before;
        for (std::uint32_t second = 0; second <= 12; ++second, ++now) {
            router.SetInteger(kInUcast + "6", 1000 + 275 * second, kTagCounter);
            router.SetInteger(kOutUcast + "6", 2000 + 125 * second, kTagCounter);
            router.SetInteger(kInNUcast + "6", 0, kTagCounter);
            window->TimerRequestTimer();
            router.Serve(50);
            if (late) router.Resend(before);  // after this tick's own replies
            before = router.LastReplies();
            pollfd ready{window->connection()->socket, POLLIN, 0};
            ::poll(&ready, 1, 200);
            window->TimerPollTimer();
            if (second < 1) continue;
            EXPECT_EQ(window->ProgressBarPPSIn->Position(), 275) << second;
            EXPECT_EQ(window->ProgressBarPPSOut->Position(), 125) << second;
        }
        EXPECT_EQ(window->ProgressBarPPSIn->Maximum(), 275);
        EXPECT_EQ(window->ProgressBarPPSOut->Maximum(), 125);
        window.reset();
        router.duplicate = false;
    }
}

TEST_F(MonitorWindow, ChoosingAnInterfaceSavesAllFiveSettings) {
    WriteSettings(
        QString("hostname=127.0.0.1:%1\ncommunity=kelpie\ntop=40\nleft=50\n").arg(router.port()));
    Open();
    QFile::remove(SettingsPath());
    // The same entry again: nothing is written.
    window->ComboBoxInterface->setCurrentIndex(6);
    emit window->ComboBoxInterface->activated(6);
    EXPECT_FALSE(QFile::exists(SettingsPath()));

    window->ComboBoxInterface->setCurrentIndex(2);
    emit window->ComboBoxInterface->activated(2);
    QSettings stored = Stored();
    EXPECT_EQ(stored.value("interface").toInt(), 2);
    EXPECT_EQ(stored.value("hostname").toString(), QString("127.0.0.1:%1").arg(router.port()));
    EXPECT_EQ(stored.value("community").toString(), "kelpie");
    EXPECT_EQ(stored.value("top").toInt(), 40) << "the position loaded at start";
    EXPECT_EQ(stored.value("left").toInt(), 50);

    // From the next tick on, the new interface's counters are asked for.
    router.answer = false;
    window->TimerRequestTimer();
    router.Serve(50);
    ASSERT_GE(router.requests.size(), 4u);
    EXPECT_EQ(router.requests.back().oid, kOutNUcast + "2");
}

TEST_F(MonitorWindow, SetupOkUsesTheNewRouterAndWaitsAgain) {
    router.SetInteger(kCpu, 23);
    Open();
    Tick();
    ASSERT_FALSE(Waiting());

    TFakeRouter second;
    second.SetInteger(kCpu, 42);
    WhenOpen<TFormRouterConfig>([&](TFormRouterConfig* dialog) {
        EXPECT_EQ(dialog->EditHostname->text(), QString("127.0.0.1:%1").arg(router.port()));
        EXPECT_EQ(dialog->EditCommunity->text(), "kelpie");
        dialog->EditHostname->setText(QString(" 127.0.0.1 : %1 ").arg(second.port()));
        dialog->EditCommunity->setText("walrus");
        dialog->ButtonOk->click();
    });
    window->ButtonSetupClick();
    EXPECT_TRUE(Waiting());
    EXPECT_EQ(window->taskbar()->tip, "Ventrel \u00B7 waiting for the router");
    EXPECT_EQ(Config->community, "walrus");
    EXPECT_EQ(Stored().value("community").toString(), "walrus");
    EXPECT_EQ(Stored().value("hostname").toString(),
              QString(" 127.0.0.1 : %1 ").arg(second.port()));

    window->TimerRequestTimer();
    router.requests.clear();
    EXPECT_EQ(router.Serve(50), 0) << "the old router is asked no more";
    second.Serve(50);
    ASSERT_FALSE(second.requests.empty());
    EXPECT_EQ(second.requests[0].community, "walrus");
    pollfd ready{window->connection()->socket, POLLIN, 0};
    ::poll(&ready, 1, 200);
    window->TimerPollTimer();
    EXPECT_FALSE(Waiting());
    EXPECT_DOUBLE_EQ(window->ProgressBarCpu->TargetValue(), 42);
}

TEST_F(MonitorWindow, SetupCancelOrEscapeChangesNothing) {
    router.SetInteger(kCpu, 23);
    Open();
    Tick();
    ASSERT_FALSE(Waiting());
    const std::string tip = window->taskbar()->tip;
    QFile::remove(SettingsPath());
    for (bool escape : {false, true}) {
        SCOPED_TRACE(escape ? "Escape" : "Cancel");
        WhenOpen<TFormRouterConfig>([escape](TFormRouterConfig* dialog) {
            dialog->EditHostname->setText("10.9.9.9");
            dialog->EditCommunity->setText("other");
            if (!escape) {
                dialog->ButtonCancel->click();
                return;
            }
            QTest::keyClick(dialog->EditCommunity, Qt::Key_Escape);
            if (dialog->isVisible()) {
                ADD_FAILURE() << "Escape left the dialog open";
                dialog->reject();
            }
        });
        window->ButtonSetupClick();
        EXPECT_FALSE(Waiting());
        EXPECT_EQ(window->taskbar()->tip, tip);
        EXPECT_EQ(Config->community, "kelpie");
        EXPECT_EQ(Config->hostname, QString("127.0.0.1:%1").arg(router.port()).toStdString());
        EXPECT_FALSE(QFile::exists(SettingsPath())) << "nothing saved";
        router.requests.clear();
        window->TimerRequestTimer();
        EXPECT_GT(router.Serve(50), 0) << "the same router is asked";
    }
}

TEST_F(MonitorWindow, AboutBoxTexts) {
    Open();
    bool seen = false;
    WhenOpen<TFormAboutVentrel>([&](TFormAboutVentrel* about) {
        seen = true;
        EXPECT_EQ(about->windowTitle(), "About Ventrel");
        EXPECT_EQ(about->LabelProgName->text(), "Ventrel ver 1.0");
        EXPECT_FALSE(about->LabelCopyright->text().isEmpty());
        EXPECT_TRUE(about->LabelUrl->text().startsWith("https://"));
        about->ButtonOk->click();
    });
    window->About1Click();
    EXPECT_TRUE(seen);
}

TEST_F(MonitorWindow, AFloodIsReadAFewHundredDatagramsATick) {
    Open();
    window->maxRepliesPerTick = 10;
    std::vector<std::uint8_t> garbage = {0xDE, 0xAD, 0xBE, 0xEF};
    for (int i = 0; i < 30; ++i) router.SendRaw(garbage, TSnmpConnection::kLocalPort);
    pollfd ready{window->connection()->socket, POLLIN, 0};
    ::poll(&ready, 1, 200);
    window->TimerPollTimer();
    window->TimerPollTimer();
    int left = 0;
    std::unique_ptr<TSnmpValue> reply;
    while (window->connection()->Poll(reply) > 0) ++left;
    EXPECT_EQ(left, 10) << "two ticks read twenty; the rest waits";
    EXPECT_TRUE(Waiting());
}

TEST_F(MonitorWindow, APositionOffEveryScreenComesBackToThePrimary) {
    const QRect screen = QApplication::primaryScreen()->availableGeometry();
    struct {
        const char* name;
        const char* stored;
    } const cases[] = {
        {"far off", "top=-30000\nleft=50000\n"},
        {"near the end of the integer range", "top=0\nleft=2147483267\n"},
        {"both ends of the integer range", "top=-2147483648\nleft=2147483600\n"},
        {"the top near its end", "top=2147483647\nleft=0\n"},
    };
    for (const auto& c : cases) {
        WriteSettings(QString("hostname=127.0.0.1:%1\n%2").arg(router.port()).arg(c.stored));
        Open();
        EXPECT_EQ(window->pos(), screen.topLeft()) << c.name;
    }

    WriteSettings(QString("hostname=127.0.0.1:%1\ntop=20\nleft=30\n").arg(router.port()));
    Open();
    EXPECT_EQ(window->pos(), QPoint(30, 20));
}

TEST_F(MonitorWindow, ExitSavesThePositionOnlyWhereThePlatformTellsIt) {
    struct {
        const char* name;
        bool knowsPosition;
        QPoint saved;  // left, top
    } const cases[] = {
        {"X11 and Windows: where the window is", true, {130, 90}},
        {"Wayland: the stored place stays", false, {50, 40}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TRecordingDesktop desktop;
        desktop.windowing.knowsPosition = c.knowsPosition;
        WriteSettings(
            QString("hostname=127.0.0.1:%1\ntop=40\nleft=50\ninterface=3\n").arg(router.port()));
        Open();
        window->move(130, 90);
        window->Exit1Click();
        QSettings stored = Stored();
        EXPECT_EQ(QPoint(stored.value("left").toInt(), stored.value("top").toInt()), c.saved);
        EXPECT_EQ(stored.value("interface").toInt(), 3) << "the other settings are saved too";
        EXPECT_FALSE(window->taskbar()->iconShown) << "the icon leaves the tray";
    }
}

TEST_F(MonitorWindow, TheTrayTipShowsTheFiguresOfTicksWithAReply) {
    Open();
    EXPECT_EQ(window->taskbar()->tip, "Ventrel");
    router.answer = false;
    Tick();
    EXPECT_EQ(window->taskbar()->tip, "Ventrel") << "until the first reading";

    router.answer = true;
    SetFigures(router, 0);
    Tick();
    EXPECT_EQ(window->taskbar()->tip,
              "Ventrel \u00B7 FastEthernet0/1 \u00B7 in 0 pps \u00B7 out 0 pps "
              "\u00B7 CPU 7% \u00B7 mem 68%");
    now += 2;
    SetFigures(router, 2);
    Tick();
    EXPECT_EQ(window->taskbar()->tip,
              "Ventrel \u00B7 FastEthernet0/1 \u00B7 in 260 pps \u00B7 out 348 "
              "pps \u00B7 CPU 7% \u00B7 mem 68%");

    // Nothing selected: the figures of the router alone.
    window->ComboBoxInterface->setCurrentIndex(-1);
    Tick();
    EXPECT_EQ(window->taskbar()->tip, "Ventrel \u00B7 CPU 7% \u00B7 mem 68%");
}

TEST_F(MonitorWindow, AScreenReaderReadsTheWindowAndHearsTheFiguresChange) {
    SetFigures(router, 0);
    Open();
    const struct {
        QObject* object;
        QString name;
    } before[] = {
        {window->ComboBoxInterface, "Interface"},
        {window->ButtonSetup, "Setup"},
        {window->LabelPacketsIn, "Packets received in total"},
        {window->LabelPacketsOut, "Packets sent in total"},
        {window->LargeHtmlLabel1,
         "Waiting for SNMP packets to be received...\n\nIf no SNMP packets are received, then use "
         "the <Setup> button to verify your router settings are correct."},
    };
    for (const auto& c : before) {
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(c.object);
        ASSERT_NE(face, nullptr);
        // A list is named by its label, where the platform names it so.
        QString name = face->text(QAccessible::Name);
        for (const auto& [label, relation] : face->relations(QAccessible::Label))
            name = label->text(QAccessible::Name);
        EXPECT_EQ(name, c.name);
    }
    EXPECT_EQ(AccessibleText(window->ComboBoxInterface, QAccessible::Value), "if6");

    TListeningReader reader;
    Tick();
    now += 2;
    SetFigures(router, 2);
    router.SetInteger(kCpu, 40);
    Tick();
    const struct {
        TGaugeBar* bar;
        QString name;
        double value;
    } gauges[] = {
        {window->ProgressBarPPSIn, "Packets received per second", 260},
        {window->ProgressBarPPSOut, "Packets sent per second", 348},
        {window->ProgressBarMem, "Memory in use", 68},
        {window->ProgressBarCpu, "CPU load", 40},
    };
    for (const auto& g : gauges) {
        SCOPED_TRACE(g.name.toStdString());
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(g.bar);
        ASSERT_NE(face, nullptr);
        EXPECT_EQ(face->text(QAccessible::Name), g.name);
        ASSERT_NE(face->valueInterface(), nullptr);
        EXPECT_DOUBLE_EQ(face->valueInterface()->currentValue().toDouble(), g.value);
        const std::vector<TAccessibleEvent> heard = reader.Heard(QAccessible::ValueChanged, g.bar);
        ASSERT_FALSE(heard.empty()) << "no change was told";
        EXPECT_DOUBLE_EQ(heard.back().value.toDouble(), g.value);
    }
    EXPECT_EQ(AccessibleText(window->ProgressBarPPSIn, QAccessible::Value), "260 pps");
    EXPECT_EQ(reader.Heard(QAccessible::ValueChanged, window->ProgressBarCpu).size(), 2u)
        << "7, then 40";
    EXPECT_EQ(AccessibleText(window->LabelPacketsIn, QAccessible::Name),
              "Packets received in total: 1520");
    EXPECT_EQ(AccessibleText(window->LabelPacketsOut, QAccessible::Name),
              "Packets sent in total: 2696");
    EXPECT_EQ(AccessibleText(window->ComboBoxInterface, QAccessible::Value), "FastEthernet0/1");
}

TEST_F(MonitorWindow, TheKeyboardReachesTheListSetupAndTheMenus) {
    Open();
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    window->ComboBoxInterface->setFocus();
    const struct {
        int key;
        QWidget* focus;
    } steps[] = {
        {Qt::Key_Tab, window->ButtonSetup},
        {Qt::Key_Tab, window->ComboBoxInterface},
        {Qt::Key_Backtab, window->ButtonSetup},
        {Qt::Key_Backtab, window->ComboBoxInterface},
    };
    for (const auto& step : steps) {
        QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(step.key));
        EXPECT_EQ(QApplication::focusWidget(), step.focus)
            << step.focus->objectName().toStdString();
    }

    for (auto [key, menu, other] : {std::tuple{Qt::Key_F, window->File1, window->Help1},
                                    std::tuple{Qt::Key_H, window->Help1, window->File1}}) {
        QTest::keyClick(window.get(), key, Qt::AltModifier);
        EXPECT_TRUE(menu->isVisible()) << menu->objectName().toStdString();
        EXPECT_FALSE(other->isVisible());
        QTest::keyClick(menu, Qt::Key_Escape);
        EXPECT_FALSE(menu->isVisible());
    }
    EXPECT_EQ(window->File1->title().remove('&'), "File");
    EXPECT_EQ(window->Help1->title().remove('&'), "Help");
}

}  // namespace

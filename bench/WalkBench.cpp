// The walk of a switch's interfaces as the real window does it, with its
// own timers, against simrouter playing a switch of N interfaces: the
// requests it took, how long until the list was complete, the longest poll
// tick and walk tick meanwhile and the longest poll tick after it, the most
// requests sent in any one second, and the heap the list's entries hold.
// Runs only inside a private network namespace (bench/walk puts it there).

#include <malloc.h>

#include <QApplication>
#include <QComboBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <deque>
#include <functional>
#include <string>

#include "bench/BenchRouter.h"
#include "monitor/Fciscomon.h"
#include "router/Routerconf.h"
#include "shell/Fonts.h"
#include "snmp/Snmp.h"
#include "tests/support/NetHelpers.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

double Milliseconds(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Bytes the program holds on the heap now.
long HeapInUse() { return static_cast<long>(mallinfo2().uordblks); }

// Calls `tick` in place of the window's own slot for `timer`, and keeps the
// longest time it took in the figure `longest` names at the time.
void Time(QTimer* timer, QObject* window, std::function<void()> tick,
          std::function<double&()> longest) {
    QObject::disconnect(timer, nullptr, window, nullptr);
    QObject::connect(timer, &QTimer::timeout, window, [tick, longest] {
        const Clock::time_point start = Clock::now();
        tick();
        double& figure = longest();
        figure = std::max(figure, Milliseconds(Clock::now() - start));
    });
}

}  // namespace

int main(int argc, char* argv[]) {
    if (!nettest::InPrivateNetwork()) {
        std::fprintf(stderr, "bench_walk: not in a private network namespace; run bench/walk\n");
        return 1;
    }
    const int interfaces = argc > 1 ? std::atoi(argv[1]) : 48;
    QTemporaryDir home;
    if (!WriteBenchSettings(home, "hostname=127.0.0.1:16161\ncommunity=kelpie\ninterface=1\n"))
        return 1;
    QApplication app(argc, argv);
    RegisterFonts();
    QProcess router;
    if (!StartBenchRouter(router, {"--seconds", "90", "--seed", "1", "--interfaces",
                                   QString::number(interfaces)}))
        return 1;

    const long heapBefore = HeapInUse();
    const Clock::time_point start = Clock::now();
    TFormCiscoMon window;
    double longestPoll = 0;
    double longestPollAfter = 0;  // once the list is complete
    double longestWalk = 0;
    Clock::duration complete{};
    Time(
        window.TimerPoll, &window, [&] { window.TimerPollTimer(); },
        [&]() -> double& {
            return complete == Clock::duration{} ? longestPoll : longestPollAfter;
        });
    Time(
        window.TimerWalk, &window, [&] { window.TimerWalkTimer(); },
        [&]() -> double& { return longestWalk; });
    const TInterfaceWalk& walk = Config->walk;
    const int listed = 10 + std::max(0, interfaces - 1);  // ifIndex 1 is among the first ten

    // The requests sent in every 10 ms, from the link's request-ids.
    std::deque<std::pair<Clock::time_point, std::int32_t>> sent;
    int mostInASecond = 0;
    QTimer sampler;
    sampler.setTimerType(Qt::PreciseTimer);
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        const Clock::time_point now = Clock::now();
        sent.emplace_back(now, window.connection()->nextRequestId);
        while (now - sent.front().first > 1s) sent.pop_front();
        mostInASecond = std::max(mostInASecond, sent.back().second - sent.front().second);
        if (complete == Clock::duration{} && !walk.Walking() &&
            window.ComboBoxInterface->count() == listed)
            complete = now - start;
        // Five seconds of polling after the list is complete.
        if (complete != Clock::duration{} && now - start > complete + 5s) app.quit();
        if (now - start > 80s) app.quit();
    });
    sampler.start(10);
    app.exec();

    const long heapAfter = HeapInUse();
    std::printf("switch of %d interfaces: walk %s after %d requests\n", interfaces,
                walk.state() == TInterfaceWalk::TState::Done ? "done" : "NOT done",
                walk.requests());
    std::printf("  list complete (%d entries) after %.0f ms\n", window.ComboBoxInterface->count(),
                Milliseconds(complete));
    std::printf("  longest poll tick %.3f ms, longest walk tick %.3f ms\n", longestPoll,
                longestWalk);
    std::printf("  longest poll tick once the list is complete: %.3f ms\n", longestPollAfter);
    std::printf("  most requests sent in one second: %d\n", mostInASecond);
    std::printf("  heap in use: %.1f kB before the window, %.1f kB at the end\n",
                static_cast<double>(heapBefore) / 1024, static_cast<double>(heapAfter) / 1024);
    router.terminate();
    router.waitForFinished(3000);
    return 0;
}

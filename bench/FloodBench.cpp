// How long one poll tick of the main window takes while 100,000 garbage
// datagrams hit the local port 65535 over three seconds. The window runs in
// this process against simrouter; its timers are stopped and this driver
// calls the ticks and times them. Runs only inside a private network
// namespace (bench/flood puts it there).

#include <QApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/BenchRouter.h"
#include "monitor/Fciscomon.h"
#include "router/Routerconf.h"
#include "shell/Fonts.h"
#include "snmp/Snmp.h"
#include "tests/support/GarbageFlood.h"
#include "tests/support/NetHelpers.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr long kDatagrams = 100'000;
constexpr auto kSpread = 3s;
// Ticks four times the program's pace: each meets a full receive queue all
// the same, and the flood gives more of them to measure.
constexpr auto kTickInterval = 250ms;

double Milliseconds(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

struct TTimes {
    std::vector<double> poll;
    std::vector<double> request;
    int matched = 0;

    static double Longest(const std::vector<double>& v) {
        return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
    }
    static double Median(std::vector<double> v) {
        if (v.empty()) return 0;
        std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
        return v[v.size() / 2];
    }
    void Print(const char* phase) const {
        std::printf(
            "%-14s %4zu ticks  poll tick: longest %7.3f ms, median %7.3f ms  "
            "request tick: longest %7.3f ms  ticks with a reply filed: %d\n",
            phase, poll.size(), Longest(poll), Median(poll), Longest(request), matched);
    }
};

// One tick as the program's two timers give it: the poll, then the requests.
void Tick(TFormCiscoMon& window, std::int64_t& now, TTimes& times) {
    ++now;
    Clock::time_point start = Clock::now();
    window.TimerPollTimer();
    Clock::time_point polled = Clock::now();
    window.TimerRequestTimer();
    Clock::time_point requested = Clock::now();
    times.poll.push_back(Milliseconds(polled - start));
    times.request.push_back(Milliseconds(requested - polled));
    const TSnmpValue* cpu = Config->cpu;
    if (cpu->sampleCount > 0 && cpu->samples[0].time == now) ++times.matched;
    QCoreApplication::processEvents();
}

}  // namespace

int main(int argc, char* argv[]) {
    if (!nettest::InPrivateNetwork()) {
        std::fprintf(stderr, "bench_flood: not in a private network namespace; run bench/flood\n");
        return 1;
    }
    QTemporaryDir home;
    if (!WriteBenchSettings(home, "hostname=127.0.0.1:16161\ncommunity=kelpie\ninterface=6\n"))
        return 1;
    QApplication app(argc, argv);
    RegisterFonts();
    QProcess router;
    if (!StartBenchRouter(router, {"--seconds", "60", "--seed", "1"})) return 1;

    TFormCiscoMon window;
    window.TimerPoll->stop();
    window.TimerRequest->stop();
    std::int64_t now = 1'000'000;
    window.Now = [&now] { return now; };

    TTimes before;
    TTimes during;
    TTimes after;
    Clock::time_point next = Clock::now();
    for (int i = 0; i < 8; ++i) {
        std::this_thread::sleep_until(next += kTickInterval);
        Tick(window, now, before);
    }
    const long droppedBefore = nettest::UdpStatistic("RcvbufErrors");
    {
        faults::TGarbageFlood flood(TSnmpConnection::kLocalPort, kDatagrams, kSpread, 10s);
        while (flood.running()) {
            std::this_thread::sleep_until(next += kTickInterval);
            Tick(window, now, during);
        }
        flood.Join();
        std::printf("flood: %ld garbage datagrams of 1 to 300 octets to 127.0.0.1:%u over %lld s\n",
                    flood.sent(), TSnmpConnection::kLocalPort,
                    static_cast<long long>(
                        std::chrono::duration_cast<std::chrono::seconds>(kSpread).count()));
        std::printf("       %ld of them dropped at the window's full receive queue\n",
                    nettest::UdpStatistic("RcvbufErrors") - droppedBefore);
    }
    for (int i = 0; i < 8; ++i) {
        std::this_thread::sleep_until(next += kTickInterval);
        Tick(window, now, after);
    }
    before.Print("before flood");
    during.Print("during flood");
    after.Print("after flood");
    std::printf("longest poll tick during the flood: %.3f ms (goal: at most 100 ms)\n",
                TTimes::Longest(during.poll));

    router.terminate();
    router.waitForFinished(3000);
    return 0;
}

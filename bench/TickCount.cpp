// bench_tick_count CASE N: runs one tick of the main window N times, for
// counting its instructions under callgrind (bench/tick-callgrind), and
// prints the heap allocations made inside the ticks.
//   request21  a request tick before any reply: 21 GetRequests
//   request9   a request tick in the steady state: 9 GetRequests
//   poll21     a poll tick that finds 21 replies waiting
//   second     a steady-state second on the shown window: the poll tick of
//              the nine replies, with values that move as a router's do,
//              then every glide wake-up and repaint it causes, to rest
// The window runs offscreen and talks to a sink on loopback, so run it inside
// tests/netns: the window binds the fixed local port 65535.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "monitor/Fciscomon.h"
#include "router/Routerconf.h"
#include "snmp/Snmp.h"
#include "widgets/Gaugebar.h"

namespace {

std::size_t allocations = 0;
bool counting = false;

// The router's side: a socket that takes the requests and sends replies.
class TSink {
public:
    TSink() {
        socket_ = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(socket_, reinterpret_cast<sockaddr*>(&local), sizeof local);
        socklen_t size = sizeof local;
        ::getsockname(socket_, reinterpret_cast<sockaddr*>(&local), &size);
        port_ = ntohs(local.sin_port);
    }
    ~TSink() { ::close(socket_); }
    std::uint16_t port() const { return port_; }

    int Drain() {
        int n = 0;
        std::array<char, 4096> buffer{};
        pollfd ready{socket_, POLLIN, 0};
        while (::poll(&ready, 1, n == 0 ? 200 : 0) > 0 &&
               ::recv(socket_, buffer.data(), buffer.size(), 0) > 0)
            ++n;
        return n;
    }

    void Send(const std::vector<std::uint8_t>& datagram) {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        to.sin_port = htons(TSnmpConnection::kLocalPort);
        ::sendto(socket_, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&to),
                 sizeof to);
    }

private:
    int socket_ = -1;
    std::uint16_t port_ = 0;
};

// A GetResponse binding `oid` to Gauge `value`, as a router sends it.
std::vector<std::uint8_t> Reply(const std::string& oid, std::int32_t value, std::int32_t id) {
    auto binding = std::make_unique<TAsn1Sequence>();
    binding->Append(std::make_unique<TAsn1Object>(oid));
    binding->Append(std::make_unique<TAsn1Integer>(value, kTagGauge));
    auto bindings = std::make_unique<TAsn1Sequence>();
    bindings->Append(std::move(binding));
    auto pdu = std::make_unique<TAsn1Implicit>(true, 2);
    pdu->Append(std::make_unique<TAsn1Integer>(id));
    pdu->Append(std::make_unique<TAsn1Integer>(0));
    pdu->Append(std::make_unique<TAsn1Integer>(0));
    pdu->Append(std::move(bindings));
    TAsn1Sequence message;
    message.Append(std::make_unique<TAsn1Integer>(0));
    message.Append(std::make_unique<TAsn1OctetString>("kelpie"));
    message.Append(std::move(pdu));
    std::vector<std::uint8_t> out(4096);
    out.resize(message.Encode(out));
    return out;
}

enum class TCase { Request, Poll, Second };

// Whether a gauge of the window still glides.
bool Gliding(const TFormCiscoMon& window) {
    return window.ProgressBarCpu->AnimationRunning() || window.ProgressBarMem->AnimationRunning();
}

// The measured region: one tick, or one second. callgrind collects inside
// it only.
extern "C" [[gnu::noinline]] void MeasuredTick(TFormCiscoMon* window, TCase which) {
    counting = true;
    switch (which) {
        case TCase::Request:
            window->TimerRequestTimer();
            break;
        case TCase::Poll:
            window->TimerPollTimer();
            break;
        case TCase::Second:
            window->TimerPollTimer();
            // The glides' own timers, and the paints they post, until all is
            // at rest.
            while (Gliding(*window)) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            QCoreApplication::processEvents();
            break;
    }
    counting = false;
}

using TAnswers = std::vector<std::pair<std::string, std::int32_t>>;

// The nine answers of steady-state second `i`: the CPU moves every fifth
// second, the memory in use a little every second, and the counters by a
// varying number of packets.
TAnswers SecondAnswers(long i) {
    const TCiscoInterface& it = Config->interfaces[6];
    const auto cpu = static_cast<std::int32_t>(20 + (i / 5 % 2) * 4);
    const auto used = static_cast<std::int32_t>(40'000'000 + (i % 3) * 1'000'000);
    const auto packets = static_cast<std::int32_t>(1000 * i + (i % 7) * 37);
    return {{Config->cpu->oid, cpu},
            {Config->pools[0].poolUsed->oid, used},
            {Config->pools[0].poolFree->oid, 100'000'000 - used},
            {Config->pools[1].poolUsed->oid, used / 4},
            {Config->pools[1].poolFree->oid, 20'000'000 - used / 4},
            {it.inUcast->oid, packets},
            {it.inNUcast->oid, packets / 50},
            {it.outUcast->oid, packets / 2},
            {it.outNUcast->oid, packets / 100}};
}

// Only answers to requests just sent are filed: asks for each OID, answers
// each request with its id, and waits until the answers are there.
void AskAndAnswer(TFormCiscoMon& window, TSink& sink, const TAnswers& answers) {
    TSnmpConnection& link = *window.connection();
    for (const auto& [oid, value] : answers) {
        const std::int32_t id = link.nextRequestId;
        link.SendGet(oid);
        sink.Send(Reply(oid, value, id));
    }
    sink.Drain();
    pollfd ready{link.socket, POLLIN, 0};
    ::poll(&ready, 1, 200);
}

}  // namespace

void* operator new(std::size_t size) {
    if (counting) ++allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

int main(int argc, char** argv) {
    const std::string mode = argc == 3 ? argv[1] : "";
    const long count = argc == 3 ? std::atol(argv[2]) : 0;
    if ((mode != "request21" && mode != "request9" && mode != "poll21" && mode != "second") ||
        count < 1) {
        std::fprintf(stderr, "usage: bench_tick_count request21|request9|poll21|second N\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    TSink sink;
    QDir(home.path()).mkpath("Quillot");
    QFile settings(home.path() + "/Quillot/ventrel.conf");
    if (!settings.open(QIODevice::WriteOnly)) return 1;
    settings.write(QString("[General]\nhostname=127.0.0.1:%1\n").arg(sink.port()).toUtf8());
    settings.close();

    QApplication app(argc, argv);
    TFormCiscoMon window;
    window.TimerPoll->stop();
    window.TimerRequest->stop();
    if (mode != "request21") {
        for (const auto& v : Config->variables) v->answered = true;
    }
    const TCase which = mode == "poll21"   ? TCase::Poll
                        : mode == "second" ? TCase::Second
                                           : TCase::Request;
    if (which == TCase::Second) {
        // A first second's answers bring up the gauges page; then the window shows.
        AskAndAnswer(window, sink, SecondAnswers(0));
        window.TimerPollTimer();
        window.show();
        while (Gliding(window)) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QCoreApplication::processEvents();
    }

    // The 21 answers of a first tick, for the poll case.
    TAnswers answers;
    for (const auto& v : Config->variables) {
        if (v->active)
            answers.emplace_back(v->oid, 1000 + static_cast<std::int32_t>(answers.size()));
    }
    for (const TSnmpValue* c : {Config->interfaces[6].inUcast, Config->interfaces[6].inNUcast,
                                Config->interfaces[6].outUcast, Config->interfaces[6].outNUcast}) {
        answers.emplace_back(c->oid, 5000 + static_cast<std::int32_t>(answers.size()));
    }

    // The link keeps the OIDs of its last 1,024 requests, and each of those
    // texts grows to the longest OID it held: the steady state begins once
    // every one has held each of the nine.
    if (which == TCase::Request && mode != "request21") {
        for (long warm = 0; warm < 9 * (1024 / 9 + 1); ++warm) {
            window.TimerRequestTimer();
            sink.Drain();
        }
    }
    long sent = 0;
    std::size_t total = 0;
    std::size_t received = 0;
    for (long i = 0; i <= count; ++i) {  // the first round is a warm-up
        if (which != TCase::Request) {
            const TAnswers round = which == TCase::Poll ? answers : SecondAnswers(i + 1);
            AskAndAnswer(window, sink, round);
            received += round.size();
        }
        allocations = 0;
        MeasuredTick(&window, which);
        if (i > 0) total += allocations;
        if (which == TCase::Request) sent += sink.Drain();
    }
    const long moved = which == TCase::Request ? sent : static_cast<long>(received);
    std::printf("%s ticks=%ld datagrams-per-tick=%.1f allocations-per-tick=%.1f\n", mode.c_str(),
                count, static_cast<double>(moved) / static_cast<double>(count + 1),
                static_cast<double>(total) / static_cast<double>(count));
    return 0;
}

// simrouter: a simulated Cisco router answering SNMP version 1 GetRequests on
// UDP, for the demo, the tests, and anyone who wants to try Ventrel without a
// router. It only answers: it never sends a datagram that was not asked for.
#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <deque>
#include <iostream>
#include <random>

#include "snmp/Udpsocket.h"
#include "snmp/Winsockinit.h"
#include "tools/simrouter/SimAgent.h"
#include "tools/simrouter/SimOptions.h"

namespace {

using Clock = std::chrono::steady_clock;

volatile std::sig_atomic_t stopRequested = 0;

void OnStopSignal(int) { stopRequested = 1; }

void CatchStopSignals() {
#ifdef _WIN32
    // Ctrl+C in a console; Windows raises no SIGTERM.
    std::signal(SIGINT, OnStopSignal);
#else
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
#endif
}

// A reply held back by --delay.
struct TPending {
    Clock::time_point due;
    TUdpPeer to;
    std::vector<std::uint8_t> octets;
};

// Replies held back at once; beyond that they are lost, so memory stays bounded.
constexpr std::size_t kMaxPending = 10000;
// Requests read in one go before timers are looked at again.
constexpr int kMaxBurst = 256;

class TSimServer {
public:
    explicit TSimServer(const TSimOptions& options)
        : options_(options),
          seed_(options.seed ? *options.seed : std::random_device{}()),
          router_(seed_, options.wrapSoon, options.restartAfter, options.interfaces),
          agent_(router_, options.community),
          loss_(seed_ ^ 0x9E3779B9u) {}

    ~TSimServer() {
        UdpClose(socket_);
        if (replySocket_ != socket_) UdpClose(replySocket_);
    }
    TSimServer(const TSimServer&) = delete;
    TSimServer& operator=(const TSimServer&) = delete;

    bool Start() {
        TUdpAddress address;
        ParseSimAddress(options_.bind, address);
        socket_ = UdpOpen(address.family);
        if (socket_ == kNoSocket ||
            !UdpBind(socket_, address, static_cast<std::uint16_t>(options_.port))) {
            std::cerr << "simrouter: cannot listen on " << options_.bind << ":" << options_.port
                      << "\n";
            return false;
        }
        replySocket_ = socket_;
        if (!options_.replyFrom.empty()) {
            TUdpAddress replyAddress;
            ParseSimAddress(options_.replyFrom, replyAddress);
            replySocket_ = UdpOpen(replyAddress.family);
            if (replySocket_ == kNoSocket || !UdpBind(replySocket_, replyAddress, 0)) {
                std::cerr << "simrouter: cannot bind a reply socket to " << options_.replyFrom
                          << "\n";
                return false;
            }
        }
        std::cout << "simrouter: listening on "
                  << PeerText({address, static_cast<std::uint16_t>(options_.port)})
                  << " community \"" << options_.community << "\" seed " << seed_ << std::endl;
        return true;
    }

    void Run() {
        start_ = Clock::now();
        const bool bounded = options_.seconds > 0;
        const Clock::time_point end = start_ + std::chrono::seconds(options_.seconds);
        while (stopRequested == 0) {
            Clock::time_point now = Clock::now();
            if (bounded && now >= end) break;
            SendDue(now);
            auto wait = std::chrono::milliseconds(100);
            if (!pending_.empty()) wait = std::min(wait, Until(pending_.front().due, now));
            if (bounded) wait = std::min(wait, Until(end, now));
            if (UdpReadable(socket_, static_cast<int>(wait.count()))) ReadRequests();
        }
        std::cout << "simrouter: stopped after " << requests_ << " requests" << std::endl;
    }

private:
    static std::chrono::milliseconds Until(Clock::time_point then, Clock::time_point now) {
        auto left = std::chrono::ceil<std::chrono::milliseconds>(then - now);
        return std::max(left, std::chrono::milliseconds(0));
    }

    void SendDue(Clock::time_point now) {
        while (!pending_.empty() && pending_.front().due <= now) {
            UdpSendTo(replySocket_, pending_.front().to, pending_.front().octets);
            pending_.pop_front();
        }
    }

    void ReadRequests() {
        for (int i = 0; i < kMaxBurst; ++i) {
            TUdpPeer from;
            std::ptrdiff_t size = UdpReceive(socket_, buffer_, from);
            if (size == kUdpNothing) return;
            if (size == kUdpSkipped) continue;
            ++requests_;
            std::string sender = PeerText(from);
            if (static_cast<std::size_t>(size) > buffer_.size()) {
                Log(sender, "oversized datagram of " + std::to_string(size) + " octets dropped");
                continue;
            }
            Handle(sender, from, std::span(buffer_).first(static_cast<std::size_t>(size)));
        }
    }

    void Handle(const std::string& sender, TUdpPeer from, std::span<const std::uint8_t> datagram) {
        auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - start_);
        router_.AdvanceTo(elapsed.count());
        TSimReply reply = agent_.Handle(datagram);
        if (!reply.answer) {
            Log(sender, reply.summary);
            return;
        }
        if (options_.loss > 0 &&
            std::uniform_real_distribution<double>(0, 100)(loss_) < options_.loss) {
            Log(sender, reply.summary + " reply=lost");
            return;
        }
        if (options_.delayMs > 0) {
            if (pending_.size() >= kMaxPending) {
                Log(sender, reply.summary + " reply=lost-queue-full");
                return;
            }
            pending_.push_back({Clock::now() + std::chrono::milliseconds(options_.delayMs), from,
                                std::move(reply.octets)});
            Log(sender, reply.summary + " reply=delayed");
            return;
        }
        // Sent before the line is printed: whoever reads the log may count
        // on the reply being on its way.
        bool sent = UdpSendTo(replySocket_, from, reply.octets);
        Log(sender, reply.summary + (sent ? " reply=sent" : " reply=send-failed"));
    }

    void Log(const std::string& sender, const std::string& text) const {
        if (options_.log) std::cout << "from=" << sender << " " << text << std::endl;
    }

    TSimOptions options_;
    std::uint32_t seed_;
    TSimRouter router_;
    TSimAgent agent_;
    std::mt19937 loss_;
    TSocketHandle socket_ = kNoSocket;
    TSocketHandle replySocket_ = kNoSocket;
    Clock::time_point start_;
    std::deque<TPending> pending_;
    std::array<std::uint8_t, 65536> buffer_{};
    long requests_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    TSimOptions options;
    std::vector<std::string> args(argv + 1, argv + argc);
    if (auto error = ParseSimOptions(args, options)) {
        std::cerr << "simrouter: " << *error << "\n" << SimHelpText();
        return 2;
    }
    if (options.help) {
        std::cout << SimHelpText();
        return 0;
    }
    if (!StartSockets()) {
        std::cerr << "simrouter: the socket library did not start\n";
        return 1;
    }
    CatchStopSignals();
    TSimServer server(options);
    if (!server.Start()) return 1;
    server.Run();
    return 0;
}

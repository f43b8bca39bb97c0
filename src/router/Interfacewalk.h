// Which interfaces the router has: a walk of the ifDescr column with
// GetNextRequests, one at a time and paced, so that it never floods the
// router, asking again for what gets no answer. Routers number their
// interfaces sparsely (1, 60, 5185, 11001 ...), so asking for instances one
// by one would miss most of them.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class TSnmpValue;

// An interface the walk found: its ifIndex and its ifDescr.
struct TWalkedInterface {
    std::int32_t instance = 0;
    std::string name;
};

class TInterfaceWalk {
public:
    using TClock = std::chrono::steady_clock;

    static constexpr std::size_t kMaxInterfaces = 1000;
    // The walk's pace: a step every kStep, one request at most each, so 50
    // a second. Whatever calls it, two requests are never closer than
    // kMinGap, which leaves room for a timer that fires a little late after
    // one that fired on time.
    static constexpr std::chrono::milliseconds kStep{20};
    static constexpr std::chrono::milliseconds kMinGap{15};
    // An answer that has not come within kAnswerWait is asked for again, up
    // to kTries times in all; then the walk gives up, and is due again
    // kRetryAfter later.
    static constexpr std::chrono::milliseconds kAnswerWait{1000};
    static constexpr int kTries = 3;
    static constexpr std::chrono::seconds kRetryAfter{60};

    enum class TState { Idle, Walking, Done, GaveUp };

    // Walks from the start of the column. `forget`: the interfaces found
    // before are dropped (another router, perhaps); else they stay, and the
    // walk adds to them and renames them.
    void Start(TClock::time_point now, bool forget);

    // The OID to send a GetNextRequest for, when one is due at `now`.
    std::optional<std::string> Due(TClock::time_point now);

    // An answer to one of the walk's GetNextRequests, as the link took it
    // (Get answers and stale ones are passed over).
    void Take(const TSnmpValue& reply);

    // The walk gave up, and it is time to try again.
    bool RetryDue(TClock::time_point now) const;

    TState state() const { return state_; }
    bool Walking() const { return state_ == TState::Walking; }
    // Every interface found, in ifIndex order.
    const std::vector<TWalkedInterface>& found() const { return found_; }
    // Counts the changes to found(), for whoever shows it.
    int version() const { return version_; }
    // Requests sent since the walk started.
    int requests() const { return requests_; }

private:
    void Finish(TState state);
    void Found(std::int32_t instance, const std::string& name);

    TState state_ = TState::Idle;
    std::string cursor_;  // the OID asked for last; the walk goes on after it
    bool waiting_ = false;
    int tries_ = 0;
    TClock::time_point sent_{};
    TClock::time_point gaveUp_{};
    std::vector<TWalkedInterface> found_;
    int version_ = 0;
    int requests_ = 0;
};

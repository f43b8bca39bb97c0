// Whether the router has gone quiet, told one poll tick at a time: when it
// last answered, whether the figures on show are stale, and the two notices
// of an outage, each given once.
#pragma once

#include <cstdint>
#include <optional>

class TOutage {
public:
    // Seconds without a matched reply after which the figures are stale,
    // and after which the silence is an outage worth a notice.
    static constexpr std::int64_t kStaleAfter = 10;
    static constexpr std::int64_t kNoticeAfter = 30;
    // Ticks come every second; a longer gap is time the program did not
    // watch (the computer slept, or the clock was set) and counts as no
    // silence.
    static constexpr std::int64_t kMaxTickGap = 5;

    enum class TNotice { None, Stopped, AnswersAgain };

    // One poll tick at `now`, wall-clock seconds; `matched`: a reply matched
    // in it. Returns the notice this tick calls for.
    TNotice Tick(std::int64_t now, bool matched);

    // As of the last tick: the figures are older than kStaleAfter, by the
    // clock or by the silence watched.
    bool Stale() const { return stale_; }
    // When the last matched reply came, none before the first.
    std::optional<std::int64_t> LastMatched() const { return lastMatched_; }

private:
    std::optional<std::int64_t> lastMatched_;
    std::int64_t lastTick_ = 0;
    std::int64_t quiet_ = 0;  // seconds of silence watched since the last matched reply
    bool stale_ = false;
    bool stoppedTold_ = false;
};

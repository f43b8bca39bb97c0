#include "router/Outage.h"

TOutage::TNotice TOutage::Tick(std::int64_t now, bool matched) {
    const std::int64_t gap = now - lastTick_;
    lastTick_ = now;
    if (matched) {
        lastMatched_ = now;
        quiet_ = 0;
        stale_ = false;
        if (!stoppedTold_) return TNotice::None;
        stoppedTold_ = false;
        return TNotice::AnswersAgain;
    }
    // Before the first reading there is nothing to go stale.
    if (!lastMatched_) return TNotice::None;
    if (gap >= 0 && gap <= kMaxTickGap) quiet_ += gap;
    // Figures from before a sleep are old all the same.
    stale_ = quiet_ >= kStaleAfter || now - *lastMatched_ >= kStaleAfter;
    if (stoppedTold_ || quiet_ < kNoticeAfter) return TNotice::None;
    stoppedTold_ = true;
    return TNotice::Stopped;
}

#include "router/Traynews.h"

#include <QDateTime>

#include "router/Readings.h"
#include "router/Traytip.h"

namespace {

// A wall-clock time in seconds as the user reads the clock.
std::string ClockText(std::int64_t seconds) {
    return QDateTime::fromSecsSinceEpoch(seconds).toString("HH:mm:ss").toStdString();
}

std::string_view NoticeText(TOutage::TNotice notice) {
    switch (notice) {
        case TOutage::TNotice::Stopped:
            return "The router stopped answering";
        case TOutage::TNotice::AnswersAgain:
            return "The router answers again";
        case TOutage::TNotice::None:
            break;
    }
    return {};
}

}  // namespace

TTrayNews::TNews TTrayNews::Tick(std::int64_t now, const TReadings* readings,
                                 std::string_view entry, bool figuresShown) {
    TNews news;
    news.notice = outage_.Tick(now, readings != nullptr);
    news.noticeText = NoticeText(news.notice);
    if (readings != nullptr) {
        news.tip = ReadingsTip(*readings, readings->interfaceSelected ? entry : std::string_view{});
    } else if (outage_.Stale() && figuresShown) {
        // The window keeps the last figures up; the tip says how old they are.
        news.tip = SilentTip(ClockText(*outage_.LastMatched()));
    }
    return news;
}

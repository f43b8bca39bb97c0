// What the tray icon tells after each poll tick: a new tip, when there is
// one, and the notice of an outage or of its end, each told once. The
// window passes it on; the decisions are made here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "router/Outage.h"

struct TReadings;

class TTrayNews {
public:
    struct TNews {
        std::optional<std::string> tip;  // none: the tip shown stays
        TOutage::TNotice notice = TOutage::TNotice::None;
        std::string_view noticeText;  // the words of the notice, when there is one
    };

    // One poll tick at `now`, wall-clock seconds. `readings`: what the
    // window shows when a reply matched in this tick, else none; `entry`:
    // the selected entry of the interface list; `figuresShown`: the window
    // shows figures rather than its waiting text.
    TNews Tick(std::int64_t now, const TReadings* readings, std::string_view entry,
               bool figuresShown);

private:
    TOutage outage_;
};

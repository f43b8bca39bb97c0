#include "widgets/Gaugebar.h"

#include <QLinearGradient>
#include <QPainter>
#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>

#include "widgets/Accessible.h"
#include "widgets/Gaugeglide.h"

namespace {

constexpr int kTextMargin = 2;

std::int64_t SteadyMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// A rectangle outlined in `border`, filled with `brush`. Square corners are
// plain fills, far cheaper for the raster engine than stroking an outline.
void DrawBox(QPainter& painter, const QRect& box, const QColor& border, const QBrush& brush,
             int rounding) {
    if (rounding > 0) {
        painter.setPen(border);
        painter.setBrush(brush);
        painter.drawRoundedRect(box.adjusted(0, 0, -1, -1), rounding, rounding);
        return;
    }
    painter.fillRect(box, border);
    const QRect inside = box.adjusted(1, 1, -1, -1);
    if (inside.isValid()) painter.fillRect(inside, brush);
}

}  // namespace

const QString TGaugeBar::kNotAvailableText = QStringLiteral("n/a");

TGaugeBar::TGaugeBar(QWidget* parent) : QWidget(parent), FClock(SteadyMs) {
    resize(150, 17);
    FAnimationTimer.setSingleShot(true);
    FAnimationTimer.setTimerType(Qt::PreciseTimer);
    connect(&FAnimationTimer, &QTimer::timeout, this, &TGaugeBar::AnimationWake);
    FStaticText.setTextFormat(Qt::PlainText);
    InstallWidgetAccessibility();
}

double TGaugeBar::Clamp(double value) const {
    // In this order a NaN comes out as Minimum.
    return std::min(FMaximum, std::max(FMinimum, value));
}

void TGaugeBar::SetPosition(double value) {
    const double before = FTargetValue;
    const bool wasAvailable = FAvailable;
    FAvailable = true;
    MoveTo(Clamp(value));
    if (!wasAvailable) Refresh();  // "n/a" gives way even when the value is the minimum
    // Told once the bar holds the new value, for a listener that reads it.
    if (FTargetValue != before || !wasAvailable) NotifyGaugeValue(*this);
}

void TGaugeBar::SetNotAvailable() {
    if (!FAvailable) return;
    FAvailable = false;
    FAnimationTimer.stop();
    FGlidePending = false;
    const double before = FDisplayedValue;
    FTargetValue = FMinimum;
    FDisplayedValue = FMinimum;
    if (FDisplayedValue != before) emit OnPositionChanged(FDisplayedValue);
    Refresh();
    NotifyGaugeValue(*this);
}

void TGaugeBar::MoveTo(double target) {
    const double before = FDisplayedValue;
    if (!FProgressAnimation || !isVisible()) {
        // No glide while nobody can see it: it would only keep a timer busy.
        FAnimationTimer.stop();
        FGlidePending = false;
        FTargetValue = target;
        FDisplayedValue = target;
        emit OnPositionChanged(FDisplayedValue);
        Refresh();
        return;
    }
    if (AnimationRunning()) {
        // The glide under way goes on to the same target as it was.
        if (target == FTargetValue) return;
        // The ticks since the last wake-up moved the value on, though none
        // of them drew anything new: take them before turning to the new
        // target, or every write during a glide would set it back.
        CatchUp();
    } else {
        FArmedAt = FClock();
    }
    FTargetValue = target;
    FGlidePending = true;
    ScheduleWake();
    if (FDisplayedValue != before) emit OnPositionChanged(FDisplayedValue);
}

void TGaugeBar::SetMaximum(double value) {
    if (value == FMaximum || std::isnan(value)) return;
    FMaximum = value;
    // Only a lower maximum moves the value; a raised one leaves an earlier
    // clamp in place. A target below the new maximum is kept.
    if (FAvailable && (FTargetValue > value || FDisplayedValue > value))
        SetPosition(std::min(FTargetValue, value));
    Refresh();
}

void TGaugeBar::SetMinimum(double value) {
    if (value == FMinimum || std::isnan(value)) return;
    FMinimum = value;
    if (!FAvailable) {
        FTargetValue = FDisplayedValue = value;
    } else if (FTargetValue < value || FDisplayedValue < value) {
        SetPosition(std::max(FTargetValue, value));
    }
    Refresh();
}

bool TGaugeBar::Gliding() const {
    return (FProgressAnimation && FGlidePending) || FDisplayedValue != FTargetValue;
}

bool TGaugeBar::Tick() {
    if (!Gliding()) return false;
    if (GlideStep(FDisplayedValue, FTargetValue)) FGlidePending = false;
    return true;
}

void TGaugeBar::ApplyTicks(int ticks) {
    for (int i = 0; i < ticks && Tick(); ++i) {
    }
}

void TGaugeBar::AnimationTick() {
    // Stepping by hand takes the place of the timer.
    FAnimationTimer.stop();
    if (!Tick()) return;
    Refresh();
    emit OnPositionChanged(FDisplayedValue);
}

void TGaugeBar::CatchUp() {
    const std::int64_t elapsed = FClock() - FArmedAt;
    const auto ticks =
        static_cast<int>(std::clamp<std::int64_t>(elapsed / kGlideTickMs, 0, FWakeTicks));
    ApplyTicks(ticks);
    FArmedAt += std::int64_t{ticks} * kGlideTickMs;
    // All of them: the wake-up was due and the picture changes.
    if (ticks == FWakeTicks) Refresh();
}

void TGaugeBar::AnimationWake() {
    const double before = FDisplayedValue;
    ApplyTicks(FWakeTicks);
    FArmedAt += std::int64_t{FWakeTicks} * kGlideTickMs;
    Refresh();
    if (Gliding()) {
        ScheduleWake();
    } else {
        FAnimationTimer.stop();
    }
    if (FDisplayedValue != before) emit OnPositionChanged(FDisplayedValue);
}

void TGaugeBar::ScheduleWake() {
    // The glide moves every 10 ms, but most ticks draw the same pixels and
    // the same text as the one before. Wake up only at the next tick that
    // changes the picture: the pictures drawn are the same, tick for tick,
    // and an idle bar costs nothing.
    const int ticks = NextVisibleTick();
    if (ticks == 0) {
        // Nothing left to see: the glide ends now rather than in a wake-up
        // that would draw the same picture.
        EndGlide();
        return;
    }
    FWakeTicks = ticks;
    // On the grid of ticks: a late wake-up makes the next one sooner.
    const std::int64_t late = std::max<std::int64_t>(0, FClock() - FArmedAt);
    const std::int64_t wait = std::max<std::int64_t>(0, std::int64_t{ticks} * kGlideTickMs - late);
    FAnimationTimer.start(static_cast<int>(std::min<std::int64_t>(wait, INT_MAX)));
}

void TGaugeBar::EndGlide() {
    FAnimationTimer.stop();
    FGlidePending = false;
    FDisplayedValue = FTargetValue;
    Refresh();
}

void TGaugeBar::hideEvent(QHideEvent* event) {
    if (Gliding()) {
        const double before = FDisplayedValue;
        EndGlide();
        if (FDisplayedValue != before) emit OnPositionChanged(FDisplayedValue);
    }
    QWidget::hideEvent(event);
}

int TGaugeBar::NextVisibleTick() {
    const double gap = FTargetValue - FDisplayedValue;
    if (gap == 0) return 0;
    const bool up = gap > 0;
    int next = INT_MAX;
    // A boundary on the way, where the picture changes, is passed once the
    // distance left to the target is at most the boundary's.
    auto consider = [&](double boundary) {
        if (up ? !(boundary > FDisplayedValue) : !(boundary < FDisplayedValue)) return;
        // Going up the picture changes on reaching the boundary, going down
        // on passing below it: a boundary on the target itself is passed
        // only going up.
        const double distance = up ? FTargetValue - boundary : boundary - FTargetValue;
        if (up ? distance < 0 : !(distance > 0)) return;
        next = std::min(next, std::max(1, TicksUntilWithin(gap, distance)));
    };

    // The fill's next pixel, or its last one going.
    const int inner = InnerWidth();
    const double range = FMaximum - FMinimum;
    if (range > 0 && inner > 0) {
        const int fill = FillWidthAt(FDisplayedValue);
        if (up && fill < inner) consider(FMinimum + range * (fill + 1) / inner);
        if (!up && fill > 0) consider(FMinimum + range * fill / inner);
    }

    // The printed number's next change, halfway to the next number printed.
    if (FAppearance.ValueVisible) {
        TextChanged();  // the key of the text drawn now
        const std::optional<double> scale = Format().Scale();
        if (!scale || !FTextKey) {
            next = 1;  // only printing tells: look at every tick
        } else if (*scale > 0) {
            // The number printed is slope × value + offset.
            double slope = 1;
            double offset = 0;
            if (FAppearance.ValueType == vtPercentage) {
                slope = range > 0 ? 100 / range : 0;
                offset = -FMinimum * slope;
            }
            const double key = *FTextKey == -0.5 ? 0 : *FTextKey;  // "-0" changes at 0
            if (slope > 0) {
                for (double printed : {(key + 0.5) / *scale, (key - 0.5) / *scale, 0.0})
                    consider((printed - offset) / slope);
            }
        }
    }

    if (next != INT_MAX) return next;
    // No boundary before the target; one may lie on it, within rounding, to
    // be reached when the glide lands there.
    return PictureDiffersAt(FTargetValue) ? TicksUntilWithin(gap, 0) : 0;
}

bool TGaugeBar::PictureDiffersAt(double value) {
    // Against the picture of the value now, which a new range may have
    // changed since it was drawn.
    if (FillWidthAt(value) != FillWidthAt(FDisplayedValue)) return true;
    if (!FAppearance.ValueVisible) return false;
    const TGaugeValueFormat& format = Format();
    const double number = TextNumber(value);
    const double numberNow = TextNumber(FDisplayedValue);
    const std::optional<double> key = format.Key(number);
    const std::optional<double> keyNow = format.Key(numberNow);
    if (key && keyNow) return *key != *keyNow;
    return format.Text(number) != format.Text(numberNow);
}

QString TGaugeBar::ValueText() const {
    if (!FAvailable) return kNotAvailableText;
    return FormatGaugeValue(FAppearance.ValueFormat, TextNumber(FDisplayedValue));
}

QString TGaugeBar::TargetText() const {
    if (!FAvailable) return kNotAvailableText;
    return FormatGaugeValue(FAppearance.ValueFormat, TextNumber(FTargetValue));
}

double TGaugeBar::TextNumber(double displayed) const {
    double value = Clamp(displayed);
    if (FAppearance.ValueType == vtPercentage) {
        const double range = FMaximum - FMinimum;
        value = range > 0 ? (value - FMinimum) / range * 100.0 : 0.0;
    }
    return value;
}

const TGaugeValueFormat& TGaugeBar::Format() {
    if (FFormat.format() != FAppearance.ValueFormat) {
        FFormat = TGaugeValueFormat(FAppearance.ValueFormat);
        FTextKnown = false;
    }
    return FFormat;
}

bool TGaugeBar::TextChanged() {
    if (!FAppearance.ValueVisible || !FAvailable) {
        FTextKnown = false;
        return ShowText(FAppearance.ValueVisible ? kNotAvailableText : QString());
    }
    const TGaugeValueFormat& format = Format();
    const double number = TextNumber(FDisplayedValue);
    const std::optional<double> key = format.Key(number);
    // The same number printed: the same text, without printing it.
    if (FTextKnown && key && FTextKey && *key == *FTextKey) return false;
    FTextKey = key;
    FTextKnown = true;
    return ShowText(format.Text(number));
}

bool TGaugeBar::ShowText(QString text) {
    if (text == FText) return false;
    FText = std::move(text);
    FStaticText.setText(FText);
    FTextLaidOut = false;
    return true;
}

int TGaugeBar::ShownFillWidth() const { return FAvailable ? FillWidthAt(FDisplayedValue) : 0; }

bool TGaugeBar::Refresh() {
    // Nobody sees it: the picture is worked out when it shows again.
    if (!isVisible()) {
        FShownFill = -1;
        return false;
    }
    const int fill = ShownFillWidth();
    const bool text = TextChanged();
    if (fill == FShownFill && !text) return false;
    FShownFill = fill;
    // A square bar covers every pixel of its own: nothing beneath it needs
    // painting first.
    const bool opaque = FAppearance.Rounding == 0;
    if (testAttribute(Qt::WA_OpaquePaintEvent) != opaque)
        setAttribute(Qt::WA_OpaquePaintEvent, opaque);
    update();
    return true;
}

int TGaugeBar::InnerWidth() const { return std::max(0, width() - 2); }

int TGaugeBar::FillWidthAt(double value) const {
    if (!(FMaximum > FMinimum)) return 0;
    const int innerWidth = InnerWidth();
    const double fraction = (value - FMinimum) / (FMaximum - FMinimum);
    if (!(fraction > 0)) return 0;
    if (fraction >= 1) return innerWidth;
    return static_cast<int>(fraction * innerWidth);
}

QRect TGaugeBar::ValueRect(const QRect& inner, int fillWidth, int textWidth) const {
    const int left = inner.left() + kTextMargin;
    int x = inner.left() + (inner.width() - textWidth) / 2;
    switch (FAppearance.ValuePosition) {
        case vpLeft:
            x = left;
            break;
        case vpRight:
            x = inner.right() + 1 - kTextMargin - textWidth;
            break;
        case vpProgressCenter:
            x = std::max(left, inner.left() + (fillWidth - textWidth) / 2);
            break;
        case vpProgressRight:
            x = std::max(left, inner.left() + fillWidth - kTextMargin - textWidth);
            break;
        case vpCenter:
        case vpCustom:
            break;
    }
    return {x, inner.top(), textWidth, inner.height()};
}

void TGaugeBar::paintEvent(QPaintEvent* /*event*/) {
    TextChanged();  // laid out again only when it changed
    QPainter painter(this);
    DrawBox(painter, rect(), FAppearance.BorderColor, FAppearance.BackgroundColor,
            FAppearance.Rounding);

    const QRect inner = rect().adjusted(1, 1, -1, -1);
    const int fillWidth = ShownFillWidth();
    FShownFill = fillWidth;
    if (fillWidth > 0) {
        const QRect fill(inner.topLeft(), QSize(fillWidth, inner.height()));
        QBrush brush(FAppearance.ProgressColor);  // one colour: no gradient to work out
        if (FAppearance.ProgressColor != FAppearance.ProgressColorTo) {
            QLinearGradient gradient(fill.topLeft(), fill.bottomLeft());
            gradient.setColorAt(0, FAppearance.ProgressColor);
            gradient.setColorAt(FAppearance.GradientMirror ? 0.5 : 1, FAppearance.ProgressColorTo);
            if (FAppearance.GradientMirror) gradient.setColorAt(1, FAppearance.ProgressColor);
            brush = QBrush(gradient);
        }
        DrawBox(painter, fill, FAppearance.ProgressBorderColor, brush, FAppearance.Rounding);
    }

    if (!FAppearance.ValueVisible) return;
    // Placed by its width in Font, drawn in the font of where it lies.
    if (!FTextLaidOut || FTextFont != FAppearance.Font) {
        FStaticText.prepare(QTransform(), FAppearance.Font);
        FTextFont = FAppearance.Font;
        FTextLaidOut = true;
    }
    const QSizeF size = FStaticText.size();
    const QRect textRect = ValueRect(inner, fillWidth, qRound(size.width()));
    const bool overFill = inner.left() + fillWidth > textRect.center().x();
    painter.setFont(overFill ? FAppearance.ProgressFont : FAppearance.Font);
    painter.setPen(overFill ? FAppearance.ProgressFontColor : FAppearance.FontColor);
    const int top = textRect.top() + (textRect.height() - qRound(size.height())) / 2;
    painter.drawStaticText(QPoint(textRect.left(), top), FStaticText);
}

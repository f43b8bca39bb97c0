#include "widgets/Gaugebar.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "shell/Fonts.h"
#include "widgets/Gaugeformat.h"

namespace {

constexpr int kTickMs = 10;
constexpr double kGlideFraction = 15.0;  // each tick covers 1/15 of what remains
constexpr double kEpsilon = 0.000001;
constexpr int kTextMargin = 2;
constexpr int kMaxWakeTicks = 100000;  // bounds the look-ahead of one wake-up

// One tick of the glide: `value` covers a fifteenth of what remains to
// `target`. Returns true when it has arrived.
bool GlideStep(double& value, double target) {
    const double gap = target - value;
    if (!(std::fabs(gap) > kEpsilon)) {
        value = target;
        return true;
    }
    const double step = std::max(std::fabs(gap) / kGlideFraction, kEpsilon);
    value += gap > 0 ? step : -step;
    return false;
}

}  // namespace

TGaugeBar::TGaugeBar(QWidget* parent) : QWidget(parent) {
    resize(150, 17);
    FAnimationTimer.setSingleShot(true);
    FAnimationTimer.setTimerType(Qt::PreciseTimer);
    connect(&FAnimationTimer, &QTimer::timeout, this, &TGaugeBar::AnimationWake);
}

double TGaugeBar::Clamp(double value) const {
    // In this order a NaN comes out as Minimum.
    return std::min(FMaximum, std::max(FMinimum, value));
}

void TGaugeBar::SetPosition(double value) {
    FTargetValue = Clamp(value);
    if (FProgressAnimation) {
        FGlidePending = true;
        ScheduleWake();
        return;
    }
    FGlidePending = false;
    FAnimationTimer.stop();
    FDisplayedValue = FTargetValue;
    emit OnPositionChanged(FDisplayedValue);
    update();
}

void TGaugeBar::SetMaximum(double value) {
    if (value == FMaximum || std::isnan(value)) return;
    FMaximum = value;
    // Only a lower maximum moves the value; a raised one leaves an earlier
    // clamp in place. A target below the new maximum is kept.
    if (FTargetValue > value || FDisplayedValue > value) SetPosition(std::min(FTargetValue, value));
    update();
}

void TGaugeBar::SetMinimum(double value) {
    if (value == FMinimum || std::isnan(value)) return;
    FMinimum = value;
    if (FTargetValue < value || FDisplayedValue < value) SetPosition(std::max(FTargetValue, value));
    update();
}

bool TGaugeBar::Gliding() const {
    return (FProgressAnimation && FGlidePending) || FDisplayedValue != FTargetValue;
}

bool TGaugeBar::Tick() {
    if (!Gliding()) return false;
    if (GlideStep(FDisplayedValue, FTargetValue)) FGlidePending = false;
    return true;
}

void TGaugeBar::AnimationTick() {
    if (!Tick()) {
        FAnimationTimer.stop();
        return;
    }
    if (!Gliding()) FAnimationTimer.stop();  // at rest: no more wake-ups
    emit OnPositionChanged(FDisplayedValue);
    update();
}

void TGaugeBar::AnimationWake() {
    // The ticks since the last wake-up, all at once: none of them changed
    // the picture.
    bool moved = false;
    for (int i = 0; i < FWakeTicks; ++i) moved = Tick() || moved;
    if (Gliding()) ScheduleWake();
    if (moved) {
        emit OnPositionChanged(FDisplayedValue);
        update();
    }
}

TGaugeBar::TPicture TGaugeBar::PictureAt(double value) const {
    const int innerWidth = std::max(0, width() - 2);
    return {FillWidthAt(value, innerWidth),
            FAppearance.ValueVisible ? ValueTextAt(value) : QString()};
}

void TGaugeBar::ScheduleWake() {
    // The glide moves every 10 ms, but most ticks draw the same pixels and
    // the same text as the one before. Wake up only at the next tick that
    // changes the picture: the pictures drawn are the same, tick for tick,
    // and an idle bar costs nothing.
    const TPicture shown = PictureAt(FDisplayedValue);
    double value = FDisplayedValue;
    int ticks = 0;
    bool arrived = false;
    bool changes = false;
    while (!arrived && !changes && ticks < kMaxWakeTicks) {
        ++ticks;
        arrived = GlideStep(value, FTargetValue);
        changes = !(PictureAt(value) == shown);
    }
    if (arrived && !changes) {
        // Nothing left to see: the glide ends now rather than in a wake-up
        // that would draw the same picture.
        FAnimationTimer.stop();
        FGlidePending = false;
        const bool moved = FDisplayedValue != FTargetValue;
        FDisplayedValue = FTargetValue;
        if (moved) emit OnPositionChanged(FDisplayedValue);
        return;
    }
    FWakeTicks = ticks;
    FAnimationTimer.start(ticks * kTickMs);
}

QString TGaugeBar::ValueText() const { return ValueTextAt(FDisplayedValue); }

QString TGaugeBar::ValueTextAt(double displayed) const {
    double value = Clamp(displayed);
    if (FAppearance.ValueType == vtPercentage) {
        const double range = FMaximum - FMinimum;
        value = range > 0 ? (value - FMinimum) / range * 100.0 : 0.0;
    }
    return FormatGaugeValue(FAppearance.ValueFormat, value);
}

int TGaugeBar::FillWidth(int innerWidth) const { return FillWidthAt(FDisplayedValue, innerWidth); }

int TGaugeBar::FillWidthAt(double value, int innerWidth) const {
    if (!(FMaximum > FMinimum)) return 0;
    const double fraction = (value - FMinimum) / (FMaximum - FMinimum);
    if (!(fraction > 0)) return 0;
    if (fraction >= 1) return innerWidth;
    return static_cast<int>(fraction * innerWidth);
}

QRect TGaugeBar::ValueRect(const QRect& inner, int fillWidth) const {
    const int textWidth = QFontMetrics(FAppearance.Font, this).horizontalAdvance(ValueText());
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
    QPainter painter(this);
    const qreal radius = FAppearance.Rounding;
    painter.setPen(FAppearance.BorderColor);
    painter.setBrush(FAppearance.BackgroundColor);
    painter.drawRoundedRect(rect().adjusted(0, 0, -1, -1), radius, radius);

    const QRect inner = rect().adjusted(1, 1, -1, -1);
    const int fillWidth = FillWidth(inner.width());
    if (fillWidth > 0) {
        const QRect fill(inner.topLeft(), QSize(fillWidth, inner.height()));
        QLinearGradient gradient(fill.topLeft(), fill.bottomLeft());
        gradient.setColorAt(0, FAppearance.ProgressColor);
        gradient.setColorAt(FAppearance.GradientMirror ? 0.5 : 1, FAppearance.ProgressColorTo);
        if (FAppearance.GradientMirror) gradient.setColorAt(1, FAppearance.ProgressColor);
        painter.setPen(FAppearance.ProgressBorderColor);
        painter.setBrush(gradient);
        painter.drawRoundedRect(fill.adjusted(0, 0, -1, -1), radius, radius);
    }

    if (!FAppearance.ValueVisible) return;
    const QRect textRect = ValueRect(inner, fillWidth);
    const bool overFill = inner.left() + fillWidth > textRect.center().x();
    painter.setFont(overFill ? FAppearance.ProgressFont : FAppearance.Font);
    painter.setPen(overFill ? FAppearance.ProgressFontColor : FAppearance.FontColor);
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, ValueText());
}

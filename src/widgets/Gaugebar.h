// A horizontal value bar: a fill in proportion to its value within a range,
// the value as printf-style text, and an optional glide to a new value.
#pragma once

#include <QColor>
#include <QFont>
#include <QStaticText>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>

#include "widgets/Gaugeformat.h"

enum TValueType { vtPercentage, vtAbsolute };
enum TValuePosition { vpProgressCenter, vpProgressRight, vpCenter, vpLeft, vpRight, vpCustom };

struct TGaugeAppearance {
    bool ValueVisible = false;
    QString ValueFormat = QStringLiteral("%.0f%%");
    TValueType ValueType = vtAbsolute;
    TValuePosition ValuePosition = vpCenter;  // vpCustom draws as vpCenter
    QFont Font, ProgressFont;                 // ProgressFont once the fill passes the text's middle
    QColor FontColor = Qt::black, ProgressFontColor = Qt::black;
    QColor BackgroundColor = QColor(240, 240, 240), BorderColor = QColor(160, 160, 160);
    // The fill runs from ProgressColor at the top to ProgressColorTo at the
    // bottom, or, mirrored, from ProgressColor at both edges to ProgressColorTo in the middle.
    QColor ProgressColor = QColor(0, 120, 215), ProgressColorTo = QColor(0, 120, 215);
    QColor ProgressBorderColor = QColor(0, 90, 160);
    bool GradientMirror = false;
    int Rounding = 0;  // corner radius in pixels
};

class TGaugeBar : public QWidget {
    Q_OBJECT
public:
    // Milliseconds on a clock that never goes back.
    using TClock = std::function<std::int64_t()>;

    explicit TGaugeBar(QWidget* parent = nullptr);

    double Minimum() const { return FMinimum; }
    void SetMinimum(double value);
    double Maximum() const { return FMaximum; }
    void SetMaximum(double value);
    double Position() const { return FDisplayedValue; }
    // While the bar is not visible there is no glide: the value is set at
    // once, and a glide under way arrives when the bar is hidden. A bar that
    // was not available is again, from its minimum.
    void SetPosition(double value);
    // The reading the bar stands for cannot be had: no fill, the text
    // kNotAvailableText, and "not available" to a screen reader, until the
    // next SetPosition. Not the same as a reading of 0.
    void SetNotAvailable();
    bool Available() const { return FAvailable; }
    static const QString kNotAvailableText;
    double TargetValue() const { return FTargetValue; }
    double DisplayedValue() const { return FDisplayedValue; }
    double Step() const { return FStep; }
    void SetStep(double value) { FStep = value; }
    bool ProgressAnimation() const { return FProgressAnimation; }
    void SetProgressAnimation(bool value) { FProgressAnimation = value; }
    // Stored only: no glow is drawn, so that a bar at rest never wakes up.
    bool GlowAnimation() const { return FGlowAnimation; }
    void SetGlowAnimation(bool value) { FGlowAnimation = value; }
    // Changes take effect at the next change of the value; call update()
    // to see them at once.
    TGaugeAppearance& Appearance() { return FAppearance; }
    const TGaugeAppearance& Appearance() const { return FAppearance; }

    // The value text drawn now, from Appearance().ValueFormat.
    QString ValueText() const;
    // The value text of TargetValue, where a glide ends.
    QString TargetText() const;

    // One 10-ms step of the glide.
    void AnimationTick();
    // A glide is under way: the timer is set for its next visible step.
    bool AnimationRunning() const { return FAnimationTimer.isActive(); }
    // The value has yet to reach its target, by the timer or by AnimationTick.
    bool Gliding() const;
    // The glide ticks the timer's next wake-up stands for.
    int WakeTicks() const { return FWakeTicks; }
    // The clock the glide keeps time by; tests set their own.
    void SetClock(TClock clock) { FClock = std::move(clock); }

signals:
    void OnPositionChanged(double value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    double Clamp(double value) const;
    void MoveTo(double target);
    bool Tick();
    void ApplyTicks(int ticks);
    void CatchUp();
    void AnimationWake();
    void ScheduleWake();
    void EndGlide();
    int NextVisibleTick();
    double TextNumber(double displayed) const;
    int InnerWidth() const;
    int FillWidthAt(double value) const;
    const TGaugeValueFormat& Format();
    bool TextChanged();
    bool ShowText(QString text);
    int ShownFillWidth() const;
    bool Refresh();
    bool PictureDiffersAt(double value);
    QRect ValueRect(const QRect& inner, int fillWidth, int textWidth) const;

    double FMinimum = 0;
    double FMaximum = 100;
    double FTargetValue = 0;
    double FDisplayedValue = 0;
    double FStep = 10;
    bool FProgressAnimation = true;
    bool FGlowAnimation = true;
    bool FGlidePending = false;
    bool FAvailable = true;
    TGaugeAppearance FAppearance;

    // The glide keeps a grid of 10-ms ticks: the timer, armed at FArmedAt,
    // wakes at the FWakeTicks-th tick from there, the first one that draws
    // something new.
    QTimer FAnimationTimer;
    TClock FClock;
    std::int64_t FArmedAt = 0;
    int FWakeTicks = 1;

    // What is drawn: the fill's width, and the text with the number it
    // printed as a key, so that a new value is told apart by comparing
    // numbers. The text is laid out once per change.
    int FShownFill = -1;
    TGaugeValueFormat FFormat;
    bool FTextKnown = false;
    std::optional<double> FTextKey;
    QString FText;
    QStaticText FStaticText;
    bool FTextLaidOut = false;
    QFont FTextFont;  // the font FStaticText was laid out in
};

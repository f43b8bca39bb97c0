// A horizontal value bar: a fill in proportion to its value within a range,
// the value as printf-style text, and an optional glide to a new value.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QTimer>
#include <QWidget>

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
    explicit TGaugeBar(QWidget* parent = nullptr);

    double Minimum() const { return FMinimum; }
    void SetMinimum(double value);
    double Maximum() const { return FMaximum; }
    void SetMaximum(double value);
    double Position() const { return FDisplayedValue; }
    void SetPosition(double value);
    double TargetValue() const { return FTargetValue; }
    double DisplayedValue() const { return FDisplayedValue; }
    double Step() const { return FStep; }
    void SetStep(double value) { FStep = value; }
    bool ProgressAnimation() const { return FProgressAnimation; }
    void SetProgressAnimation(bool value) { FProgressAnimation = value; }
    // Stored only: no glow is drawn, so that a bar at rest never wakes up.
    bool GlowAnimation() const { return FGlowAnimation; }
    void SetGlowAnimation(bool value) { FGlowAnimation = value; }
    TGaugeAppearance& Appearance() { return FAppearance; }
    const TGaugeAppearance& Appearance() const { return FAppearance; }

    // The value text drawn now, from Appearance().ValueFormat.
    QString ValueText() const;

    // One 10-ms step of the glide.
    void AnimationTick();
    // A glide is under way: the timer is set for its next visible step.
    bool AnimationRunning() const { return FAnimationTimer.isActive(); }

signals:
    void OnPositionChanged(double value);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // What the bar shows for a value: the fill's width and the text.
    struct TPicture {
        int fill = 0;
        QString text;
        bool operator==(const TPicture&) const = default;
    };

    double Clamp(double value) const;
    bool Gliding() const;
    bool Tick();
    void AnimationWake();
    void ScheduleWake();
    TPicture PictureAt(double value) const;
    QString ValueTextAt(double displayed) const;
    int FillWidthAt(double value, int innerWidth) const;
    int FillWidth(int innerWidth) const;
    QRect ValueRect(const QRect& inner, int fillWidth) const;

    double FMinimum = 0;
    double FMaximum = 100;
    double FTargetValue = 0;
    double FDisplayedValue = 0;
    double FStep = 10;
    bool FProgressAnimation = true;
    bool FGlowAnimation = true;
    bool FGlidePending = false;
    int FWakeTicks = 1;  // glide ticks the timer's next wake-up stands for
    TGaugeAppearance FAppearance;
    QTimer FAnimationTimer;
};

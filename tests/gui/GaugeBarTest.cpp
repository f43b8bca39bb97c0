// The gauge bar: range and clamping, the glide tick by tick, the timer that
// runs only while gliding, and the value text.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QImage>
#include <QTimer>
#include <cmath>
#include <vector>

#include "monitor/Monitorlook.h"
#include "widgets/Gaugebar.h"

namespace {

class TCountingBar : public TGaugeBar {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* event) override {
        ++paints;
        TGaugeBar::paintEvent(event);
    }
};

TEST(GaugeBar, Defaults) {
    TGaugeBar bar;
    EXPECT_EQ(bar.size(), QSize(150, 17));
    EXPECT_EQ(bar.Minimum(), 0);
    EXPECT_EQ(bar.Maximum(), 100);
    EXPECT_EQ(bar.Position(), 0);
    EXPECT_EQ(bar.Step(), 10);
    EXPECT_TRUE(bar.ProgressAnimation());
    EXPECT_TRUE(bar.GlowAnimation());
    EXPECT_FALSE(bar.Appearance().ValueVisible);
    EXPECT_EQ(bar.Appearance().ValueFormat, "%.0f%%");
    EXPECT_EQ(bar.Appearance().ValueType, vtAbsolute);
    EXPECT_EQ(bar.Appearance().ValuePosition, vpCenter);
    EXPECT_FALSE(bar.AnimationRunning());
}

TEST(GaugeBar, PositionIsClampedToTheRange) {
    struct {
        double written;
        double stored;
    } const cases[] = {{37, 37},          {250, 100},      {-5, 0},       {100, 100},
                       {std::nan(""), 0}, {INFINITY, 100}, {-INFINITY, 0}};
    for (const auto& c : cases) {
        TGaugeBar bar;
        bar.SetProgressAnimation(false);
        bar.SetPosition(c.written);
        EXPECT_EQ(bar.TargetValue(), c.stored) << c.written;
        EXPECT_EQ(bar.Position(), c.stored) << c.written;
    }
}

TEST(GaugeBar, RaisingMaximumKeepsAnEarlierClamp) {
    TGaugeBar bar;
    bar.SetProgressAnimation(false);
    bar.Appearance().ValueFormat = "%.0f pps";
    bar.SetPosition(250);
    EXPECT_EQ(bar.ValueText(), "100 pps");
    bar.SetMaximum(250);
    EXPECT_EQ(bar.Position(), 100);
    EXPECT_EQ(bar.ValueText(), "100 pps");
    bar.SetPosition(250);
    EXPECT_EQ(bar.ValueText(), "250 pps");
}

TEST(GaugeBar, LoweringMaximumBringsTheValueDown) {
    TGaugeBar bar;
    bar.SetProgressAnimation(false);
    std::vector<double> changes;
    QObject::connect(&bar, &TGaugeBar::OnPositionChanged, [&](double v) { changes.push_back(v); });
    bar.SetPosition(80);
    bar.SetMaximum(50);
    EXPECT_EQ(bar.Position(), 50);
    EXPECT_EQ(changes, (std::vector<double>{80, 50}));
    bar.SetMaximum(90);  // a target below the maximum is kept
    bar.SetPosition(20);
    bar.SetMaximum(60);
    EXPECT_EQ(bar.Position(), 20);

    TGaugeBar animated;
    animated.SetPosition(80);
    while (animated.AnimationRunning()) animated.AnimationTick();
    animated.SetMaximum(50);
    EXPECT_EQ(animated.TargetValue(), 50);
    // A value above the new maximum already draws as a full bar, and its text
    // as the maximum: a glide down would draw nothing new, so it ends at once.
    EXPECT_EQ(animated.DisplayedValue(), 50);
    EXPECT_FALSE(animated.AnimationRunning());
}

TEST(GaugeBar, RaisingMinimumBringsTheValueUp) {
    TGaugeBar bar;
    bar.SetProgressAnimation(false);
    bar.SetPosition(10);
    bar.SetMinimum(30);
    EXPECT_EQ(bar.Position(), 30);
    bar.SetPosition(5);
    EXPECT_EQ(bar.Position(), 30);
}

TEST(GaugeBar, SameMaximumDoesNotRepaint) {
    TCountingBar bar;
    bar.show();
    QCoreApplication::processEvents();
    const int paints = bar.paints;
    bar.SetMaximum(100);
    QCoreApplication::processEvents();
    EXPECT_EQ(bar.paints, paints);
    bar.SetMaximum(120);
    QCoreApplication::processEvents();
    EXPECT_EQ(bar.paints, paints + 1);
}

TEST(GaugeBar, GlidesAFifteenthOfTheRestPerTick) {
    TGaugeBar bar;
    bar.SetMaximum(1000);
    std::vector<double> changes;
    QObject::connect(&bar, &TGaugeBar::OnPositionChanged, [&](double v) { changes.push_back(v); });

    bar.SetPosition(150);
    EXPECT_TRUE(bar.AnimationRunning());
    EXPECT_EQ(bar.DisplayedValue(), 0);
    EXPECT_EQ(bar.TargetValue(), 150);
    EXPECT_TRUE(changes.empty());

    const char* const texts[] = {"10%", "19%", "28%", "36%", "44%"};
    double expected = 0;
    for (const char* text : texts) {
        bar.AnimationTick();
        expected += (150 - expected) / 15;
        EXPECT_DOUBLE_EQ(bar.DisplayedValue(), expected);
        EXPECT_EQ(bar.ValueText(), text);
    }
    for (int tick = 5; tick < 100; ++tick) bar.AnimationTick();
    // All but about a thousandth of the way in one second.
    EXPECT_NEAR(bar.DisplayedValue(), 150 * (1 - std::pow(14.0 / 15.0, 100)), 1e-9);
    EXPECT_GT(bar.DisplayedValue(), 149.8);

    int ticks = 100;
    while (bar.AnimationRunning() && ticks < 1000) {
        bar.AnimationTick();
        ++ticks;
    }
    EXPECT_FALSE(bar.AnimationRunning());
    EXPECT_EQ(bar.DisplayedValue(), 150);
    EXPECT_LT(ticks, 300);
    EXPECT_EQ(changes.size(), static_cast<std::size_t>(ticks));
    EXPECT_EQ(changes.back(), 150);
}

TEST(GaugeBar, GlidesDownToo) {
    TGaugeBar bar;
    bar.SetProgressAnimation(false);
    bar.SetPosition(90);
    bar.SetProgressAnimation(true);
    bar.SetPosition(30);
    bar.AnimationTick();
    EXPECT_DOUBLE_EQ(bar.DisplayedValue(), 86);
}

TEST(GaugeBar, TimerRunsOnlyWhileGliding) {
    TGaugeBar bar;
    EXPECT_FALSE(bar.AnimationRunning());
    int changes = 0;
    QObject::connect(&bar, &TGaugeBar::OnPositionChanged, [&](double) { ++changes; });

    bar.AnimationTick();  // an idle tick does nothing
    EXPECT_EQ(changes, 0);
    EXPECT_FALSE(bar.AnimationRunning());

    bar.SetPosition(0);  // same value: nothing to draw, no wake-up
    EXPECT_FALSE(bar.AnimationRunning());
    EXPECT_EQ(changes, 0);
    bar.SetPosition(0.00001);  // a change too small to see: none either
    EXPECT_FALSE(bar.AnimationRunning());
    EXPECT_EQ(bar.DisplayedValue(), 0.00001);

    bar.SetProgressAnimation(false);
    bar.SetPosition(40);
    EXPECT_FALSE(bar.AnimationRunning());
    EXPECT_EQ(bar.Position(), 40);
}

TEST(GaugeBar, RealTimerEndsTheGlide) {
    TGaugeBar bar;
    bar.SetPosition(3);  // a few pixels of fill
    QEventLoop loop;
    QObject::connect(&bar, &TGaugeBar::OnPositionChanged, [&](double) {
        if (!bar.AnimationRunning()) loop.quit();
    });
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_FALSE(bar.AnimationRunning());
    EXPECT_EQ(bar.DisplayedValue(), 3);
}

TEST(GaugeBar, ValueText) {
    struct {
        const char* format;
        TValueType type;
        double minimum, maximum, position;
        const char* text;
    } const cases[] = {
        {"%.0f pps", vtAbsolute, 0, 250, 150, "150 pps"},
        {"%.0f pps", vtAbsolute, 0, 100, 99.6, "100 pps"},
        {"%.0f%%", vtAbsolute, 0, 100, 37, "37%"},
        {"%.0f%%", vtPercentage, 50, 150, 100, "50%"},
        {"%.0f%%", vtPercentage, 0, 0, 0, "0%"},
        {"%s", vtAbsolute, 0, 100, 37, "%s"},
        {"%n%n%n", vtAbsolute, 0, 100, 37, "%n%n%n"},
        {"%.0f %f", vtAbsolute, 0, 100, 37, "%.0f %f"},
    };
    for (const auto& c : cases) {
        TGaugeBar bar;
        bar.SetProgressAnimation(false);
        bar.SetMinimum(c.minimum);
        bar.SetMaximum(c.maximum);
        bar.SetPosition(c.position);
        bar.Appearance().ValueFormat = c.format;
        bar.Appearance().ValueType = c.type;
        EXPECT_EQ(bar.ValueText(), c.text) << c.format;
    }
}

TEST(GaugeBar, HostileFormatsPaint) {
    for (const QString& format : {QString("%s"), QString("%d%n"), QString("%*f"),
                                  QString(2000, '%'), QString(2000, 'x') + "%f"}) {
        TGaugeBar bar;
        ApplyMonitorLook(bar);
        bar.Appearance().ValueFormat = format;
        bar.SetProgressAnimation(false);
        bar.SetPosition(42);
        const QImage image = bar.grab().toImage();
        EXPECT_EQ(image.size(), QSize(150, 17));
    }
}

TEST(GaugeBar, MonitorLookFillsInProportion) {
    struct {
        double position;
        QColor at10, at120;
    } const cases[] = {
        {0, QColor(175, 210, 255), QColor(175, 210, 255)},
        {37, QColor(255, 0, 0), QColor(175, 210, 255)},
        {100, QColor(255, 0, 0), QColor(255, 0, 0)},
    };
    for (const auto& c : cases) {
        TGaugeBar bar;
        ApplyMonitorLook(bar);
        bar.SetProgressAnimation(false);
        bar.SetPosition(c.position);
        const QImage image = bar.grab().toImage();
        EXPECT_EQ(image.pixelColor(0, 0), QColor(192, 192, 192)) << c.position;
        EXPECT_EQ(image.pixelColor(10, 8), c.at10) << c.position;
        EXPECT_EQ(image.pixelColor(120, 8), c.at120) << c.position;
    }
    TGaugeBar bar;
    ApplyMonitorLook(bar);
    EXPECT_TRUE(bar.Appearance().ValueVisible);
    EXPECT_FALSE(bar.GlowAnimation());
    EXPECT_EQ(bar.Appearance().Font.family(), "Tahoma");
}

}  // namespace

namespace {

// The picture a bar shows: its pixels.
QImage Picture(TGaugeBar& bar) {
    QImage image(bar.size(), QImage::Format_ARGB32);
    bar.render(&image);
    return image;
}

TEST(GaugeBar, WakesOnlyForTicksThatChangeThePicture) {
    // The same glide twice: one bar stepped tick by tick, one left to its
    // timer. The timer's bar must show every distinct picture of the
    // stepped one, in order, and nothing else, with far fewer wake-ups.
    TGaugeBar stepped;
    TGaugeBar timed;
    for (TGaugeBar* bar : {&stepped, &timed}) {
        ApplyMonitorLook(*bar);
        bar->SetPosition(50);
    }
    std::vector<QImage> expected = {Picture(stepped)};
    int ticks = 0;
    while (stepped.AnimationRunning()) {
        stepped.AnimationTick();
        ++ticks;
        QImage picture = Picture(stepped);
        if (picture != expected.back()) expected.push_back(picture);
    }

    std::vector<QImage> shown = {Picture(timed)};
    std::vector<double> values;
    QEventLoop loop;
    QObject::connect(&timed, &TGaugeBar::OnPositionChanged, [&](double value) {
        values.push_back(value);
        QImage picture = Picture(timed);
        if (picture != shown.back()) shown.push_back(picture);
        if (!timed.AnimationRunning()) loop.quit();
    });
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();

    EXPECT_FALSE(timed.AnimationRunning());
    EXPECT_EQ(timed.DisplayedValue(), 50);
    ASSERT_EQ(shown.size(), expected.size());
    for (std::size_t i = 0; i < shown.size(); ++i)
        EXPECT_TRUE(shown[i] == expected[i]) << "picture " << i;
    EXPECT_LE(values.size(), expected.size()) << "one wake-up per picture, and one to end";
    EXPECT_LT(values.size() * 4, static_cast<std::size_t>(ticks));
}

}  // namespace

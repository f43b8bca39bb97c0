// The gauge bar: range and clamping, the glide tick by tick, the timer that
// runs only while gliding, and the value text.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QImage>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "monitor/Monitorlook.h"
#include "widgets/Gaugebar.h"
#include "widgets/Gaugeglide.h"

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

// A bar on the screen: only a bar that can be seen glides.
class TShownBar : public TCountingBar {
public:
    TShownBar() {
        show();
        QCoreApplication::processEvents();
    }
};

// Paints waiting to happen, happen.
int PaintsAfter(TCountingBar& bar) {
    QCoreApplication::processEvents();
    return bar.paints;
}

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

    TShownBar animated;
    animated.SetPosition(80);
    while (animated.Gliding()) animated.AnimationTick();
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

TEST(GaugeBar, RepaintsOnlyWhenItsPixelsChange) {
    TShownBar bar;
    ApplyMonitorLook(bar);
    bar.SetProgressAnimation(false);
    bar.SetPosition(50);
    int paints = PaintsAfter(bar);
    struct {
        const char* name;
        std::function<void()> change;
        bool repaints;
    } const steps[] = {
        {"the same maximum", [&] { bar.SetMaximum(100); }, false},
        {"the same position", [&] { bar.SetPosition(50); }, false},
        {"a position of the same fill and number", [&] { bar.SetPosition(50.3); }, false},
        {"a new number", [&] { bar.SetPosition(51); }, true},
        {"a new pixel of fill, the same number", [&] { bar.SetPosition(51.4); }, true},
        {"a maximum that moves the fill", [&] { bar.SetMaximum(120); }, true},
        {"a maximum that leaves every pixel", [&] { bar.SetMaximum(120.01); }, false},
    };
    for (const auto& step : steps) {
        step.change();
        const int now = PaintsAfter(bar);
        EXPECT_EQ(now - paints, step.repaints ? 1 : 0) << step.name;
        paints = now;
    }
}

TEST(GaugeBar, GlidesAFifteenthOfTheRestPerTick) {
    TShownBar bar;
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
    while (bar.Gliding() && ticks < 1000) {
        bar.AnimationTick();
        ++ticks;
    }
    EXPECT_FALSE(bar.Gliding());
    EXPECT_EQ(bar.DisplayedValue(), 150);
    EXPECT_LT(ticks, 300);
    EXPECT_EQ(changes.size(), static_cast<std::size_t>(ticks));
    EXPECT_EQ(changes.back(), 150);
}

TEST(GaugeBar, GlidesDownToo) {
    TShownBar bar;
    bar.SetProgressAnimation(false);
    bar.SetPosition(90);
    bar.SetProgressAnimation(true);
    bar.SetPosition(30);
    bar.AnimationTick();
    EXPECT_DOUBLE_EQ(bar.DisplayedValue(), 86);
}

TEST(GaugeBar, TimerRunsOnlyWhileGliding) {
    TShownBar bar;
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
    TShownBar bar;
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

// A bar drawn as the monitor draws it, on the screen, at `position`.
struct TLookBar : TShownBar {
    explicit TLookBar(double position, const char* format = "%.0f%%") {
        ApplyMonitorLook(*this);
        Appearance().ValueFormat = format;
        SetProgressAnimation(false);
        SetPosition(position);
        SetProgressAnimation(true);
    }
};

// Runs the event loop until `done` holds, or for ten seconds at most.
void RunUntil(const std::function<bool()>& done) {
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (done()) loop.quit();
    });
    check.start(5);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
}

TEST(GaugeBar, WakesOnlyForTicksThatChangeThePicture) {
    // Each glide twice: one bar stepped tick by tick, one left to its timer.
    // The timer's bar must show every distinct picture of the stepped one,
    // in order, and nothing else; with far fewer wake-ups where only the
    // picture's numbers need comparing. All glides run at once.
    struct TRow {
        const char* name;
        const char* format;
        TValueType type;
        double minimum, maximum, from, to;
        bool sparse;  // far fewer wake-ups than ticks
    };
    const TRow rows[] = {
        {"up", "%.0f%%", vtAbsolute, 0, 100, 0, 50, true},
        {"down", "%.0f%%", vtAbsolute, 0, 100, 90, 30, true},
        {"one decimal", "%.1f", vtAbsolute, 0, 100, 10, 12, true},
        {"percentage of a range", "%.0f%%", vtPercentage, 50, 250, 60, 200, true},
        {"onto a pixel boundary", "%.0f%%", vtAbsolute, 0, 148, 0, 74, true},
        {"a format only printing tells", "%.2e", vtAbsolute, 0, 100, 0, 40, false},
    };
    struct TGlide {
        std::unique_ptr<TLookBar> stepped, timed;
        std::vector<QImage> expected, shown;
        int ticks = 0;
        int wakes = 0;
    };
    std::vector<TGlide> glides;
    for (const TRow& row : rows) {
        TGlide glide;
        for (auto* bar : {&glide.stepped, &glide.timed}) {
            *bar = std::make_unique<TLookBar>(0, row.format);
            (*bar)->Appearance().ValueType = row.type;
            (*bar)->SetProgressAnimation(false);
            (*bar)->SetMinimum(row.minimum);
            (*bar)->SetMaximum(row.maximum);
            (*bar)->SetPosition(row.from);
            (*bar)->SetProgressAnimation(true);
        }
        glide.expected = {Picture(*glide.stepped)};
        glide.shown = {Picture(*glide.timed)};
        glide.stepped->SetPosition(row.to);
        while (glide.stepped->Gliding()) {
            glide.stepped->AnimationTick();
            ++glide.ticks;
            QImage picture = Picture(*glide.stepped);
            if (picture != glide.expected.back()) glide.expected.push_back(picture);
        }
        glides.push_back(std::move(glide));
    }
    for (std::size_t i = 0; i < glides.size(); ++i) {
        TGlide& glide = glides[i];
        QObject::connect(glide.timed.get(), &TGaugeBar::OnPositionChanged, [&glide](double) {
            ++glide.wakes;
            QImage picture = Picture(*glide.timed);
            if (picture != glide.shown.back()) glide.shown.push_back(picture);
        });
        glide.timed->SetPosition(rows[i].to);
    }
    RunUntil([&] {
        return std::none_of(glides.begin(), glides.end(),
                            [](const TGlide& g) { return g.timed->Gliding(); });
    });

    for (std::size_t i = 0; i < glides.size(); ++i) {
        const TGlide& glide = glides[i];
        const char* name = rows[i].name;
        EXPECT_FALSE(glide.timed->AnimationRunning()) << name;
        EXPECT_EQ(glide.timed->DisplayedValue(), rows[i].to) << name;
        ASSERT_EQ(glide.shown.size(), glide.expected.size()) << name;
        for (std::size_t p = 0; p < glide.shown.size(); ++p)
            EXPECT_TRUE(glide.shown[p] == glide.expected[p]) << name << ", picture " << p;
        if (rows[i].sparse) {
            EXPECT_LE(glide.wakes, static_cast<int>(glide.expected.size()) + 1)
                << name << ": one wake-up per picture, and one to end";
            EXPECT_LT(glide.wakes * 4, glide.ticks) << name;
        }
    }
}

TEST(GaugeBar, AGlideReachesItsTargetWhateverIsWrittenMeanwhile) {
    // The window writes its gauges every second, a glide or not. Here the
    // writes come ten times as often, and every other one moves the target
    // by a hair: the glide must still get all the way, pixel and number.
    struct {
        double from, to;
    } const rows[] = {{10, 50}, {60, 100}, {100, 0}, {37, 38}};
    std::vector<std::unique_ptr<TLookBar>> bars;
    for (const auto& row : rows) {
        bars.push_back(std::make_unique<TLookBar>(row.from));
        bars.back()->SetPosition(row.to);
    }
    int writes = 0;
    QTimer writer;
    QObject::connect(&writer, &QTimer::timeout, [&] {
        ++writes;
        for (std::size_t i = 0; i < bars.size(); ++i)
            bars[i]->SetPosition(rows[i].to + (writes % 2 == 0 ? 0 : 1e-9));
    });
    writer.start(100);
    RunUntil([&] {
        const bool arrived =
            writes % 2 == 0 && std::all_of(bars.begin(), bars.end(), [&](const auto& bar) {
                return !bar->Gliding() && bar->DisplayedValue() == bar->TargetValue();
            });
        // Stopped here: timers due in the same pass still fire after the
        // loop is told to quit, and one more write would move the targets.
        if (arrived) writer.stop();
        return arrived;
    });
    for (std::size_t i = 0; i < bars.size(); ++i) {
        TLookBar& bar = *bars[i];
        EXPECT_EQ(bar.DisplayedValue(), rows[i].to) << rows[i].from << " to " << rows[i].to;
        TLookBar arrived(rows[i].to);
        EXPECT_TRUE(Picture(bar) == Picture(arrived)) << rows[i].from << " to " << rows[i].to;
    }
    EXPECT_GT(writes, 4) << "the glides were written to while under way";
}

TEST(GaugeBar, AWriteDuringAGlideKeepsTheTicksSinceTheLastWakeUp) {
    std::int64_t now = 0;
    TLookBar bar(49);
    bar.SetClock([&] { return now; });
    bar.SetPosition(50);
    ASSERT_TRUE(bar.AnimationRunning());
    const int due = bar.WakeTicks();
    ASSERT_GT(due, 1) << "the first new picture lies some ticks ahead";

    // One tick short of the wake-up, and half a tick more, the target moves:
    // the glide has run those ticks all the same.
    now = (due - 1) * 10 + 5;
    bar.SetPosition(60);
    double expected = 49;
    for (int i = 0; i < due - 1; ++i) GlideStep(expected, 50);
    EXPECT_EQ(bar.DisplayedValue(), expected);
    EXPECT_EQ(bar.TargetValue(), 60);
    EXPECT_TRUE(bar.AnimationRunning());

    // Long after a wake-up that has not come yet: the ticks it stood for,
    // and the picture they change.
    const int paints = PaintsAfter(bar);
    const int next = bar.WakeTicks();
    now += 100'000;
    bar.SetPosition(70);
    for (int i = 0; i < next; ++i) GlideStep(expected, 60);
    EXPECT_EQ(bar.DisplayedValue(), expected);
    EXPECT_EQ(PaintsAfter(bar), paints + 1);
}

TEST(GaugeBar, NoGlideWhileHidden) {
    QWidget window;
    auto* bar = new TGaugeBar(&window);
    window.show();
    QCoreApplication::processEvents();
    bar->SetPosition(50);
    ASSERT_TRUE(bar->AnimationRunning());

    // Hidden to the tray: the glide under way arrives at once.
    window.hide();
    EXPECT_FALSE(bar->AnimationRunning());
    EXPECT_EQ(bar->DisplayedValue(), 50);
    bar->SetPosition(80);
    EXPECT_FALSE(bar->AnimationRunning()) << "no timer while hidden";
    EXPECT_EQ(bar->DisplayedValue(), 80);

    window.show();
    QCoreApplication::processEvents();
    bar->SetPosition(20);
    EXPECT_TRUE(bar->AnimationRunning()) << "shown again, it glides again";
}

}  // namespace

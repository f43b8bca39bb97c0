// The glide's arithmetic: the tick a distance is reached, worked out
// directly, against the glide stepped tick by tick.
#include <gtest/gtest.h>

#include <cmath>

#include "widgets/Gaugeglide.h"

namespace {

// Ticks until a glide over `gap` has at most `distance` left, stepped.
int SteppedTicks(double gap, double distance) {
    double value = 0;
    int ticks = 0;
    while (std::fabs(gap - value) > distance) {
        GlideStep(value, gap);
        ++ticks;
    }
    return ticks;
}

TEST(GaugeGlide, TicksUntilWithinMatchesTheSteppedGlide) {
    const double gaps[] = {150, -150, 40, 1, -1, 0.3, 2e-5, 1.6e-5, 1.2e-5, 3e-6, -7, 1e6};
    const double distances[] = {0, 5e-7, 1e-6, 2.5e-6, 1.5e-5, 1e-4, 0.01, 0.5, 10, 100};
    for (double gap : gaps) {
        for (double distance : distances) {
            if (distance >= std::fabs(gap)) {
                EXPECT_EQ(TicksUntilWithin(gap, distance), 0) << gap << " within " << distance;
                continue;
            }
            const int stepped = SteppedTicks(gap, distance);
            const int direct = TicksUntilWithin(gap, distance);
            // Early by a tick at most (a wake-up that finds nothing new
            // looks again), never late (a picture would be skipped).
            EXPECT_LE(direct, stepped) << gap << " within " << distance;
            EXPECT_GE(direct, stepped - 1) << gap << " within " << distance;
        }
    }
}

TEST(GaugeGlide, StepsAFifteenthAndLandsWithinAMillionth) {
    double value = 0;
    EXPECT_FALSE(GlideStep(value, 150));
    EXPECT_DOUBLE_EQ(value, 10);
    value = 1 - 5e-6;  // a fifteenth is below the smallest step
    EXPECT_FALSE(GlideStep(value, 1));
    EXPECT_DOUBLE_EQ(value, 1 - 4e-6);
    value = 1 - 0.9e-6;
    EXPECT_TRUE(GlideStep(value, 1));
    EXPECT_EQ(value, 1);
}

}  // namespace

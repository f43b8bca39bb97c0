#include "widgets/Gaugeglide.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kGlideFraction = 15.0;
constexpr double kRemains = 14.0 / 15.0;  // of the distance, after one tick
constexpr double kEpsilon = 0.000001;     // the smallest step, and "arrived"
// Below this distance a fifteenth is less than the smallest step: from
// here on the glide moves by kEpsilon a tick.
constexpr double kLinearBelow = kEpsilon * kGlideFraction;
// Leans the logarithm's answer early, so rounding never makes it late.
constexpr double kLean = 1e-7;

// Ticks until a distance shrinking by 14/15 a tick, from `gap`, is at most
// `distance` (both positive, distance below gap).
int GeometricTicks(double gap, double distance) {
    const double ticks = std::log(distance / gap) / std::log(kRemains);
    return static_cast<int>(
        std::min(std::ceil(ticks - kLean), double{std::numeric_limits<int>::max() / 2}));
}

}  // namespace

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

int TicksUntilWithin(double gap, double distance) {
    gap = std::fabs(gap);
    if (gap <= distance) return 0;
    if (distance >= kLinearBelow) return std::max(1, GeometricTicks(gap, distance));
    // Geometric down to the linear tail, then a millionth a tick, then the
    // last tick lands on the target.
    int ticks = 0;
    double left = gap;
    if (gap > kLinearBelow) {
        ticks = GeometricTicks(gap, kLinearBelow);
        left = std::min(gap * std::pow(kRemains, ticks), kLinearBelow);
    }
    // A millionth a tick while more than a millionth is left.
    const int linear =
        std::max(0, static_cast<int>(std::ceil((left - kEpsilon) / kEpsilon - kLean)));
    if (distance >= kEpsilon)
        return ticks +
               std::max(0, static_cast<int>(std::ceil((left - distance) / kEpsilon - kLean)));
    // Then at most a millionth is left; unless that is close enough, the
    // next tick lands.
    const double last = left - linear * kEpsilon;
    return ticks + linear + (last <= distance ? 0 : 1);
}

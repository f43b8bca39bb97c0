// The gauge bar's glide as numbers: each 10-ms tick covers a fifteenth of
// the distance left to the target, at least a millionth, and a value within
// a millionth of the target arrives there.
#pragma once

inline constexpr int kGlideTickMs = 10;

// One tick of the glide: `value` moves toward `target`. Returns true when
// it has arrived.
bool GlideStep(double& value, double target);

// The number of ticks after which the distance left of a glide that has
// `gap` to go is at most `distance` (0: arrived), worked out directly
// rather than step by step. It may come out one tick early, never late.
int TicksUntilWithin(double gap, double distance);

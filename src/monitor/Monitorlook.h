// The look the main window gives its four gauge bars.
#pragma once

class TGaugeBar;

// Light blue with a silver border, a red fill, the value centred in the
// main window's font, no glow.
void ApplyMonitorLook(TGaugeBar& bar);

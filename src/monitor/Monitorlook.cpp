#include "monitor/Monitorlook.h"

#include <QPalette>

#include "shell/Fonts.h"
#include "widgets/Gaugebar.h"

void ApplyMonitorLook(TGaugeBar& bar) {
    TGaugeAppearance& look = bar.Appearance();
    look.BackgroundColor = QColor(175, 210, 255);
    look.BorderColor = QColor(192, 192, 192);  // silver
    look.ProgressColor = QColor(255, 0, 0);
    look.ProgressColorTo = QColor(255, 0, 0);
    look.GradientMirror = true;
    look.ProgressBorderColor = QColor(173, 209, 255);
    look.Rounding = 0;
    look.ValueVisible = true;
    look.ValuePosition = vpCenter;
    look.Font = MonitorFont();
    look.ProgressFont = MonitorFont();
    look.FontColor = bar.palette().color(QPalette::WindowText);
    look.ProgressFontColor = look.FontColor;
    bar.SetGlowAnimation(false);
    bar.update();
}

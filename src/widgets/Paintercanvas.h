// The markup canvas over a Qt paint device: metrics from the device's
// fonts, drawing through a painter when there is one (a measuring pass has none).
#pragma once

#include "widgets/Markupcanvas.h"

class QPaintDevice;
class QPainter;

class TPainterCanvas : public TMarkupCanvas {
public:
    explicit TPainterCanvas(const QPaintDevice* device, QPainter* painter = nullptr);
    QSize Measure(const QByteArray& text, const QFont& font) override;
    void Draw(QPoint topLeft, const QByteArray& text, const QFont& font,
              const QColor& color) override;

private:
    const QPaintDevice* FDevice;
    QPainter* FPainter;
};

// A canvas with a widget's real font metrics that records where each text
// would be drawn, with its measured size.
#pragma once

#include <QRect>
#include <QWidget>
#include <vector>

#include "widgets/Paintercanvas.h"

struct TPlacedText {
    QRect rect;
    QByteArray text;
};

class TRecordingCanvas : public TMarkupCanvas {
public:
    explicit TRecordingCanvas(const QWidget* widget) : FMetrics(widget) {}
    QSize Measure(const QByteArray& text, const QFont& font) override {
        return FMetrics.Measure(text, font);
    }
    void Draw(QPoint topLeft, const QByteArray& text, const QFont& font, const QColor&) override {
        placed.push_back({QRect(topLeft, Measure(text, font)), text});
    }

    std::vector<TPlacedText> placed;

private:
    TPainterCanvas FMetrics;
};

// Lays the label's text out on a recording canvas, as a paint would.
template <typename TLabel>
std::vector<TPlacedText> PlaceText(TLabel& label) {
    TRecordingCanvas canvas(&label);
    label.Layout().FDrawing = 1;
    label.ProcessCaption(canvas);
    return canvas.placed;
}

// A markup canvas with fixed metrics that records every text drawn.
// Each byte is 6 pixels wide (7 in bold); a text is 11 pixels high (14 in bold).
#pragma once

#include <vector>

#include "widgets/Markupcanvas.h"

struct TDrawnText {
    QPoint at;
    QByteArray text;
    QFont font;
    QColor color;
};

class TFixedCanvas : public TMarkupCanvas {
public:
    static int CharWidth(const QFont& font) { return font.bold() ? 7 : 6; }
    static int Height(const QFont& font) { return font.bold() ? 14 : 11; }

    QSize Measure(const QByteArray& text, const QFont& font) override {
        return {static_cast<int>(text.size()) * CharWidth(font), Height(font)};
    }
    void Draw(QPoint topLeft, const QByteArray& text, const QFont& font,
              const QColor& color) override {
        (text == " " ? spaces : runs).push_back({topLeft, text, font, color});
    }

    std::vector<TDrawnText> runs;
    std::vector<TDrawnText> spaces;
};

// What the markup layout needs from a drawing surface: the extent of a text
// in a font, and drawing a text with its top-left corner at a point. Tests
// give the layout fixed metrics through it.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QPoint>
#include <QSize>

class TMarkupCanvas {
public:
    virtual ~TMarkupCanvas() = default;
    // Width and height of `text` (local 8-bit bytes) drawn in `font`.
    virtual QSize Measure(const QByteArray& text, const QFont& font) = 0;
    virtual void Draw(QPoint topLeft, const QByteArray& text, const QFont& font,
                      const QColor& color) = 0;
};

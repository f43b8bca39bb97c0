#include "widgets/Paintercanvas.h"

#include <QFontMetrics>
#include <QPainter>
#include <QString>

TPainterCanvas::TPainterCanvas(const QPaintDevice* device, QPainter* painter)
    : FDevice(device), FPainter(painter) {}

QSize TPainterCanvas::Measure(const QByteArray& text, const QFont& font) {
    // The height is the font's cell, the same for every text, as runs are
    // stacked by it.
    const QFontMetrics metrics(font, FDevice);
    return {metrics.horizontalAdvance(QString::fromLocal8Bit(text)), metrics.height()};
}

void TPainterCanvas::Draw(QPoint topLeft, const QByteArray& text, const QFont& font,
                          const QColor& color) {
    if (FPainter == nullptr) return;
    const QFontMetrics metrics(font, FDevice);
    FPainter->setFont(font);
    FPainter->setPen(color);
    FPainter->drawText(QPoint(topLeft.x(), topLeft.y() + metrics.ascent()),
                       QString::fromLocal8Bit(text));
}

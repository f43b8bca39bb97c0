#include "monitor/Ventrelicon.h"

#include <QIconEngine>
#include <QPainter>
#include <algorithm>

namespace {

// The picture on a 64 × 64 grid, as in resources/ventrel.svg: a gauge over
// a router's blue face.
void PaintIcon(QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x1e, 0x4f, 0x8f));
    painter.drawRoundedRect(QRectF(2, 2, 60, 60), 10, 10);
    painter.setBrush(QColor(0x2f, 0x6c, 0xb8));
    painter.drawRoundedRect(QRectF(2, 2, 60, 30), 10, 10);

    const QColor light(0xaf, 0xd2, 0xff);
    const QRectF dial(10, 22, 44, 44);  // the arcs' circle, centred on 32, 44
    QPen arc(light, 7, Qt::SolidLine, Qt::RoundCap);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(arc);
    painter.drawArc(dial, 180 * 16, -180 * 16);
    // The red part of the dial ends at 24, 23.5: 111.3 degrees.
    arc.setColor(QColor(0xe5, 0x39, 0x35));
    painter.setPen(arc);
    painter.drawArc(dial, 180 * 16, -69 * 16);

    painter.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(32, 44), QPointF(46, 28));
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawEllipse(QPointF(32, 44), 5, 5);
    painter.setBrush(light);
    painter.drawRoundedRect(QRectF(12, 52, 40, 4), 2, 2);
}

class TVentrelIconEngine : public QIconEngine {
public:
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode /*mode*/,
               QIcon::State /*state*/) override {
        const int side = std::min(rect.width(), rect.height());
        painter->save();
        painter->translate(rect.x() + (rect.width() - side) / 2.0,
                           rect.y() + (rect.height() - side) / 2.0);
        painter->scale(side / 64.0, side / 64.0);
        PaintIcon(*painter);
        painter->restore();
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return pixmap;
    }

    QIconEngine* clone() const override { return new TVentrelIconEngine; }
    QString key() const override { return QStringLiteral("TVentrelIconEngine"); }

    // The sizes a window manager is offered; the tray asks for its own.
    QList<QSize> availableSizes(QIcon::Mode /*mode*/, QIcon::State /*state*/) override {
        return {{16, 16}, {32, 32}, {64, 64}};
    }
};

}  // namespace

QIcon VentrelIcon() { return QIcon(new TVentrelIconEngine); }

#include "widgets/Markuplabel.h"

#include <QEvent>
#include <QPainter>

#include "widgets/Accessible.h"
#include "widgets/Paintercanvas.h"

TMarkupLabel::TMarkupLabel(bool lineTags, QWidget* parent) : QWidget(parent) {
    FMarkup.LineTags = lineTags;
    resize(30, 13);
    InstallWidgetAccessibility();
}

void TMarkupLabel::SetAlignment(TAlignment value) {
    FAlignment = value;
    Changed();
}

void TMarkupLabel::SetWordWrap1(int value) {
    FWordWrap = value;
    Changed();
}

void TMarkupLabel::SetAutoSize1(int value) {
    FAutoSize = value;
    Changed();
}

void TMarkupLabel::Changed() {
    AutoResize();
    repaint();
    NotifyMarkupText(*this);
}

void TMarkupLabel::ProcessCaption(TMarkupCanvas& canvas) {
    FMarkup.WordWrap = FWordWrap;
    FMarkup.Width = width();
    FMarkup.ProcessCaption(canvas, LayoutText(), font(), palette().color(foregroundRole()));
}

void TMarkupLabel::GetExtent(QSize* size) {
    TPainterCanvas canvas(this);
    FMarkup.FDrawing = 0;
    ProcessCaption(canvas);
    if (size != nullptr) *size = QSize(FMarkup.FExtentWidth, FMarkup.FLineHeight);
}

void TMarkupLabel::AutoResize() {
    GetExtent(nullptr);
    // One line's height, also when the text wraps.
    if (FAutoSize != 0) resize(FMarkup.FExtentWidth, FMarkup.FLineHeight);
    FMarkup.Align(FAlignment, width());
}

void TMarkupLabel::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    if (FillsBackground()) painter.fillRect(rect(), palette().color(backgroundRole()));
    TPainterCanvas canvas(this, &painter);
    FMarkup.FDrawing = 1;
    ProcessCaption(canvas);
}

void TMarkupLabel::changeEvent(QEvent* event) {
    // A new font, the label's own or one taken over from its parent, moves
    // and resizes the text; the rest is the widget's.
    if (event->type() == QEvent::FontChange) {
        Changed();
        return;
    }
    QWidget::changeEvent(event);
}

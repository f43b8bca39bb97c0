// What the two markup labels share: the layout settings, the measuring
// and painting passes, auto-size and alignment. Each label supplies its text.
#pragma once

#include <QWidget>

#include "widgets/Markup.h"

class TMarkupLabel : public QWidget {
    Q_OBJECT
public:
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);
    int WordWrap() const { return FWordWrap; }
    void SetWordWrap1(int value);
    int AutoSize() const { return FAutoSize; }
    void SetAutoSize1(int value);

    // A measuring pass: leaves the extent in the layout and, if `size` is
    // given, writes it there.
    void GetExtent(QSize* size);
    void AutoResize();
    // One layout pass on `canvas`; draws when the layout's FDrawing is set.
    void ProcessCaption(TMarkupCanvas& canvas);
    const TMarkup& Layout() const { return FMarkup; }
    // The text as a screen reader reads it: what is drawn, tags left out.
    QString PlainText() const { return MarkupPlainText(LayoutText(), FMarkup.LineTags); }
    TMarkup& Layout() { return FMarkup; }

protected:
    TMarkupLabel(bool lineTags, QWidget* parent);
    // The text of a pass, as local 8-bit bytes within the label's limit.
    virtual QByteArray LayoutText() const = 0;
    virtual bool FillsBackground() const { return true; }
    // AutoResize and an immediate repaint, after any change of the text or settings.
    void Changed();

    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    TMarkup FMarkup;
    int FAutoSize = 0;
    int FWordWrap = 0;
    TAlignment FAlignment = taLeftJustify;
};

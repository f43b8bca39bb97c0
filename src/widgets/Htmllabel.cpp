#include "widgets/Htmllabel.h"

THtmlLabel::THtmlLabel(QWidget* parent) : TMarkupLabel(false, parent) {}

void THtmlLabel::SetCaption(const QString& text) {
    FCaption = text;
    Changed();
}

QByteArray THtmlLabel::LayoutText() const { return CutText(FCaption.toLocal8Bit(), kCaptionLimit); }

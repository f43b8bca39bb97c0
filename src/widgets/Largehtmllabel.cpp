#include "widgets/Largehtmllabel.h"

TLargeHtmlLabel::TLargeHtmlLabel(QWidget* parent) : TMarkupLabel(true, parent) {}

void TLargeHtmlLabel::SetLines(const QStringList& lines) {
    FLines = lines;
    Changed();
}

void TLargeHtmlLabel::SetParentBackground(bool value) {
    FParentBackground = value;
    update();
}

QByteArray TLargeHtmlLabel::LayoutText() const { return JoinLines(FLines, kJoinedLimit); }

// The multi-line markup label: its text is a list of lines joined with
// spaces, longer than one caption may be, with "<p>" and "<br>" breaking lines.
#pragma once

#include <QStringList>

#include "widgets/Markuplabel.h"

class TLargeHtmlLabel : public TMarkupLabel {
    Q_OBJECT
public:
    explicit TLargeHtmlLabel(QWidget* parent = nullptr);

    // Edits through this reference are neither measured nor repainted at
    // once; they show at the next paint.
    QStringList& Lines() { return FLines; }
    void SetLines(const QStringList& lines);

    bool ParentBackground() const { return FParentBackground; }
    void SetParentBackground(bool value);

protected:
    QByteArray LayoutText() const override;
    bool FillsBackground() const override { return !FParentBackground; }

private:
    QStringList FLines;
    bool FParentBackground = false;
};

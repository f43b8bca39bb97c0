// A label that draws one text written in the markup language, with word
// wrap, alignment and auto-size.
#pragma once

#include <QString>

#include "widgets/Markuplabel.h"

class THtmlLabel : public TMarkupLabel {
    Q_OBJECT
public:
    explicit THtmlLabel(QWidget* parent = nullptr);

    QString GetCaption() const { return FCaption; }
    void SetCaption(const QString& text);

protected:
    // The caption's first kCaptionLimit bytes.
    QByteArray LayoutText() const override;

private:
    QString FCaption;
};

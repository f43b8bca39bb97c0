#include "shell/Faboutventrel.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

#include "shell/Desktop.h"
#include "shell/Fonts.h"

namespace {

QLabel* MakeCentredLabel(QWidget* parent, const char* name, int top) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setGeometry(8, top, 377, 13);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

}  // namespace

TFormAboutVentrel::TFormAboutVentrel(QWidget* owner) : QDialog(owner) {
    setObjectName("FormAboutVentrel");
    setFont(DialogFont());
    setFixedSize(396, 129);

    LabelProgName = MakeCentredLabel(this, "LabelProgName", 24);
    LabelCopyright = MakeCentredLabel(this, "LabelCopyright", 40);
    LabelUrl = MakeCentredLabel(this, "LabelUrl", 56);
    LabelUrl->setCursor(Qt::PointingHandCursor);
    QFont link = LabelUrl->font();
    link.setUnderline(true);
    LabelUrl->setFont(link);
    QPalette palette = LabelUrl->palette();
    palette.setColor(QPalette::WindowText, QColor(0, 0, 255));
    LabelUrl->setPalette(palette);
    LabelUrl->installEventFilter(this);

    ButtonOk = new QPushButton("Ok", this);
    ButtonOk->setObjectName("ButtonOk");
    ButtonOk->setGeometry(160, 88, 75, 25);
    ButtonOk->setDefault(true);
    ButtonOk->setFocus();

    connect(ButtonOk, &QPushButton::clicked, this, &TFormAboutVentrel::ButtonOkClick);
    FormCreate();
}

void TFormAboutVentrel::FormCreate() {
    setWindowTitle(QString("About %1").arg(kProductName));
    LabelProgName->setText(QString("%1 ver %2").arg(kProductName, kVersion));
    LabelUrl->setText(kProductUrl);
    LabelCopyright->setText(kCopyright);
}

void TFormAboutVentrel::LabelUrlClick() { Desktop().Open(kProductUrl); }

void TFormAboutVentrel::ButtonOkClick() { done(QDialog::Accepted); }

void TFormAboutVentrel::keyPressEvent(QKeyEvent* event) {
    // There is no cancel button: Escape does nothing; the frame's close box
    // still closes the box.
    if (event->key() == Qt::Key_Escape) return;
    QDialog::keyPressEvent(event);
}

bool TFormAboutVentrel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == LabelUrl && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        LabelUrlClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

// The About box: the program's name and version, a copyright line and a link
// to the product web page.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The product's display name, version and web page.
inline constexpr const char* kProductName = "Ventrel";
inline constexpr const char* kVersion = "1.0";
inline constexpr const char* kProductUrl = "https://ventrel.example/";
inline constexpr const char* kCopyright = "Copyright (C) 2026 Quillot";

class TFormAboutVentrel : public QDialog {
    Q_OBJECT

public:
    explicit TFormAboutVentrel(QWidget* owner = nullptr);

    QLabel* LabelProgName;
    QLabel* LabelCopyright;
    QLabel* LabelUrl;
    QPushButton* ButtonOk;

public slots:
    void LabelUrlClick();
    void ButtonOkClick();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
};

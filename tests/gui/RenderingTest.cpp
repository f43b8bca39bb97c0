// The program's two help texts and its four bars drawn as the forms show
// them, saved as PNG files for a look by eye, with the checks a look makes.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QLabel>
#include <QPixmap>

#include "monitor/Monitorlook.h"
#include "shell/Fonts.h"
#include "tests/gui/RecordingCanvas.h"
#include "widgets/Gaugebar.h"
#include "widgets/Largehtmllabel.h"

namespace {

const QStringList kWaitingLines{
    "Waiting for SNMP packets to be received...<br><br>",
    "If no SNMP packets are received, then use the <Setup> ",
    "button to verify your router settings are correct.",
};

const QStringList kSettingsLines{
    "SNMP must be enabled on your router for this program to be used.<br><br>",
    "You may also need to configure an ACL for SNMP traffic.",
    "Make sure the SNMP community name that you enter here matches the",
    "community name that you have configured on the router. You can view",
    "the user's manual for a few brief tips on setting up the router.",
};

void Save(const QPixmap& pixmap, const QString& name) {
    const QDir dir(QStringLiteral(VENTREL_RENDER_DIR));
    ASSERT_TRUE(dir.mkpath("."));
    EXPECT_TRUE(pixmap.save(dir.filePath(name + ".png"))) << name.toStdString();
}

// Every run lies inside the label, and the first paragraph, one empty line
// and the second paragraph stack downward.
void ExpectInside(TLargeHtmlLabel& label) {
    const std::vector<TPlacedText> placed = PlaceText(label);
    ASSERT_FALSE(placed.empty());
    std::vector<int> tops;
    for (const TPlacedText& p : placed) {
        if (p.text != " ") {
            EXPECT_TRUE(label.rect().contains(p.rect)) << p.text.toStdString();
        }
        if (tops.empty() || p.rect.top() > tops.back()) tops.push_back(p.rect.top());
    }
    const int lineHeight = QFontMetrics(label.font()).height();
    ASSERT_GE(tops.size(), 3u);
    EXPECT_EQ(tops[0], 0);
    EXPECT_EQ(tops[1], 2 * lineHeight);
    EXPECT_EQ(tops[2], 3 * lineHeight);
}

TEST(Rendering, WaitingText) {
    QWidget page;  // the waiting page, 3 pixels of margin around the label
    page.setFont(MonitorFont());
    page.resize(382, 68);
    TLargeHtmlLabel label(&page);
    label.setGeometry(3, 3, 366, 62);
    label.SetWordWrap1(1);
    label.SetLines(kWaitingLines);
    ExpectInside(label);
    Save(page.grab(), "waiting_text");
}

TEST(Rendering, SettingsHelpText) {
    QWidget page;
    page.setFont(MonitorFont());
    page.resize(510, 156);
    page.setAutoFillBackground(true);
    QPalette palette = page.palette();
    palette.setColor(QPalette::Window, QColor(250, 250, 250));  // a tab page's face
    page.setPalette(palette);
    TLargeHtmlLabel label(&page);
    label.setGeometry(183, 8, 319, 140);
    label.SetWordWrap1(1);
    label.SetParentBackground(true);
    label.SetLines(kSettingsLines);
    ExpectInside(label);
    Save(page.grab(), "settings_help_text");
}

struct TBarShot {
    const char* name;
    const char* format;
    double maximum;
    double position;
};

TEST(Rendering, GaugeBars) {
    const TBarShot shots[] = {
        {"gauge_pps_0", "%.0f pps", 100, 0},       {"gauge_pps_150_of_250", "%.0f pps", 250, 150},
        {"gauge_percent_0", "%.0f%%", 100, 0},     {"gauge_percent_37", "%.0f%%", 100, 37},
        {"gauge_percent_100", "%.0f%%", 100, 100},
    };
    for (const TBarShot& shot : shots) {
        TGaugeBar bar;
        ApplyMonitorLook(bar);
        bar.SetProgressAnimation(false);
        bar.Appearance().ValueFormat = shot.format;
        bar.SetMaximum(shot.maximum);
        bar.SetPosition(shot.position);
        const QPixmap pixmap = bar.grab();
        EXPECT_EQ(pixmap.size(), QSize(150, 17));
        Save(pixmap, shot.name);
    }
}

TEST(Rendering, GaugesPage) {
    QWidget page;
    page.setFont(MonitorFont());
    page.resize(382, 86);
    const struct {
        const char* caption;
        QPoint at;
    } labels[] = {{"In:", {12, 26}},   {"Out:", {192, 26}},  {"Mem:", {0, 55}},
                  {"CPU:", {190, 55}}, {"1234567", {32, 3}}, {"7654321", {220, 3}}};
    for (const auto& l : labels) {
        auto* label = new QLabel(QString::fromLatin1(l.caption), &page);  // owned by the page
        label->move(l.at);
        label->adjustSize();
    }
    const struct {
        QPoint at;
        const char* format;
        double maximum, position;
    } bars[] = {{{32, 22}, "%.0f pps", 250, 150},
                {{220, 22}, "%.0f pps", 100, 0},
                {{32, 52}, "%.0f%%", 100, 37},
                {{220, 52}, "%.0f%%", 100, 100}};
    for (const auto& b : bars) {
        auto* bar = new TGaugeBar(&page);  // owned by the page
        bar->move(b.at);
        ApplyMonitorLook(*bar);
        bar->SetProgressAnimation(false);
        bar->Appearance().ValueFormat = b.format;
        bar->SetMaximum(b.maximum);
        bar->SetPosition(b.position);
    }
    Save(page.grab(), "gauges_page");
}

}  // namespace

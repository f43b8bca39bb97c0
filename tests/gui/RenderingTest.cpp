// The program's forms drawn as the user sees them: the main window waiting
// and with its gauges, the Configuration dialog, and the bars. They are saved
// as PNG files in build/renderings for a look by eye, with the checks such a
// look makes. The main window binds its local port: each case runs in its own
// network namespace, and the window asks a scripted agent on loopback.
#include <gtest/gtest.h>

#include <QDir>
#include <QPixmap>
#include <QStackedWidget>
#include <QTabWidget>
#include <algorithm>
#include <map>
#include <vector>

#include "monitor/Monitorlook.h"
#include "monitor/Ventrelicon.h"
#include "router/Oids.h"
#include "router/Routerconf.h"
#include "shell/Frouterconfig.h"
#include "tests/gui/RecordingCanvas.h"
#include "tests/support/FakeRouter.h"
#include "tests/support/WindowRig.h"
#include "widgets/Gaugebar.h"
#include "widgets/Largehtmllabel.h"

namespace {

void Save(const QPixmap& pixmap, const QString& name) {
    const QDir dir(QStringLiteral(VENTREL_RENDER_DIR));
    ASSERT_TRUE(dir.mkpath("."));
    EXPECT_TRUE(pixmap.save(dir.filePath(name + ".png"))) << name.toStdString();
}

// A paint's runs and spaces, line by line from the top.
struct TLaidOut {
    std::vector<std::vector<TPlacedText>> lines;
    int step = 0;  // the line step: the tallest run

    // The first run with this text, or none.
    const TPlacedText* Find(const QByteArray& text) const {
        for (const auto& line : lines) {
            for (const TPlacedText& p : line) {
                if (p.text == text) return &p;
            }
        }
        return nullptr;
    }
};

TLaidOut LayOut(TLargeHtmlLabel& label) {
    std::map<int, std::vector<TPlacedText>> byTop;
    TLaidOut out;
    for (const TPlacedText& p : PlaceText(label)) {
        byTop[p.rect.top()].push_back(p);
        out.step = std::max(out.step, p.rect.height());
    }
    for (auto& [top, line] : byTop) out.lines.push_back(std::move(line));
    return out;
}

bool IsSpace(const TPlacedText& p) { return p.text == " "; }

// The wrap rule, as the user sees its result: a run passes the right edge
// only where it starts a line (it is wider than the label); a line that
// follows the one before by one step was begun by a wrap, so its first run
// would not have fitted after that line; and no line falls below the label.
// (The texts here break lines only by wrapping and by one "<br><br>".)
void ExpectWrappedByTheRule(TLargeHtmlLabel& label, const TLaidOut& laid, const char* name) {
    ASSERT_FALSE(laid.lines.empty()) << name;
    const int width = label.width();
    for (std::size_t i = 0; i < laid.lines.size(); ++i) {
        const std::vector<TPlacedText>& line = laid.lines[i];
        ASSERT_FALSE(IsSpace(line.front())) << name << ": a line begins with a space";
        EXPECT_EQ(line.front().rect.left(), 0) << name << ": line " << i;
        for (const TPlacedText& run : line) {
            if (IsSpace(run) || run.rect.left() == 0) continue;
            EXPECT_LE(run.rect.left() + run.rect.width(), width)
                << name << ": \"" << run.text.toStdString() << "\" passes the right edge";
        }
        if (i > 0 && line.front().rect.top() - laid.lines[i - 1].front().rect.top() == laid.step) {
            const TPlacedText& last = laid.lines[i - 1].back();
            EXPECT_GT(last.rect.left() + last.rect.width() + line.front().rect.width(), width)
                << name << ": \"" << line.front().text.toStdString()
                << "\" would have fitted on the line before";
        }
        EXPECT_LE(line.front().rect.top() + laid.step, label.height())
            << name << ": line " << i << " is cut off at the bottom";
    }
}

// The paragraph that begins with `first` starts at the left edge, one empty
// line below the line that ends with `before`.
void ExpectSecondParagraph(const TLaidOut& laid, const QByteArray& before, const QByteArray& first,
                           const char* name) {
    const TPlacedText* end = laid.Find(before);
    const TPlacedText* start = laid.Find(first);
    ASSERT_TRUE(end && start) << name;
    EXPECT_EQ(start->rect.left(), 0) << name;
    EXPECT_EQ(start->rect.top(), end->rect.top() + 2 * laid.step) << name;
}

class Rendering : public ::testing::Test, protected TWindowRig {
protected:
    void SetUp() override {
        WriteSettings(QString("hostname=127.0.0.1:%1\ncommunity=kelpie\n").arg(router.port()));
    }

    TFakeRouter router;
};

TEST_F(Rendering, MainWindowWaiting) {
    Open();
    ASSERT_TRUE(Waiting());
    TLargeHtmlLabel& label = *window->LargeHtmlLabel1;
    const TLaidOut laid = LayOut(label);
    ExpectWrappedByTheRule(label, laid, "waiting text");
    ASSERT_GE(laid.lines.size(), 3u);
    EXPECT_EQ(laid.lines[0].back().text, "received...") << "the first sentence fills line one";
    ExpectSecondParagraph(laid, "received...", "If", "waiting text");
    EXPECT_TRUE(laid.Find("<Setup>")) << "an unknown tag is drawn as it is written";
    Save(window->grab(), "main_window_waiting");
}

TEST_F(Rendering, MainWindowGauges) {
    router.SetInteger(mib::kCpu, 37);
    router.SetInteger(mib::Cell(mib::kPoolUsed, 1), 3'000'000);
    router.SetInteger(mib::Cell(mib::kPoolFree, 1), 5'000'000);
    router.SetText(mib::Cell(mib::kIfDescr, 6), "GigabitEthernet0/0");
    for (const char* column : {mib::kIfInUcast, mib::kIfOutUcast})
        router.SetInteger(mib::Cell(column, 6), 1'000'000, kTagCounter);
    Open();
    Tick(router);
    now += 2;
    router.SetInteger(mib::Cell(mib::kIfInUcast, 6), 1'000'300, kTagCounter);
    router.SetInteger(mib::Cell(mib::kIfOutUcast, 6), 1'000'100, kTagCounter);
    Tick(router);
    ASSERT_FALSE(Waiting());
    for (TGaugeBar* bar : {window->ProgressBarPPSIn, window->ProgressBarPPSOut,
                           window->ProgressBarMem, window->ProgressBarCpu}) {
        bar->SetProgressAnimation(false);
        bar->SetPosition(bar->TargetValue());
        EXPECT_TRUE(window->TabSheetGauges->rect().contains(bar->geometry()))
            << bar->objectName().toStdString() << " lies outside its page";
    }
    Save(window->grab(), "main_window_gauges");
}

TEST(RenderingDialog, ConfigurationDialog) {
    TCiscoConfig config;
    TFormRouterConfig dialog(config);
    TLargeHtmlLabel& label = *dialog.LargeHtmlLabel1;
    const TLaidOut laid = LayOut(label);
    ExpectWrappedByTheRule(label, laid, "settings help");
    ExpectSecondParagraph(laid, "used.", "You", "settings help");
    // The joined lines keep exactly one space where a line ends in a stop.
    const TPlacedText* traffic = laid.Find("traffic.");
    const TPlacedText* make = laid.Find("Make");
    ASSERT_TRUE(traffic && make);
    if (traffic->rect.top() == make->rect.top()) {
        EXPECT_EQ(make->rect.left() - (traffic->rect.left() + traffic->rect.width()),
                  QFontMetrics(label.font()).horizontalAdvance(' '));
    }
    EXPECT_TRUE(dialog.PageControl1->geometry().contains(
        dialog.TabSheet1->mapTo(&dialog, label.geometry().bottomRight())))
        << "the help text ends inside the tab page";
    Save(dialog.grab(), "configuration_dialog");
}

struct TBarShot {
    const char* name;
    const char* format;
    double maximum;
    double position;
};

TEST(RenderingBars, GaugeBars) {
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

// The icon at the sizes a window manager and a tray ask for: a blue face
// with round corners, drawn to the edges of whatever size is asked.
TEST(RenderingIcon, EverySizeShowsTheFace) {
    const QIcon icon = VentrelIcon();
    for (int side : {16, 22, 24, 32, 64}) {
        const QImage image = icon.pixmap(side, side).toImage();
        ASSERT_EQ(image.size(), QSize(side, side)) << side;
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << "a round corner, " << side;
        const QColor lower = image.pixelColor(side * 3 / 32, side * 3 / 4);
        EXPECT_GT(lower.blue(), 2 * lower.red()) << "the blue face, " << side;
        EXPECT_EQ(lower.alpha(), 255) << side;
        Save(QPixmap::fromImage(image), QString("icon_%1").arg(side));
    }
}

}  // namespace

// The gauge bar and the markup labels as a screen reader finds them: role,
// name, the bar's figure with its range and text, and the events a
// listening reader hears when they change.
#include <gtest/gtest.h>

#include <QAccessibleValueInterface>
#include <QCoreApplication>

#include "monitor/Monitorlook.h"
#include "tests/support/Accessibility.h"
#include "widgets/Gaugebar.h"
#include "widgets/Htmllabel.h"
#include "widgets/Largehtmllabel.h"

namespace {

TEST(AccessibleGaugeBar, ReadsTheFigureItStandsFor) {
    struct {
        const char* name;
        const char* format;
        bool glides;
        double maximum, written;
        double value;
        QString text;
    } const cases[] = {
        {"a percentage", "%.0f%%", false, 100, 7.4, 7.4, "7%"},
        {"a gliding bar reads where it goes, not where it is", "%.0f%%", true, 100, 68, 68, "68%"},
        {"clamped to its range", "%.0f pps", false, 100, 250, 100, "100 pps"},
        {"a raised range", "%.0f pps", false, 748, 260, 260, "260 pps"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TGaugeBar bar;
        ApplyMonitorLook(bar);
        bar.setAccessibleName("CPU load");
        bar.Appearance().ValueFormat = c.format;
        bar.SetProgressAnimation(c.glides);
        bar.SetMaximum(c.maximum);
        bar.show();
        QCoreApplication::processEvents();
        bar.SetPosition(c.written);
        if (c.glides) {
            ASSERT_TRUE(bar.Gliding());
        }

        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(&bar);
        ASSERT_NE(face, nullptr);
        EXPECT_EQ(face->role(), QAccessible::ProgressBar);
        EXPECT_TRUE(face->state().readOnly);
        EXPECT_EQ(face->text(QAccessible::Name), "CPU load");
        EXPECT_EQ(face->text(QAccessible::Value), c.text);
        EXPECT_EQ(face->text(QAccessible::Description), c.text) << "the text with its unit";
        QAccessibleValueInterface* value = face->valueInterface();
        ASSERT_NE(value, nullptr);
        EXPECT_DOUBLE_EQ(value->currentValue().toDouble(), c.value);
        EXPECT_DOUBLE_EQ(value->minimumValue().toDouble(), 0);
        EXPECT_DOUBLE_EQ(value->maximumValue().toDouble(), c.maximum);
        value->setCurrentValue(3);
        EXPECT_DOUBLE_EQ(bar.TargetValue(), c.value) << "a reader cannot set a reading";
    }
}

TEST(AccessibleGaugeBar, AListeningReaderHearsEachNewFigureOnce) {
    TGaugeBar bar;
    bar.SetProgressAnimation(false);
    TListeningReader reader;
    auto heard = [&] {
        std::vector<double> values;
        for (const TAccessibleEvent& e : reader.Heard(QAccessible::ValueChanged, &bar))
            values.push_back(e.value.toDouble());
        return values;
    };
    bar.SetPosition(7);
    bar.SetPosition(7);  // the same figure again
    bar.SetPosition(250);
    bar.SetMaximum(300);  // raised: the value stays
    bar.SetMaximum(50);   // lowered below it: the value comes down
    EXPECT_EQ(heard(), (std::vector<double>{7, 100, 50}));
}

TEST(AccessibleMarkupLabel, ReadsItsTextWithoutTags) {
    TLargeHtmlLabel large;
    large.SetLines({"Waiting...<br><br>", "use the <b><Setup></b> ", "button."});
    THtmlLabel one;
    one.SetCaption("<hyper>Ventrel</hyper> 1.0<br>");
    struct {
        TMarkupLabel* label;
        QString name;
    } const cases[] = {
        {&large, "Waiting...\n\nuse the <Setup> button."},
        {&one, "Ventrel 1.0<br>"},
    };
    for (const auto& c : cases) {
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(c.label);
        ASSERT_NE(face, nullptr);
        EXPECT_EQ(face->role(), QAccessible::StaticText);
        EXPECT_EQ(face->text(QAccessible::Name), c.name);
    }

    TListeningReader reader;
    large.SetLines({"Now <i>this</i>."});
    EXPECT_EQ(reader.Heard(QAccessible::NameChanged, &large).size(), 1u);
    EXPECT_EQ(AccessibleText(&large, QAccessible::Name), "Now this.");
    large.setAccessibleName("Status");
    reader.events.clear();
    large.SetLines({"Other"});
    EXPECT_TRUE(reader.Heard(QAccessible::NameChanged, &large).empty()) << "the given name stays";
    EXPECT_EQ(AccessibleText(&large, QAccessible::Name), "Status");
}

}  // namespace

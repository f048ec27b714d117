// The chart speaks for the family shown: its limits colour the bars and place
// the reference line, its title names it, several slots a day stand on a time
// axis, and the screen follows every scan and switch of family.
#include "app/StationRun.h"
#include "chart/BarSeries.h"
#include "chart/Chart.h"
#include "desktop/LagwatchPlotForm.h"
#include "desktop/WatchControls.h"
#include "platform/Clock.h"
#include "platform/FileTimes.h"
#include "tests/common/LocaleText.h"
#include "tests/common/ScopedEnvironment.h"
#include "tests/common/TempDir.h"
#include "tests/common/WindowStation.h"

#include <QAction>
#include <QPixmap>
#include <gtest/gtest.h>

namespace {

const QString Seg = "[seg]\npattern = seg_{channel}_{time:%Y%m%d%H%M}.dat\nwarning = 5\ncritical = 10\n";

int CountColour(const QImage& image, QRgb colour, int row = -1)
{
    int n = 0;
    for (int y = std::max(row, 0); y < (row < 0 ? image.height() : row + 1); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += (image.pixel(x, y) | 0xFF000000) == colour;
    return n;
}

using TStation = TWindowStation;

TEST(FamilyChart, ColoursAndLineFollowTheLimitsOfTheFamilyShown)
{
    struct Case
    {
        QString what;
        QStringList switches;
        QString families;
        int family, minutes;  // the family shown, its bars' delay
        TColor colour;
        double line;
    } const cases[] = {
        {"built-in", {}, "", 0, 24, ColourInTime, 45},
        {"warning20", {"-warning=20"}, "", 0, 24, ColourNearlyLate, 45},
        {"critical20", {"-warning=10", "-critical=20"}, "", 0, 24, ColourLate, 20},
        {"family", {}, Seg, 1, 20, ColourLate, 10},
        {"switches-over-family", {"-warning=15", "-critical=30"}, Seg, 1, 20, ColourNearlyLate, 30},
    };
    TStation station;
    for (const Case& c : cases) {
        station.Folder = c.what + "/";
        for (const char* day : {"22", "23"}) {
            station.Deliver(QString("202106") + day + "1200-crm.grb", c.minutes);
            station.Deliver(QString("seg_a_202106") + day + "1200.dat", c.minutes);
        }
        auto form = station.Open(c.switches, c.families);
        form->ShowFamily(c.family);
        const QImage image = form->Chart()->RenderToImage();
        for (const TColor band : {ColourInTime, ColourNearlyLate, ColourLate})
            EXPECT_EQ(CountColour(image, ToQColor(band).rgb()) > 0, band == c.colour) << c.what.toStdString();
        const int y = form->Chart()->LeftAxis()->ValueToPixel(c.line), line = CountColour(image, qRgb(128, 0, 32));
        EXPECT_GT(line, 100) << c.what.toStdString();
        EXPECT_EQ(CountColour(image, qRgb(128, 0, 32), y), line) << c.what.toStdString();
        EXPECT_EQ(form->Chart()->Title()->Text().value(0).section(" in ", 0, 0),
                  c.family ? "Delay of seg data" : "Delay of CRM data");
    }
}

// A batch of bars does not repaint the chart: a wall display showed the old
// bars under a new caption.
TEST(FamilyChart, TheScreenFollowsEveryScanAndSwitch)
{
    TStation station;
    station.Deliver("202106211200-crm.grb", 10);
    station.Deliver("202106221200-crm.grb", 12);
    // Three slots of one day, the middle one of two files (files a slot not known yet).
    for (const char* name : {"a_202106231200", "a_202106231300", "b_202106231300", "a_202106231320"})
        station.Deliver(QString("seg_%1.dat").arg(name), name[0] == 'b' ? 8 : 3);
    auto form = station.Open({}, Seg);
    form->show();
    auto shown = [&form] { return form->Chart()->grab().toImage().convertToFormat(QImage::Format_RGB32); };
    auto painted = [&form] { return form->Chart()->RenderToImage().convertToFormat(QImage::Format_RGB32); };
    const QImage before = shown();
    station.Deliver("202106231200-crm.grb", 30);  // a bar on a new day, the axes' settings as they were
    form->Watch()->ScanAgain()->trigger();
    EXPECT_TRUE(shown() != before);
    EXPECT_TRUE(shown() == painted()) << "the old bars under the new caption";
    for (const int key : {Qt::Key_2, Qt::Key_1, Qt::Key_2}) {
        for (QAction* action : form->actions())
            if (action->shortcut() == QKeySequence(Qt::CTRL | key))
                action->trigger();
        EXPECT_TRUE(shown() == painted()) << key;
    }
    // One bar per slot at its time, as late as its latest file, the hint naming the time.
    EXPECT_EQ(form->Chart()->BottomAxis()->DateTimeFormat(), "mmm dd hh:nn");
    ASSERT_EQ(form->Series1()->Count(), 3);
    EXPECT_LT(form->Series1()->PointRect(0).Right, form->Series1()->PointRect(1).Left);
    EXPECT_LT(form->Series1()->PointRect(1).Right, form->Series1()->PointRect(2).Left);
    EXPECT_EQ(form->Hint().section('\r', 2, 2), InLocale("  2021-Jun-23 13:00  => 8.0 minutes"));
}

}  // namespace

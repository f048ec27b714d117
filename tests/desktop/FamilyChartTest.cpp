// The chart speaks for the family shown: its limits colour the bars and place
// the reference line, its name is in the title, a family of several slots a
// day stands on a time axis, and what the screen shows follows every scan and
// every switch of family. Run offscreen, and under a virtual display.
#include "app/CommandLine.h"
#include "app/StationRun.h"
#include "chart/BarSeries.h"
#include "chart/Chart.h"
#include "desktop/FamilyCharts.h"
#include "desktop/LagwatchPlotForm.h"
#include "desktop/WatchControls.h"
#include "platform/Clock.h"
#include "platform/FileTimes.h"
#include "tests/common/ScopedEnvironment.h"
#include "tests/common/TempDir.h"

#include <QAction>
#include <QImage>
#include <QPixmap>
#include <gtest/gtest.h>

namespace {

const QRgb ReferenceLine = qRgb(128, 0, 32);
const TColor Bands[] = {ColourInTime, ColourNearlyLate, ColourLate};

int CountColour(const QImage& image, QRgb colour, int row = -1)
{
    int n = 0;
    for (int y = row < 0 ? 0 : row; y < (row < 0 ? image.height() : row + 1); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += (image.pixel(x, y) | 0xFF000000) == colour;
    return n;
}

QRgb Rgb(TColor c) { return ToQColor(c).rgb(); }

const QString SegFamily = "[seg]\npattern = seg_{time:%Y%m%d%H%M}.dat\nwarning = 5\ncritical = 10\n";

class FamilyChart : public ::testing::Test
{
protected:
    void SetUp() override
    {
        TryEncodeDate(2021, 6, 23, FToday);
        SetClockForTesting([this] { return FToday + 14 / 24.0; });
    }
    void TearDown() override { SetClockForTesting({}); }

    // A product of June 2021 (day 20 to 23) that came `minutes` late.
    void Deliver(const QString& name, int day, int minutes)
    {
        const QString path = FDir.Write(FStation + QString::asprintf("data/2021/06/%02d/", day) + name, "DATA");
        const auto times = ReadFileTimes(QFile::encodeName(path));
        ASSERT_TRUE(times.has_value());
        ASSERT_TRUE(SetLastWriteMs(path, times->CreationMs - minutes * 60000));
    }

    std::unique_ptr<TFormLagwatchPlot> Open(QStringList switches, const QString& families)
    {
        if (!families.isEmpty())
            switches.append("-families=" + FDir.Write(FStation + "families.conf", families.toUtf8()));
        TParsedCommandLine parsed = ParseCommandLine(
            switches + QStringList{FDir.MakeDir(FStation + "data"), FDir.Write(FStation + "ledger.txt", "")});
        EXPECT_EQ(parsed.Error, "");
        EXPECT_TRUE(ResolveFamilies(parsed.Line, parsed.Error)) << parsed.Error.toStdString();
        FRun = std::make_unique<TStationRun>(parsed.Line);
        auto form = std::make_unique<TFormLagwatchPlot>(*FRun);
        form->TimerOnStartTimer();
        return form;
    }

    TDateTime FToday = 0;
    TempDir FDir;
    QString FStation;  // the station's folder below FDir: each its own ledgers
    std::unique_ptr<TStationRun> FRun;
    TScopedEnvironment FConfigHome{"XDG_CONFIG_HOME", QFile::encodeName(FDir.Path() + "config")};
};

TEST_F(FamilyChart, ColoursAndLineFollowTheLimitsOfTheFamilyShown)
{
    struct Case
    {
        const char* what;
        QStringList switches;
        QString families;
        int family;  // the one shown
        int minutes;
        TColor colour;
        double line;
    };
    const Case cases[] = {
        {"built-in limits", {}, "", 0, 24, ColourInTime, 45},
        {"-warning=20", {"-warning=20"}, "", 0, 24, ColourNearlyLate, 45},
        {"-critical=20", {"-warning=10", "-critical=20"}, "", 0, 24, ColourLate, 20},
        {"the family's own limits", {}, SegFamily, 1, 20, ColourLate, 10},
        {"the switches over the family's", {"-warning=15", "-critical=30"}, SegFamily, 1, 20, ColourNearlyLate, 30},
    };
    for (const Case& c : cases) {
        FStation = QString::fromLatin1(c.what).replace(' ', '_') + "/";
        for (const int day : {22, 23}) {
            Deliver(QString::asprintf("202106%02d1200-crm.grb", day), day, c.minutes);
            Deliver(QString::asprintf("seg_202106%02d1200.dat", day), day, c.minutes);
        }
        auto form = Open(c.switches, c.families);
        form->ShowFamily(c.family);
        const QImage image = form->Chart()->RenderToImage();
        for (const TColor band : Bands)
            EXPECT_EQ(CountColour(image, Rgb(band)) > 0, band == c.colour) << c.what << " " << band;
        const int y = form->Chart()->LeftAxis()->ValueToPixel(c.line);
        EXPECT_GT(CountColour(image, ReferenceLine, y), 100) << c.what;
        EXPECT_EQ(CountColour(image, ReferenceLine), CountColour(image, ReferenceLine, y)) << c.what;
        const QString title = form->Chart()->Title()->Text().value(0);
        EXPECT_TRUE(title.startsWith(c.family ? "Delay of seg data in  " : "Delay of CRM data in  ")) << c.what;
    }
}

// A batch of new bars does not repaint the chart by itself: without a
// repaint asked for, a wall display showed the old bars under a new caption.
TEST_F(FamilyChart, TheScreenFollowsEveryScanAndSwitch)
{
    Deliver("202106211200-crm.grb", 21, 10);
    Deliver("202106221200-crm.grb", 22, 12);
    for (const char* time : {"1200", "1300", "1400"})
        Deliver(QStringLiteral("seg_20210623%1.dat").arg(time), 23, 3);
    auto form = Open({}, SegFamily);
    form->show();
    auto shown = [&form] { return form->Chart()->grab().toImage().convertToFormat(QImage::Format_RGB32); };
    auto painted = [&form] { return form->Chart()->RenderToImage().convertToFormat(QImage::Format_RGB32); };
    const QImage before = shown();

    // A bar on a new day, the axes' settings as they were.
    Deliver("202106231200-crm.grb", 23, 30);
    form->Watch()->ScanAgain()->trigger();
    EXPECT_EQ(form->Series1()->Count(), 3);
    const QImage afterScan = shown();
    EXPECT_TRUE(afterScan != before);
    EXPECT_TRUE(afterScan == painted()) << "the old bars under the new caption";

    // Three slots of one day: three bars on a time axis.
    for (const int key : {Qt::Key_2, Qt::Key_1, Qt::Key_2}) {
        for (QAction* action : form->actions())
            if (action->shortcut() == QKeySequence(Qt::CTRL | key))
                action->trigger();
        EXPECT_TRUE(shown() == painted()) << key;
    }
    EXPECT_EQ(form->Chart()->BottomAxis()->DateTimeFormat(), "mmm dd hh:nn");
    ASSERT_EQ(form->Series1()->Count(), 3);
    EXPECT_LT(form->Series1()->PointRect(0).Right, form->Series1()->PointRect(1).Left);
    EXPECT_LT(form->Series1()->PointRect(1).Right, form->Series1()->PointRect(2).Left);
}

TEST(FamilyCharts, SeveralFamiliesStandOneUnderTheOther)
{
    std::vector<TFamilyReading> families(2);
    families[0].Name = "crm";
    families[1].Name = "seg";
    const QImage one = RenderFamilyCharts({families[0]}, "/d/", 2).convertToFormat(QImage::Format_RGB32);
    const QImage both = RenderFamilyCharts(families, "/d/", 2);
    EXPECT_EQ(one.size(), QSize(2 * 728, 2 * 289));
    ASSERT_EQ(both.size(), QSize(2 * 728, 4 * 289));
    EXPECT_TRUE(both.copy(0, 0, one.width(), one.height()) == one);
    EXPECT_TRUE(both.copy(0, one.height(), one.width(), one.height()) != one) << "titled with its own family";
}

}  // namespace

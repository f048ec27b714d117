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

class FamilyChart : public ::testing::Test
{
protected:
    void SetUp() override { SetClockForTesting([] { return 44370 + 14 / 24.0; }); }  // 2021-06-23 14:00
    void TearDown() override { SetClockForTesting({}); }

    // A file of June 2021 that came `minutes` late, in the station's folder.
    void Deliver(const QString& name, int minutes)
    {
        const QString path = FDir.Write(FStation + "data/2021/06/" + name.mid(name.indexOf("202106") + 6, 2) + "/" +
                                            name, "DATA");
        const auto times = ReadFileTimes(QFile::encodeName(path));
        ASSERT_TRUE(times && SetLastWriteMs(path, times->CreationMs - minutes * 60000));
    }

    std::unique_ptr<TFormLagwatchPlot> Open(QStringList switches, const QString& families)
    {
        if (!families.isEmpty())
            switches.append("-families=" + FDir.Write(FStation + "families.conf", families.toUtf8()));
        TParsedCommandLine parsed = ParseCommandLine(
            switches + QStringList{FDir.MakeDir(FStation + "data"), FDir.Write(FStation + "ledger.txt", "")});
        EXPECT_TRUE(parsed.Error.isEmpty() && ResolveFamilies(parsed.Line, parsed.Error)) << parsed.Error.toStdString();
        FRun = std::make_unique<TStationRun>(parsed.Line);
        auto form = std::make_unique<TFormLagwatchPlot>(*FRun);
        form->TimerOnStartTimer();
        return form;
    }

    TempDir FDir;
    QString FStation;  // below FDir: each station its own ledgers
    std::unique_ptr<TStationRun> FRun;
    TScopedEnvironment FConfigHome{"XDG_CONFIG_HOME", QFile::encodeName(FDir.Path() + "config")};
};

TEST_F(FamilyChart, ColoursAndLineFollowTheLimitsOfTheFamilyShown)
{
    struct Case
    {
        QString what;
        QStringList switches;
        QString families;
        int family, minutes;  // the family shown, its bars' delay
        TColor colour;
        double line;
    };
    const Case cases[] = {
        {"built-in", {}, "", 0, 24, ColourInTime, 45},
        {"warning20", {"-warning=20"}, "", 0, 24, ColourNearlyLate, 45},
        {"critical20", {"-warning=10", "-critical=20"}, "", 0, 24, ColourLate, 20},
        {"family", {}, Seg, 1, 20, ColourLate, 10},
        {"switches-over-family", {"-warning=15", "-critical=30"}, Seg, 1, 20, ColourNearlyLate, 30},
    };
    for (const Case& c : cases) {
        FStation = c.what + "/";
        for (const QString day : {"22", "23"}) {
            Deliver("202106" + day + "1200-crm.grb", c.minutes);
            Deliver("seg_a_202106" + day + "1200.dat", c.minutes);
        }
        auto form = Open(c.switches, c.families);
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
TEST_F(FamilyChart, TheScreenFollowsEveryScanAndSwitch)
{
    Deliver("202106211200-crm.grb", 10);
    Deliver("202106221200-crm.grb", 12);
    // Three slots of one day, the middle one of two files (files a slot not known yet).
    for (const QString name : {"a_202106231200", "a_202106231300", "b_202106231300", "a_202106231320"})
        Deliver("seg_" + name + ".dat", name.startsWith('b') ? 8 : 3);
    auto form = Open({}, Seg);
    form->show();
    auto shown = [&form] { return form->Chart()->grab().toImage().convertToFormat(QImage::Format_RGB32); };
    auto painted = [&form] { return form->Chart()->RenderToImage().convertToFormat(QImage::Format_RGB32); };
    const QImage before = shown();

    Deliver("202106231200-crm.grb", 30);  // a bar on a new day, the axes' settings as they were
    form->Watch()->ScanAgain()->trigger();
    const QImage afterScan = shown();
    EXPECT_TRUE(afterScan != before);
    EXPECT_TRUE(afterScan == painted()) << "the old bars under the new caption";
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

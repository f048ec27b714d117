// The month's figures of a family read the same from the digests of its
// days as from their lines, and a digest whose day file changed is not taken.
#include "report/CompletenessReport.h"
#include "report/DelaySummary.h"
#include "report/FamilyReading.h"
#include "report/Metrics.h"
#include "station/FamilyPass.h"

#include "tests/common/TempDir.h"
#include "tests/common/TestDates.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

TDateTime Day(int d) { return At(2021, 6, d); }

// Hourly slots of three files: on time, late, unmeasured, a file short, and
// a product outside the schedule.
QByteArray DayLines(int d)
{
    QByteArray text;
    for (int hour = 0; hour < 24; ++hour)
        for (int file = 0; file < 3 - (hour == d % 24); ++file) {
            const QByteArray delay = hour == 5 && file == 1 ? "late" : QByteArray::number(60 * (hour + file + d));
            text += QStringLiteral("202106%1%2%3 seg_%4.dat=")
                        .arg(d, 2, 10, QLatin1Char('0'))
                        .arg(hour, 2, 10, QLatin1Char('0'))
                        .arg(hour == 7 ? "3000" : "0000")
                        .arg(file)
                        .toUtf8() +
                    delay + "\r\n";
        }
    return text;
}

class FamilyDigests : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QString error;
        FFamily.Name = QStringLiteral("seg");
        FFamily.Expect = ParseExpectedSchedule(QStringLiteral("1h"), error);
        FFamily.FilesPerSlot = 3;
        FRules = {FFamily.Name, {}, FFamily.Expect, FFamily.FilesPerSlot};
        FRules.Limits.WarningMinutes = 20;
        for (int d = 1; d <= 23; ++d)
            FDir.Write(QStringLiteral("seg-received/2021-06-%1.txt").arg(d, 2, 10, QLatin1Char('0')), DayLines(d));
    }

    // The metrics and the daily report of a new pass's reading.
    QByteArray Figures(int newestSlots)
    {
        TFamilyPass pass(FFamily, FDir.Path() + "seg-received/");
        const TFamilyReading reading = ReadFamily(FRules, pass.View(FNow, newestSlots), FNow);
        return MetricsText({"data", FNow, 0, true, 1}, {reading}) +
               CompletenessReportCsv(FamilyCompletenesses({reading}));
    }

    TempDir FDir;
    TFamily FFamily;
    TFamilyRules FRules;
    const TDateTime FNow = Day(23) + 0.6;
};

}  // namespace

TEST_F(FamilyDigests, TheMonthReadsTheSameFromDigestsAsFromItsLines)
{
    const QByteArray whole = Figures(-1);
    EXPECT_EQ(Figures(PlottedLineCount), whole);  // the digests made from the day files
    EXPECT_TRUE(QFile::exists(FDir.Path() + "seg-received/2021-06-10.digest"));
    EXPECT_EQ(Figures(PlottedLineCount), whole);  // the digests kept

    // Another run rewrote a day: its digest no longer counts.
    FDir.Write("seg-received/2021-06-10.txt", DayLines(10) + "20210610120000 seg_9.dat=1\r\n");
    const QByteArray changed = Figures(PlottedLineCount);
    EXPECT_NE(changed, whole);
    EXPECT_EQ(changed, Figures(-1));
}

#include "report/HealthCheck.h"
#include "report/StationStatus.h"
#include "tests/common/Faults.h"

#include <QLocale>
#include <map>
#include <gtest/gtest.h>

namespace {

// 2021-06-23 14:00 UTC.
TDateTime Now()
{
    TDateTime day = 0, time = 0;
    TryEncodeDate(2021, 6, 23, day);
    TryEncodeTime(14, 0, 0, 0, time);
    return day + time;
}

TFamilyLimits Limits(double warning, double critical, double maxAge)
{
    TFamilyLimits limits;
    limits.WarningMinutes = warning;
    limits.CriticalMinutes = critical;
    limits.MaxAgeHours = maxAge;
    return limits;
}

TCheckResult Check(const QStringList& lines, const TFamilyLimits& thresholds = {})
{
    TSortedStringList ledger;
    ledger.Assign(lines);
    TLedgerEntries entries(ledger);
    return CheckStation(AssessStation(entries, Now(), thresholds), thresholds);
}

TEST(HealthCheck, VerdictsAtTheBandEdges)
{
    struct Case
    {
        QStringList lines;
        TCheckState state;
        const char* text;
    };
    const Case cases[] = {
        // The newest delay against 35 and 45 minutes, "more than" as the chart's bands.
        {{"202106231200-crm.grb=2100"}, TCheckState::Ok, "35.0 minutes late, 2.0 hours old"},
        {{"202106231200-crm.grb=2101"}, TCheckState::Warning, "35.0 minutes late (more than 35)"},
        {{"202106231200-crm.grb=2700"}, TCheckState::Warning, "45.0 minutes late (more than 35)"},
        {{"202106231200-crm.grb=2701"}, TCheckState::Critical, "45.0 minutes late (more than 45)"},
        {{"202106231200-crm.grb=86460"}, TCheckState::Critical, "1441.0 minutes late (more than 45)"},
        // Up to 5 minutes written after its creation is no clock skew; more warns.
        {{"202106231200-crm.grb=-300"}, TCheckState::Ok, "-5.0 minutes late"},
        {{"202106231200-crm.grb=-301"}, TCheckState::Warning, "clock skew: written 5.0 minutes after it was created"},
        {{"202106231200-crm.grb=0"}, TCheckState::Ok, "0.0 minutes late"},
        // Only the newest product decides; older late ones are only counted.
        {{"202106221200-crm.grb=9000", "202106231200-crm.grb=60"},
         TCheckState::Ok,
         "1 of 2 plotted over 35 minutes, 1 over 45"},
        {{"202106231200-crm.grb=60", "202106231300-crm.grb=2400"},
         TCheckState::Warning,
         "newest product 202106231300-crm.grb"},
        // The age of the newest product against 26 hours.
        {{"202106221200-crm.grb=60"}, TCheckState::Ok, "26.0 hours old"},
        {{"202106221159-crm.grb=60"},
         TCheckState::Critical,
         "no product since 2021-06-22T11:59:00Z (26.0 hours, more than 26)"},
        {{"202001010000-crm.grb=3000"}, TCheckState::Critical, "no product since 2020-01-01T00:00:00Z"},
        // Up to 5 minutes ahead is the newest product; further ahead is none yet.
        {{"202106231405-crm.grb=60"}, TCheckState::Ok, "-0.1 hours old"},
        {{"202106231406-crm.grb=60"}, TCheckState::Critical, "no product recorded; 1 product named in the future"},
        {{"202106231200-crm.grb=60", "202106240000-crm.grb=2701", "202106241200x-crm.grb=1"},
         TCheckState::Ok,
         "newest product 202106231200-crm.grb, 1.0 minutes late, 2.0 hours old; 2 products named in the future"},
        // No product at all is no sign of health.
        {{}, TCheckState::Critical, "no product recorded"},
        {{"notes=5", "no separator", "2021062312=5"}, TCheckState::Critical, "no product recorded"},
        // Lines after the newest product that name none are passed over.
        {{"202106231200-crm.grb=2701", "zz-notes=1", "zz no separator"},
         TCheckState::Critical,
         "newest product 202106231200-crm.grb"},
        // A value that is no integer leaves the delay out of the verdict.
        {{"202106231200-crm.grb=9000", "202106231300-crm.grb=late"},
         TCheckState::Ok,
         "delay not recorded, 1.0 hours old"},
        {{"202106231300-crm.grb= 9000"}, TCheckState::Ok, "delay not recorded"},
        // Hour 24 is midnight at the end of the day.
        {{"202106222400-crm.grb=60"}, TCheckState::Ok, "14.0 hours old"},
    };
    for (const Case& c : cases) {
        const TCheckResult r = Check(c.lines);
        EXPECT_EQ(r.State, c.state) << r.Line.toStdString();
        EXPECT_TRUE(r.Line.startsWith(QStringLiteral("LAGWATCH %1 - ").arg(CheckStateName(c.state))))
            << r.Line.toStdString();
        EXPECT_TRUE(r.Line.contains(QLatin1String(c.text))) << r.Line.toStdString() << "\n  wanted: " << c.text;
    }
}

// The line a monitoring server parses: decimal points under any locale, a
// German C-library LC_NUMERIC included (the summary keeps the locale's).
TEST(HealthCheck, NumbersHaveADecimalPointUnderAGermanNumericLocale)
{
    REQUIRE_LOCALE("de_DE.UTF-8");
    const TScopedCLocale german(LC_NUMERIC, "de_DE.UTF-8");
    const TCheckResult r = Check({"202106221200-crm.grb=86430"}, Limits(35, 45, 48));
    EXPECT_TRUE(r.Line.contains("1440.5 minutes late (more than 45), 26.0 hours old")) << r.Line.toStdString();
}

TEST(HealthCheck, ThresholdsFromTheCommandLine)
{
    struct Case
    {
        double warning, critical, maxAge;
        int seconds;
        int ageMinutes;
        TCheckState state;
    };
    const Case cases[] = {
        {10, 20, 26, 600, 60, TCheckState::Ok},         {10, 20, 26, 601, 60, TCheckState::Warning},
        {10, 20, 26, 1201, 60, TCheckState::Critical},  {35.5, 45, 26, 2130, 60, TCheckState::Ok},
        {35.5, 45, 26, 2131, 60, TCheckState::Warning}, {0, 0, 26, 0, 60, TCheckState::Ok},
        {0, 0, 26, 1, 60, TCheckState::Critical},       {35, 45, 0.5, 60, 30, TCheckState::Ok},
        {35, 45, 0.5, 60, 31, TCheckState::Critical},   {35, 45, 0, 60, 0, TCheckState::Ok},
    };
    for (const Case& c : cases) {
        const TDateTime nominal = Now() - c.ageMinutes / 1440.0;
        TDateParts d;
        TTimeParts t;
        TryDecodeDate(nominal, d);
        TryDecodeTime(nominal + 0.5 / 86400.0, t);
        const QString name =
            QString::asprintf("%04d%02d%02d%02d%02d-crm.grb", d.Year, d.Month, d.Day, t.Hour, t.Minute);
        const TCheckResult r = Check({name + "=" + QString::number(c.seconds)}, Limits(c.warning, c.critical, c.maxAge));
        EXPECT_EQ(r.State, c.state) << r.Line.toStdString();
    }
}

TEST(HealthCheck, PerformanceDataInThePluginFormat)
{
    struct Case
    {
        QStringList lines;
        TFamilyLimits thresholds;
        const char* performance;
    };
    const Case cases[] = {
        {{"202106221200-crm.grb=3000", "202106231200-crm.grb=2101"},
         {},
         "newest_delay=2101s;2100;2700 newest_age=7200s;;93600 over_warning=2;;;0;2 over_critical=1;;;0;2"},
        {{"202106231300-crm.grb=x"},
         Limits(35.5, 45.25, 1.5),
         "newest_delay=U;2130;2715 newest_age=3600s;;5400 over_warning=0;;;0;0 over_critical=0;;;0;0"},
        {{}, {}, "over_warning=0;;;0;0 over_critical=0;;;0;0"},
    };
    for (const Case& c : cases) {
        const QString line = Check(c.lines, c.thresholds).Line;
        EXPECT_EQ(line.mid(line.indexOf(" | ") + 3), QLatin1String(c.performance)) << line.toStdString();
        EXPECT_EQ(line.count('|'), 1) << line.toStdString();
    }
}

TEST(HealthCheck, TheLineIsTheSameInEveryLocale)
{
    const QStringList lines{"202106221200-crm.grb=3000", "202106231159-crm.grb=2131"};
    const TFamilyLimits thresholds = Limits(35.5, 45.25, 26.5);
    const QLocale pinned;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const QString english = Check(lines, thresholds).Line;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QString german = Check(lines, thresholds).Line;
    QLocale::setDefault(QLocale(QLocale::Arabic, QLocale::Egypt));
    const QString arabic = Check(lines, thresholds).Line;
    QLocale::setDefault(pinned);
    EXPECT_EQ(german, english);
    EXPECT_EQ(arabic, english);
    EXPECT_TRUE(english.contains("35.5 minutes late (more than 35.5)")) << english.toStdString();
    EXPECT_TRUE(english.contains("newest_delay=2131s;2130;2715")) << english.toStdString();
}

TEST(HealthCheck, UnknownNamesEveryReasonAndKeepsTheSeparatorOut)
{
    const TCheckResult r = UnknownCheck({"the data folder /srv/a|b/ does not exist", "the ledger /x was not saved"});
    EXPECT_EQ(r.State, TCheckState::Unknown);
    EXPECT_EQ(r.Line, "LAGWATCH UNKNOWN - the data folder /srv/a/b/ does not exist; the ledger /x was not saved");
}

TEST(StationStatus, CountsThePlottedBarsOverEachThreshold)
{
    // 50 products: only the newest 46 are plotted; a delay of more than a day
    // draws a bar of height 0 but is late all the same.
    QStringList lines;
    for (int i = 0; i < 50; ++i)
        lines.append(
            QString::asprintf("202106%02d%02d00-crm.grb=%d", 1 + i / 4, i % 4 * 6, i < 4 ? 9999 : 2000 + i * 10));
    lines.append("202106131200-crm.grb=90000");
    lines.append("notes=late");
    TSortedStringList ledger;
    ledger.Assign(lines);
    TLedgerEntries entries(ledger);
    const TStationStatus s = AssessStation(entries, Now(), {});
    EXPECT_EQ(s.LedgerEntries, 52);
    EXPECT_EQ(s.Plotted, 45);  // the newest 46 lines hold the notes line
    // Delays 2060..2490 s in steps of 10 s for i = 6..49: over 2100 from i = 11, over 2700 never; plus the 90000.
    EXPECT_EQ(s.PlottedOverWarning, 39 + 1);
    EXPECT_EQ(s.PlottedOverCritical, 1);
    ASSERT_TRUE(s.Newest);
    EXPECT_EQ(s.Newest->Name, "202106131200-crm.grb");
    EXPECT_EQ(s.Newest->DelaySeconds, 90000);
    EXPECT_DOUBLE_EQ(s.NewestAgeSeconds, 10 * 86400 + 2 * 3600);
}

// The newest product is the newest slot, as late as its latest file, which
// the line names; the file whose name sorts last decides nothing. The CRM
// products alone keep their last ledger line.
TEST(HealthCheck, TheNewestSlotIsAsLateAsItsLatestFile)
{
    // Segments of the 13:00 slot, "img_sNNN.seg"; delays by index, the rest 200 s.
    const auto slot = [](int files, const std::map<int, const char*>& delays) {
        QStringList lines{"20210623124500 img_s000.seg=9000"};  // an older slot, very late
        for (int i = 0; i < files; ++i)
            lines.append(QString::asprintf("20210623130000 img_s%03d.seg=", i) +
                         (delays.count(i) ? delays.at(i) : "200"));
        return lines;
    };
    struct Case
    {
        const char* what;
        QStringList lines;
        TFigureUnit unit;
        TCheckState state;
        const char* text;
    };
    const Case cases[] = {
        {"a segment 15 minutes late sorts before the last", slot(8, {{2, "900"}}), TFigureUnit::Slot,
         TCheckState::Warning, "newest product img_s002.seg, 15.0 minutes late (more than 5), 1.0 hours old"},
        {"the first of 114 files, far back from the ledger's end", slot(114, {{0, "1000"}}), TFigureUnit::Slot,
         TCheckState::Critical, "newest product img_s000.seg, 16.7 minutes late (more than 15)"},
        {"no file measured", slot(2, {{0, "x"}, {1, "x"}}), TFigureUnit::Slot, TCheckState::Ok,
         "newest product img_s001.seg, delay not recorded"},
        {"counting products: the last line", slot(8, {{2, "900"}}), TFigureUnit::Product, TCheckState::Ok,
         "newest product img_s007.seg, 3.3 minutes late"},
    };
    const TFamilyLimits limits = Limits(5, 15, 26);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TSortedStringList ledger;
        ledger.Assign(c.lines);
        TLedgerEntries entries(ledger, TLedgerNames::Timed);
        const TCheckResult check = CheckStation(AssessStation(entries, Now(), limits, 1, c.unit), limits);
        EXPECT_EQ(check.State, c.state) << check.Line.toStdString();
        EXPECT_TRUE(check.Line.contains(QLatin1String(c.text))) << check.Line.toStdString();
    }
}

}  // namespace

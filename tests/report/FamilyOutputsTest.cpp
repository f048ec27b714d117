// The outputs over several product families: the one check line with the
// worst verdict and the families that are not OK, the missing policy, and
// the metrics with a family label on every series.
#include "report/HealthCheck.h"
#include "report/Metrics.h"

#include <gtest/gtest.h>

namespace {

// A family whose newest product arrived with the given delay an hour ago,
// with `missing` slots of 4 files missing in the last 24 hours (3 files each).
TFamilyReading Reading(const char* name, int delaySeconds, int missing = 0,
                       TMissingPolicy policy = TMissingPolicy::Critical, const char* problem = "")
{
    TFamilyReading r;
    r.Name = QLatin1String(name);
    r.Problem = QLatin1String(problem);
    r.Limits.Missing = policy;
    r.Status.LedgerEntries = 10;
    r.Status.Newest = TNewestProduct{QStringLiteral("%1.dat").arg(r.Name), 46000.5, delaySeconds};
    r.Status.NewestAgeSeconds = 3600;
    r.Status.Plotted = 10;
    r.Completeness.Schedule.SlotMinutes = {0, 360, 720, 1080};
    r.Completeness.FilesPerSlot = 4;
    r.Completeness.Last24Hours.Expected = 4;
    r.Completeness.Last24Hours.Missing = missing;
    r.Completeness.Last24Hours.MissingFiles = 3 * missing;
    for (int i = 0; i < missing; ++i)
        r.Completeness.Missing24Hours.push_back(46000.25 + i / 4.0);
    return r;
}

TEST(FamilyCheck, TheWorstVerdictAndTheFamiliesThatAreNotOk)
{
    struct Case
    {
        const char* what;
        std::vector<TFamilyReading> families;
        TCheckState state;
        const char* text;  // the line's text, between " - " and " | "
    };
    TFamilyReading claimed;
    claimed.Name = "extra";
    claimed.ClaimedBy = "the earlier family seg takes its files";
    const Case cases[] = {
        {"a family whose files an earlier one takes says which",
         {Reading("seg", 60), claimed},
         TCheckState::Critical,
         "extra CRITICAL: no product recorded (the earlier family seg takes its files); 1 of 2 families OK"},
        {"all OK",
         {Reading("crm", 60), Reading("seg", 60), Reading("hourly", 60)},
         TCheckState::Ok,
         "all 3 families OK"},
        {"the worst first, then file order",
         {Reading("crm", 60), Reading("seg", 2200), Reading("hourly", 2800)},
         TCheckState::Critical,
         "hourly CRITICAL: newest product hourly.dat, 46.7 minutes late (more than 45), 1.0 hours old; seg WARNING: "
         "newest product seg.dat, 36.7 minutes late (more than 35), 1.0 hours old; 1 of 3 families OK"},
        {"files missing",
         {Reading("crm", 60), Reading("seg", 60, 1)},
         TCheckState::Warning,
         "seg WARNING: 1 product missing (3 of 4 files) in the last 24 hours: 2025-12-09 06:00 UTC; 1 of 2 families "
         "OK"},
        {"three named, then how many more",
         {Reading("a", 2800), Reading("b", 2800), Reading("c", 2800), Reading("d", 2200), Reading("e", 2200),
          Reading("f", 60)},
         TCheckState::Critical,
         "; and 2 more; 1 of 6 families OK"},
        {"a family that failed is unknown",
         {Reading("crm", 60), Reading("seg", 2200), Reading("gone", 60, 0, TMissingPolicy::Critical, "no folder")},
         TCheckState::Unknown,
         "gone UNKNOWN: no folder; seg WARNING: "},
        {"critical outweighs unknown",
         {Reading("gone", 60, 0, TMissingPolicy::Critical, "no folder"), Reading("seg", 60, 3)},
         TCheckState::Critical,
         "seg CRITICAL: 3 products missing (9 of 12 files) in the last 24 hours"},
        {"missing products capped at a warning",
         {Reading("crm", 60), Reading("admin", 60, 3, TMissingPolicy::Warning)},
         TCheckState::Warning,
         "admin WARNING: 3 products missing"},
        {"missing products that are rightly absent",
         {Reading("crm", 60), Reading("admin", 60, 3, TMissingPolicy::Ok)},
         TCheckState::Ok,
         "all 2 families OK"},
        {"the cap leaves lateness alone",
         {Reading("crm", 60), Reading("admin", 2800, 3, TMissingPolicy::Ok)},
         TCheckState::Critical,
         "admin CRITICAL: newest product admin.dat, 46.7 minutes late (more than 45), 1.0 "
         "hours old; 1 of 2 families OK"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TCheckResult check = CheckFamilies(c.families);
        EXPECT_EQ(check.State, c.state);
        const QString text = check.Line.section(QStringLiteral(" | "), 0, 0).section(QStringLiteral(" - "), 1);
        EXPECT_TRUE(text.contains(QLatin1String(c.text))) << check.Line.toStdString();
        EXPECT_TRUE(check.Line.startsWith(QStringLiteral("LAGWATCH %1 - ").arg(CheckStateName(c.state))));
    }
}

TEST(FamilyCheck, PerformanceDataOfEveryFamilyUnderItsName)
{
    const TCheckResult check = CheckFamilies({Reading("crm", 60), Reading("seg", 60, 1)});
    const QStringList labels = check.Line.section(QStringLiteral(" | "), 1).split(QLatin1Char(' '));
    QStringList names;
    for (const QString& label : labels)
        names.append(label.section(QLatin1Char('='), 0, 0));
    EXPECT_EQ(names.join(QLatin1Char(' ')),
              "crm_newest_delay crm_newest_age crm_over_warning crm_over_critical crm_expected_24h crm_missing_24h "
              "crm_on_time_24h crm_missing_files_24h seg_newest_delay seg_newest_age seg_over_warning "
              "seg_over_critical seg_expected_24h "
              "seg_missing_24h seg_on_time_24h seg_missing_files_24h");
    // One family: its own line, without a prefix.
    const TFamilyReading crm = Reading("crm", 60);
    EXPECT_EQ(CheckFamilies({crm}).Line, CheckStation(crm.Status, crm.Limits, &crm.Completeness).Line);
    EXPECT_EQ(CheckFamilies({Reading("crm", 60, 0, TMissingPolicy::Critical, "no folder")}).Line,
              "LAGWATCH UNKNOWN - no folder");
}

TEST(FamilyMetrics, EverySeriesOnceWithASamplePerFamily)
{
    TFamilyReading seg = Reading("seg", 60, 1);
    seg.Limits.WarningMinutes = 5;
    seg.Limits.MissingAfterMinutes = 20;
    TDelayHistogram delays;
    delays.Observe(400);
    const QString text = QString::fromUtf8(
        MetricsText({"/d/", 46000.5, 2, true, 0, {{"crm", &delays}, {"seg", &delays}}}, {Reading("crm", 60), seg}));
    const QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QStringList metrics;
    for (const QString& line : lines)
        if (line.startsWith(QLatin1String("# TYPE ")))
            metrics.append(line.section(QLatin1Char(' '), 2, 2));
    EXPECT_EQ(metrics.removeDuplicates(), 0) << "each metric under one HELP and TYPE";
    for (const QString& line : lines) {
        if (line.startsWith(QLatin1Char('#')))
            continue;
        EXPECT_TRUE(line.contains(QLatin1String("{folder=\"/d/\",family=\"crm\"")) ||
                    line.contains(QLatin1String("{folder=\"/d/\",family=\"seg\"")))
            << line.toStdString();
    }
    for (const char* sample : {"lagwatch_warning_threshold_seconds{folder=\"/d/\",family=\"seg\"} 300\n",
                               "lagwatch_warning_threshold_seconds{folder=\"/d/\",family=\"crm\"} 2100\n",
                               "lagwatch_missing_after_seconds{folder=\"/d/\",family=\"seg\"} 1200\n",
                               "lagwatch_files_missing{folder=\"/d/\",family=\"seg\",window=\"24h\"} 3\n",
                               "lagwatch_files_per_slot{folder=\"/d/\",family=\"crm\"} 4\n",
                               "lagwatch_delay_seconds_bucket{folder=\"/d/\",family=\"seg\",le=\"300\"} 0\n",
                               "lagwatch_delay_seconds_bucket{folder=\"/d/\",family=\"seg\",le=\"600\"} 1\n"})
        EXPECT_TRUE(text.contains(QLatin1String(sample))) << sample;
    // A family that failed says so; the others succeeded.
    const QString failed = QString::fromUtf8(
        MetricsText({"/d/", 46000.5, 2, true},
                    {Reading("crm", 60), Reading("gone", 60, 0, TMissingPolicy::Critical, "no folder")}));
    EXPECT_TRUE(failed.contains(QLatin1String("lagwatch_last_run_success{folder=\"/d/\",family=\"crm\"} 1\n")));
    EXPECT_TRUE(failed.contains(QLatin1String("lagwatch_last_run_success{folder=\"/d/\",family=\"gone\"} 0\n")));
}

}  // namespace

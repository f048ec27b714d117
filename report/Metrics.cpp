#include "report/Metrics.h"

#include "report/CompletenessReport.h"
#include "report/StationStatus.h"

#include <functional>
#include <utility>

namespace {

using TFigures = const TCompletenessFigures TStationCompleteness::*;

constexpr std::pair<const char*, TFigures> Windows[] = {
    {"24h", &TStationCompleteness::Last24Hours},
    {"7d", &TStationCompleteness::Last7Days},
    {"30d", &TStationCompleteness::Last30Days},
};

// The exposition groups every sample of a metric under its one HELP and
// TYPE: each metric is written for every family before the next begins.
class TExposition
{
public:
    TExposition(const QString& folder, const std::vector<TFamilyReading>& families) : FFamilies(families)
    {
        for (const TFamilyReading& family : families)
            FLabels.append(QStringLiteral("folder=\"%1\",family=\"%2\"")
                               .arg(EscapeLabelValue(folder), EscapeLabelValue(family.Name)));
    }

    void Gauge(const char* name, const char* help, const std::function<double(const TFamilyReading&)>& value)
    {
        Family(name, "gauge", help);
        for (size_t i = 0; i < FFamilies.size(); ++i)
            Sample(i, QLatin1String(name), {}, FormatPlainNumber(value(FFamilies[i])));
    }

    void Family(const char* name, const char* type, const char* help)
    {
        FText += QStringLiteral("# HELP %1 %2\n# TYPE %1 %3\n")
                     .arg(QLatin1String(name), QLatin1String(help), QLatin1String(type));
    }

    // One sample of family i, with more labels ("window=\"24h\"") when given; the value as written.
    void Sample(size_t i, const QString& name, const QString& labels, const QString& value)
    {
        FText += name + QLatin1Char('{') + FLabels[static_cast<qsizetype>(i)] +
                 (labels.isEmpty() ? QString() : QLatin1Char(',') + labels) + QStringLiteral("} ") + value +
                 QLatin1Char('\n');
    }

    // A metric given per window, for every family.
    void Windowed(const char* name, const char* help, const std::function<QString(const TCompletenessFigures&)>& value)
    {
        Family(name, "gauge", help);
        for (size_t i = 0; i < FFamilies.size(); ++i)
            for (const auto& [window, figures] : Windows)
                Sample(i, QLatin1String(name), WindowLabel(window), value(FFamilies[i].Completeness.*figures));
    }

    static QString WindowLabel(const char* window)
    {
        return QStringLiteral("window=\"%1\"").arg(QLatin1String(window));
    }

    size_t Count() const { return FFamilies.size(); }
    const TFamilyReading& At(size_t i) const { return FFamilies[i]; }
    QByteArray Bytes() const { return FText.toUtf8(); }

private:
    const std::vector<TFamilyReading>& FFamilies;
    QStringList FLabels;
    QString FText;
};

QString Number(const std::optional<int32_t>& value) { return value ? QString::number(*value) : QStringLiteral("NaN"); }

void CompletenessSeries(TExposition& out)
{
    // The CRM products watched alone are counted, and described, as they always were.
    bool bySlot = false;
    for (size_t i = 0; i < out.Count(); ++i)
        bySlot = bySlot || out.At(i).Completeness.Unit == TFigureUnit::Slot;
    out.Gauge("lagwatch_schedule_slots",
              "Products the station is expected to deliver a day (its schedule); 0 while it is not known.",
              [](const TFamilyReading& f) { return static_cast<double>(f.Completeness.Schedule.SlotMinutes.size()); });
    out.Gauge("lagwatch_files_per_slot", "Files a complete slot of the schedule holds (1 while not known).",
              [](const TFamilyReading& f) { return f.Completeness.FilesPerSlot; });
    out.Windowed("lagwatch_products_expected",
                 bySlot
                     ? "Slots of the schedule counted in the window (due, or complete before): received plus missing."
                     : "Scheduled products that are due in the window.",
                 [](const TCompletenessFigures& f) { return QString::number(f.Expected); });
    out.Windowed("lagwatch_products_missing", "Scheduled products due in the window that never arrived complete.",
                 [](const TCompletenessFigures& f) { return QString::number(f.Missing); });
    out.Windowed("lagwatch_files_missing", "Files the missing products of the window lack.",
                 [](const TCompletenessFigures& f) { return QString::number(f.MissingFiles); });
    out.Windowed("lagwatch_products_received",
                 bySlot ? "Complete slots of the window (every nominal time while the schedule is not known)."
                        : "Products received in the window, scheduled or not.",
                 [](const TCompletenessFigures& f) { return QString::number(f.Received); });
    if (bySlot)
        out.Windowed("lagwatch_files_received", "Files received in the window, on the schedule or not.",
                     [](const TCompletenessFigures& f) { return QString::number(f.Files); });
    out.Windowed("lagwatch_products_on_time_ratio",
                 "Share of the due scheduled products that arrived on time; NaN when none was due.",
                 [](const TCompletenessFigures& f) {
                     return f.OnTimeRatio ? FormatRatio(*f.OnTimeRatio) : QStringLiteral("NaN");
                 });
    // Only the families that have any: a station whose clocks agree writes
    // what it always wrote.
    bool skew = false;
    for (size_t i = 0; i < out.Count(); ++i) {
        const TStationCompleteness& c = out.At(i).Completeness;
        if (c.Last30Days.ClockSkew == 0)
            continue;
        if (!skew)
            out.Family("lagwatch_products_clock_skew", "gauge",
                       "Products of the window last written after they were created (clock skew), their delays not "
                       "measured.");
        skew = true;
        for (const auto& [window, figures] : Windows)
            out.Sample(i, QStringLiteral("lagwatch_products_clock_skew"), TExposition::WindowLabel(window),
                       QString::number((c.*figures).ClockSkew));
    }
    out.Family("lagwatch_product_delay_seconds", "summary",
               bySlot ? "Delays of the slots received in the window, each its latest file's (nearest rank)."
                      : "Delays of the products received in the window (nearest rank).");
    const QString delay = QStringLiteral("lagwatch_product_delay_seconds");
    for (size_t i = 0; i < out.Count(); ++i)
        for (const auto& [window, member] : Windows) {
            const TCompletenessFigures& figures = out.At(i).Completeness.*member;
            const QString labels = TExposition::WindowLabel(window);
            out.Sample(i, delay, labels + QStringLiteral(",quantile=\"0.5\""), Number(figures.DelayP50Seconds));
            out.Sample(i, delay, labels + QStringLiteral(",quantile=\"0.95\""), Number(figures.DelayP95Seconds));
            out.Sample(i, delay, labels + QStringLiteral(",quantile=\"1\""), Number(figures.DelayMaxSeconds));
            out.Sample(i, delay + QStringLiteral("_sum"), labels, FormatPlainNumber(figures.DelaySumSeconds));
            out.Sample(i, delay + QStringLiteral("_count"), labels, QString::number(figures.DelayCount));
        }
}

double UnixSeconds(TDateTime value) { return static_cast<double>(DateTimeToUnixMs(value)) / 1000.0; }

// With an outages file: whether a planned outage is active for each family
// (what an alert and its inhibition key on), until when and why, and the
// slots each window excused.
void OutageSeries(TExposition& out)
{
    bool calendar = false;
    for (size_t i = 0; i < out.Count(); ++i)
        calendar = calendar || out.At(i).Completeness.Outages.Calendar;
    if (!calendar)
        return;
    out.Gauge("lagwatch_outage_active",
              "1 while a planned outage of the outages file covers the family, else 0: its slots are not due.",
              [](const TFamilyReading& f) { return f.Completeness.ActiveOutage ? 1 : 0; });
    out.Family("lagwatch_outage_end_timestamp_seconds", "gauge",
               "When the family's active planned outage ends, in seconds since 1970 (only while one is active).");
    for (size_t i = 0; i < out.Count(); ++i) {
        const TStationCompleteness& c = out.At(i).Completeness;
        if (!c.ActiveOutage)
            continue;
        const TOutageWindow& window = c.Outages.Windows[static_cast<size_t>(c.ActiveOutage->Window)];
        out.Sample(i, QStringLiteral("lagwatch_outage_end_timestamp_seconds"),
                   QStringLiteral("outage=\"%1\",reason=\"%2\"")
                       .arg(EscapeLabelValue(window.Name), EscapeLabelValue(window.Told())),
                   FormatPlainNumber(static_cast<double>(c.ActiveOutage->UntilMs) / 1000.0));
    }
    using TExcused = TStationCompleteness::TExcusedSlots;
    constexpr std::pair<const char*, int TExcused::*> Spans[] = {
        {"24h", &TExcused::Last24Hours}, {"7d", &TExcused::Last7Days}, {"30d", &TExcused::Last30Days}};
    out.Family("lagwatch_slots_excused", "gauge",
               "Slots of the window that a planned outage excused: neither expected nor missing.");
    for (size_t i = 0; i < out.Count(); ++i) {
        const TStationCompleteness& c = out.At(i).Completeness;
        for (size_t w = 0; w < c.ExcusedByWindow.size(); ++w)
            for (const auto& [span, member] : Spans)
                out.Sample(i, QStringLiteral("lagwatch_slots_excused"),
                           QStringLiteral("outage=\"%1\",%2")
                               .arg(EscapeLabelValue(c.Outages.Windows[w].Name), TExposition::WindowLabel(span)),
                           QString::number(c.ExcusedByWindow[w].*member));
    }
}

}  // namespace

QString EscapeLabelValue(const QString& value)
{
    QString escaped;
    escaped.reserve(value.size());
    for (const QChar c : value) {
        if (c == QLatin1Char('\\'))
            escaped += QStringLiteral("\\\\");
        else if (c == QLatin1Char('"'))
            escaped += QStringLiteral("\\\"");
        else if (c == QLatin1Char('\n'))
            escaped += QStringLiteral("\\n");
        else
            escaped += c;
    }
    return escaped;
}

QByteArray MetricsText(const TRunMetrics& run, const std::vector<TFamilyReading>& families)
{
    TExposition out(run.DataFolder, families);
    out.Gauge("lagwatch_last_run_timestamp_seconds", "Time the last run of the checker ended, in seconds since 1970.",
              [&](const TFamilyReading&) { return UnixSeconds(run.RunTime); });
    out.Gauge("lagwatch_last_run_success",
              "1 when the last run scanned the family, saved its ledger and wrote its outputs, else 0.",
              [&](const TFamilyReading& f) { return run.Success && f.Problem.isEmpty() ? 1 : 0; });
    out.Gauge("lagwatch_pass_duration_seconds", "Duration of the last run's scan pass.",
              [&](const TFamilyReading&) { return run.PassSeconds; });
    out.Gauge("lagwatch_products_recorded", "Products the last run added to the ledger.",
              [](const TFamilyReading& f) { return f.ProductsRecorded; });
    out.Gauge("lagwatch_day_folders_found",
              "Day folders the last run's walk found in the data folder; 0: the station watches nothing.",
              [&](const TFamilyReading& f) { return f.DayFoldersFound.value_or(run.DayFoldersFound); });
    out.Gauge("lagwatch_ledger_entries", "Lines in the ledger after the last run.",
              [](const TFamilyReading& f) { return f.Status.LedgerEntries; });
    out.Gauge("lagwatch_newest_product_timestamp_seconds",
              "Nominal time of the newest product in the ledger, in seconds since 1970; 0 when there is none.",
              [](const TFamilyReading& f) { return f.Status.Newest ? UnixSeconds(f.Status.Newest->Nominal) : 0; });
    // Only the families whose newest product has a delay: no sample is better than a made-up one.
    bool delays = false;
    for (size_t i = 0; i < out.Count(); ++i) {
        const std::optional<TNewestProduct>& newest = out.At(i).Status.Newest;
        if (!newest || !newest->DelaySeconds)
            continue;
        if (!delays)
            out.Family("lagwatch_newest_product_delay_seconds", "gauge", "Delay of the newest product in the ledger.");
        delays = true;
        out.Sample(i, QStringLiteral("lagwatch_newest_product_delay_seconds"), {},
                   QString::number(*newest->DelaySeconds));
    }
    bool future = false;
    for (size_t i = 0; i < out.Count(); ++i) {
        const int count = out.At(i).Status.FutureProducts;
        if (count == 0)
            continue;
        if (!future)
            out.Family("lagwatch_products_future", "gauge",
                       "Products in the ledger named in the future, which are not taken as the newest.");
        future = true;
        out.Sample(i, QStringLiteral("lagwatch_products_future"), {}, QString::number(count));
    }
    out.Gauge("lagwatch_plotted_products", "Products shown on the chart (the newest ledger lines).",
              [](const TFamilyReading& f) { return f.Status.Plotted; });
    out.Gauge("lagwatch_plotted_products_over_warning",
              "Products on the chart whose delay is over the warning threshold.",
              [](const TFamilyReading& f) { return f.Status.PlottedOverWarning; });
    out.Gauge("lagwatch_plotted_products_over_critical",
              "Products on the chart whose delay is over the critical threshold.",
              [](const TFamilyReading& f) { return f.Status.PlottedOverCritical; });
    out.Gauge("lagwatch_warning_threshold_seconds", "The delay over which a product is nearly late.",
              [](const TFamilyReading& f) { return f.Limits.WarningMinutes * 60; });
    out.Gauge("lagwatch_critical_threshold_seconds", "The delay over which a product is late.",
              [](const TFamilyReading& f) { return f.Limits.CriticalMinutes * 60; });
    out.Gauge("lagwatch_max_age_seconds", "The age of the newest product over which the station counts as silent.",
              [](const TFamilyReading& f) { return f.Limits.MaxAgeHours * 3600; });
    out.Gauge("lagwatch_missing_after_seconds", "How long after its nominal time a scheduled product is due.",
              [](const TFamilyReading& f) { return f.Limits.MissingAfterMinutes * 60; });
    out.Gauge("lagwatch_missing_warning_products", "Products missing in the last 24 hours from which the check warns.",
              [](const TFamilyReading& f) { return f.Limits.MissingWarning; });
    out.Gauge("lagwatch_missing_critical_products",
              "Products missing in the last 24 hours from which the check is critical.",
              [](const TFamilyReading& f) { return f.Limits.MissingCritical; });
    out.Gauge("lagwatch_missing_policy",
              "The worst verdict missing products give the family: 0 OK, 1 warning, 2 critical.",
              [](const TFamilyReading& f) { return static_cast<int>(f.Limits.Missing); });
    CompletenessSeries(out);
    OutageSeries(out);
    // The histogram, kept from run to run, comes last.
    return out.Bytes() + DelayHistogramSeries(run.DataFolder, run.Delays);
}

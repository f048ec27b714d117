#include "report/Metrics.h"

#include "report/CompletenessReport.h"
#include "report/StationStatus.h"

#include <utility>

namespace {

class TExposition
{
public:
    explicit TExposition(const QString& folder)
        : FLabels(QStringLiteral("{folder=\"%1\"}").arg(EscapeLabelValue(folder)))
    {}

    void Gauge(const char* name, const char* help, double value)
    {
        FText += QStringLiteral("# HELP %1 %2\n# TYPE %1 gauge\n%1%3 %4\n")
                     .arg(QLatin1String(name), QLatin1String(help), FLabels, FormatPlainNumber(value));
    }

    void Family(const char* name, const char* type, const char* help)
    {
        FText += QStringLiteral("# HELP %1 %2\n# TYPE %1 %3\n")
                     .arg(QLatin1String(name), QLatin1String(help), QLatin1String(type));
    }

    // One sample with the folder label and more labels ("window=\"24h\""); the value as written.
    void Sample(const QString& name, const QString& labels, const QString& value)
    {
        FText +=
            name + FLabels.chopped(1) + QLatin1Char(',') + labels + QStringLiteral("} ") + value + QLatin1Char('\n');
    }

    QByteArray Bytes() const { return FText.toUtf8(); }

private:
    QString FLabels;
    QString FText;
};

QString Number(const std::optional<int32_t>& value) { return value ? QString::number(*value) : QStringLiteral("NaN"); }

void CompletenessSeries(TExposition& out, const TStationCompleteness& completeness)
{
    const std::pair<const char*, const TCompletenessFigures*> windows[] = {
        {"24h", &completeness.Last24Hours},
        {"7d", &completeness.Last7Days},
        {"30d", &completeness.Last30Days},
    };
    const auto window = [](const char* name) { return QStringLiteral("window=\"%1\"").arg(QLatin1String(name)); };
    out.Gauge("lagwatch_schedule_slots",
              "Products the station is expected to deliver a day (its schedule); 0 while it is not known.",
              static_cast<double>(completeness.Schedule.SlotMinutes.size()));
    struct TCount
    {
        const char* Name;
        const char* Help;
        int TCompletenessFigures::*Field;
    };
    const TCount counts[] = {
        {"lagwatch_products_expected", "Scheduled products that are due in the window.",
         &TCompletenessFigures::Expected},
        {"lagwatch_products_missing", "Scheduled products due in the window that never arrived.",
         &TCompletenessFigures::Missing},
        {"lagwatch_products_received", "Products received in the window, scheduled or not.",
         &TCompletenessFigures::Received},
    };
    for (const TCount& count : counts) {
        out.Family(count.Name, "gauge", count.Help);
        for (const auto& [name, figures] : windows)
            out.Sample(QLatin1String(count.Name), window(name), QString::number(figures->*count.Field));
    }
    out.Family("lagwatch_products_on_time_ratio", "gauge",
               "Share of the due scheduled products that arrived on time; NaN when none was due.");
    for (const auto& [name, figures] : windows)
        out.Sample(QStringLiteral("lagwatch_products_on_time_ratio"), window(name),
                   figures->OnTimeRatio ? FormatRatio(*figures->OnTimeRatio) : QStringLiteral("NaN"));
    out.Family("lagwatch_product_delay_seconds", "summary",
               "Delays of the products received in the window (nearest rank).");
    for (const auto& [name, figures] : windows) {
        const QString labels = window(name);
        const QString delay = QStringLiteral("lagwatch_product_delay_seconds");
        out.Sample(delay, labels + QStringLiteral(",quantile=\"0.5\""), Number(figures->DelayP50Seconds));
        out.Sample(delay, labels + QStringLiteral(",quantile=\"0.95\""), Number(figures->DelayP95Seconds));
        out.Sample(delay, labels + QStringLiteral(",quantile=\"1\""), Number(figures->DelayMaxSeconds));
        out.Sample(delay + QStringLiteral("_sum"), labels, FormatPlainNumber(figures->DelaySumSeconds));
        out.Sample(delay + QStringLiteral("_count"), labels, QString::number(figures->DelayCount));
    }
}

double UnixSeconds(TDateTime value) { return static_cast<double>(DateTimeToUnixMs(value)) / 1000.0; }

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

QByteArray MetricsText(const TRunMetrics& run, const TStationStatus& status, const TMonitoringThresholds& thresholds,
                       const TStationCompleteness* completeness)
{
    TExposition out(run.DataFolder);
    out.Gauge("lagwatch_last_run_timestamp_seconds", "Time the last run of the checker ended, in seconds since 1970.",
              UnixSeconds(run.RunTime));
    out.Gauge("lagwatch_last_run_success",
              "1 when the last run scanned, saved the ledger and wrote its outputs, else 0.", run.Success ? 1 : 0);
    out.Gauge("lagwatch_pass_duration_seconds", "Duration of the last run's scan pass.", run.PassSeconds);
    out.Gauge("lagwatch_products_recorded", "Products the last run added to the ledger.", run.ProductsRecorded);
    out.Gauge("lagwatch_day_folders_found",
              "Day folders the last run's walk found in the data folder; 0: the station watches nothing.",
              run.DayFoldersFound);
    out.Gauge("lagwatch_ledger_entries", "Lines in the ledger after the last run.", status.LedgerEntries);
    out.Gauge("lagwatch_newest_product_timestamp_seconds",
              "Nominal time of the newest product in the ledger, in seconds since 1970; 0 when there is none.",
              status.Newest ? UnixSeconds(status.Newest->Nominal) : 0);
    if (status.Newest && status.Newest->DelaySeconds)
        out.Gauge("lagwatch_newest_product_delay_seconds", "Delay of the newest product in the ledger.",
                  *status.Newest->DelaySeconds);
    out.Gauge("lagwatch_plotted_products", "Products shown on the chart (the newest ledger lines).", status.Plotted);
    out.Gauge("lagwatch_plotted_products_over_warning",
              "Products on the chart whose delay is over the warning threshold.", status.PlottedOverWarning);
    out.Gauge("lagwatch_plotted_products_over_critical",
              "Products on the chart whose delay is over the critical threshold.", status.PlottedOverCritical);
    out.Gauge("lagwatch_warning_threshold_seconds", "The delay over which a product is nearly late.",
              thresholds.WarningMinutes * 60);
    out.Gauge("lagwatch_critical_threshold_seconds", "The delay over which a product is late.",
              thresholds.CriticalMinutes * 60);
    out.Gauge("lagwatch_max_age_seconds", "The age of the newest product over which the station counts as silent.",
              thresholds.MaxAgeHours * 3600);
    if (completeness)
        CompletenessSeries(out, *completeness);
    return out.Bytes();
}

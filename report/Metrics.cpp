#include "report/Metrics.h"

#include "report/StationStatus.h"

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

    QByteArray Bytes() const { return FText.toUtf8(); }

private:
    QString FLabels;
    QString FText;
};

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

QByteArray MetricsText(const TRunMetrics& run, const TStationStatus& status, const TMonitoringThresholds& thresholds)
{
    TExposition out(run.DataFolder);
    out.Gauge("lagwatch_last_run_timestamp_seconds", "Time the last run of the checker ended, in seconds since 1970.",
              UnixSeconds(run.RunTime));
    out.Gauge("lagwatch_last_run_success",
              "1 when the last run scanned, saved the ledger and wrote its outputs, else 0.", run.Success ? 1 : 0);
    out.Gauge("lagwatch_pass_duration_seconds", "Duration of the last run's scan pass.", run.PassSeconds);
    out.Gauge("lagwatch_products_recorded", "Products the last run added to the ledger.", run.ProductsRecorded);
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
    return out.Bytes();
}

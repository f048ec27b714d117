#include "report/HealthCheck.h"

#include "report/CompletenessReport.h"
#include "platform/NumberFormat.h"

#include <algorithm>

namespace {

QString Decimal1(double value) { return FormatFixed(value, 1, QLocale::c()); }

QString Line(TCheckState state, const QString& text, const QString& performance = QString())
{
    QString line = QStringLiteral("LAGWATCH %1 - %2").arg(QLatin1String(CheckStateName(state)), text);
    if (!performance.isEmpty())
        line += QStringLiteral(" | ") + performance;
    return line;
}

// label=value[UOM];warn;crit;min;max, trailing empty fields left out.
QString Performance(const QString& label, const QString& value, const QStringList& limits = {})
{
    QString item = label + QLatin1Char('=') + value;
    QStringList fields = limits;
    while (!fields.isEmpty() && fields.last().isEmpty())
        fields.removeLast();
    for (const QString& f : fields)
        item += QLatin1Char(';') + f;
    return item;
}

// The text of a line may not hold the separator of the performance data.
QString Printable(QString text)
{
    text.replace(QLatin1Char('|'), QLatin1Char('/'));
    return text;
}

// "3 products missing in the last 24 hours: 2026-12-07 04:15, 04:30, 05:00 UTC":
// the first three, each with its date where the date changes.
QString MissingText(const TStationCompleteness& completeness)
{
    const TCompletenessFigures& day = completeness.Last24Hours;
    if (day.Missing == 0)
        return QStringLiteral("no product missing in the last 24 hours (%1 expected)").arg(day.Expected);
    QStringList times;
    QString lastDate;
    for (size_t i = 0; i < completeness.Missing24Hours.size() && i < 3; ++i) {
        const QString iso = FormatIsoUtc(completeness.Missing24Hours[i]);
        const QString date = iso.left(10);
        times.append(date == lastDate ? iso.mid(11, 5) : date + QLatin1Char(' ') + iso.mid(11, 5));
        lastDate = date;
    }
    QString text = QStringLiteral("%1 %2 missing in the last 24 hours: %3 UTC")
                       .arg(day.Missing)
                       .arg(day.Missing == 1 ? QStringLiteral("product") : QStringLiteral("products"),
                            times.join(QStringLiteral(", ")));
    if (day.Missing > 3)
        text += QStringLiteral(" and %1 more").arg(day.Missing - 3);
    return text;
}

}  // namespace

const char* CheckStateName(TCheckState state)
{
    switch (state) {
    case TCheckState::Ok:
        return "OK";
    case TCheckState::Warning:
        return "WARNING";
    case TCheckState::Critical:
        return "CRITICAL";
    case TCheckState::Unknown:
        break;
    }
    return "UNKNOWN";
}

TCheckResult CheckStation(const TStationStatus& status, const TMonitoringThresholds& thresholds,
                          const TStationCompleteness* completeness)
{
    const QString plotted = QString::number(status.Plotted);
    const QString warning = FormatPlainNumber(thresholds.WarningMinutes);
    const QString critical = FormatPlainNumber(thresholds.CriticalMinutes);
    const QString counts = QStringLiteral("%1 of %2 plotted over %3 minutes, %4 over %5")
                               .arg(status.PlottedOverWarning)
                               .arg(plotted, warning)
                               .arg(status.PlottedOverCritical)
                               .arg(critical);
    const QString countData = Performance(QStringLiteral("over_warning"), QString::number(status.PlottedOverWarning),
                                          {{}, {}, "0", plotted}) +
                              QLatin1Char(' ') +
                              Performance(QStringLiteral("over_critical"), QString::number(status.PlottedOverCritical),
                                          {{}, {}, "0", plotted});
    if (!status.Newest)
        return {TCheckState::Critical, Line(TCheckState::Critical, QStringLiteral("no product recorded"), countData)};

    const TNewestProduct& newest = *status.Newest;
    TCheckState state = TCheckState::Ok;
    QStringList parts;
    const double maxAgeSeconds = thresholds.MaxAgeHours * 3600;
    const bool stale = status.NewestAgeSeconds > maxAgeSeconds;
    if (stale) {
        state = TCheckState::Critical;
        parts.append(QStringLiteral("no product since %1 (%2 hours, more than %3)")
                         .arg(FormatIsoUtc(newest.Nominal), Decimal1(status.NewestAgeSeconds / 3600),
                              FormatPlainNumber(thresholds.MaxAgeHours)));
    }
    QString product = QStringLiteral("newest product ") + Printable(newest.Name);
    QString delayData = QStringLiteral("U");
    if (newest.DelaySeconds) {
        const TDelayBand band =
            DelayBandOf(DelayMinutes(*newest.DelaySeconds), thresholds.WarningMinutes, thresholds.CriticalMinutes);
        product += QStringLiteral(", %1 minutes late").arg(Decimal1(DelayMinutes(*newest.DelaySeconds)));
        if (band == TDelayBand::Late) {
            state = TCheckState::Critical;
            product += QStringLiteral(" (more than %1)").arg(critical);
        } else if (band == TDelayBand::NearlyLate) {
            state = std::max(state, TCheckState::Warning);
            product += QStringLiteral(" (more than %1)").arg(warning);
        }
        delayData = QString::number(*newest.DelaySeconds) + QLatin1Char('s');
    } else {
        product += QStringLiteral(", delay not recorded");
    }
    if (!stale)
        product += QStringLiteral(", %1 hours old").arg(Decimal1(status.NewestAgeSeconds / 3600));
    parts.append(product);
    QString completenessData;
    if (completeness && !completeness->Schedule.Known()) {
        parts.append(QStringLiteral("schedule not known yet"));
    } else if (completeness) {
        const TCompletenessFigures& day = completeness->Last24Hours;
        if (day.Missing >= thresholds.MissingCritical)
            state = TCheckState::Critical;
        else if (day.Missing >= thresholds.MissingWarning)
            state = std::max(state, TCheckState::Warning);
        parts.append(MissingText(*completeness));
        // The plugin format alerts above its limits; the check from "at least N", hence N - 1.
        const QString expected = QString::number(day.Expected);
        completenessData = QLatin1Char(' ') + Performance(QStringLiteral("expected_24h"), expected) + QLatin1Char(' ') +
                           Performance(QStringLiteral("missing_24h"), QString::number(day.Missing),
                                       {QString::number(thresholds.MissingWarning - 1),
                                        QString::number(thresholds.MissingCritical - 1), "0", expected}) +
                           QLatin1Char(' ') +
                           Performance(QStringLiteral("on_time_24h"),
                                       day.OnTimeRatio ? FormatRatio(*day.OnTimeRatio) : "U", {{}, {}, "0", "1"});
    }
    parts.append(counts);

    const QString performance =
        Performance(
            QStringLiteral("newest_delay"), delayData,
            {FormatPlainNumber(thresholds.WarningMinutes * 60), FormatPlainNumber(thresholds.CriticalMinutes * 60)}) +
        QLatin1Char(' ') +
        Performance(QStringLiteral("newest_age"), FormatPlainNumber(status.NewestAgeSeconds) + QLatin1Char('s'),
                    {{}, FormatPlainNumber(maxAgeSeconds)}) +
        QLatin1Char(' ') + countData + completenessData;
    return {state, Line(state, parts.join(QStringLiteral("; ")), performance)};
}

TCheckResult UnknownCheck(const QStringList& reasons)
{
    return {TCheckState::Unknown, Line(TCheckState::Unknown, Printable(reasons.join(QStringLiteral("; "))))};
}

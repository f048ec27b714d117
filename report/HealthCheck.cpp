#include "report/HealthCheck.h"

#include "report/CompletenessReport.h"
#include "platform/NumberFormat.h"
#include "station/Outages.h"

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
        return QStringLiteral("no product missing in the last 24 hours (%1 expected%2)")
            .arg(day.Expected)
            .arg(day.Excused ? QStringLiteral(", %1 in planned outages").arg(day.Excused) : QString());
    // A product of several files is missing some of them, or all.
    const QString lacking = completeness.FilesPerSlot > 1
                                ? QStringLiteral(" (%1 of %2 files)")
                                      .arg(day.MissingFiles)
                                      .arg(static_cast<qint64>(day.Missing) * completeness.FilesPerSlot)
                                : QString();
    QStringList times;
    QString lastDate;
    for (size_t i = 0; i < completeness.Missing24Hours.size() && i < 3; ++i) {
        const QString iso = FormatIsoUtc(completeness.Missing24Hours[i]);
        const QString date = iso.left(10);
        times.append(date == lastDate ? iso.mid(11, 5) : date + QLatin1Char(' ') + iso.mid(11, 5));
        lastDate = date;
    }
    QString text = QStringLiteral("%1 %2 missing%3 in the last 24 hours: %4 UTC")
                       .arg(day.Missing)
                       .arg(day.Missing == 1 ? QStringLiteral("product") : QStringLiteral("products"), lacking,
                            times.join(QStringLiteral(", ")));
    if (day.Missing > 3)
        text += QStringLiteral(" and %1 more").arg(day.Missing - 3);
    return text;
}

// "planned outage eclipse-spring (eclipse season) until 2026-03-02 01:30
// UTC", while one is active; else empty.
QString OutageText(const TStationCompleteness* completeness)
{
    if (!completeness || !completeness->ActiveOutage)
        return {};
    const TOutageWindow& window = completeness->Outages.Windows[size_t(completeness->ActiveOutage->Window)];
    return Printable(QStringLiteral("planned outage %1%2 until %3 UTC")
                         .arg(window.Name,
                              window.Reason.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(window.Reason),
                              FormatOutageTime(completeness->ActiveOutage->UntilMs)));
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

namespace {

// One family's verdict, its text, the parts of the text that made it worse
// than OK, and its performance data.
struct TFamilyCheck
{
    TCheckState State = TCheckState::Ok;
    QString Text;
    QStringList Reasons;
    QString Performance;
};

TCheckState MissingCap(TMissingPolicy policy)
{
    switch (policy) {
    case TMissingPolicy::Ok:
        return TCheckState::Ok;
    case TMissingPolicy::Warning:
        return TCheckState::Warning;
    case TMissingPolicy::Critical:
        break;
    }
    return TCheckState::Critical;
}

QString Products(int count)
{
    return count == 1 ? QStringLiteral("1 product") : QStringLiteral("%1 products").arg(count);
}

// What wrong clocks spoil, after the family's other parts: products whose
// delay is clock skew in the last 24 hours warn (their delays measure
// nothing); products named in the future are told (none is the newest).
void AddClockNotes(const TStationStatus& status, const TStationCompleteness* completeness, TFamilyCheck& check,
                   QStringList& parts, QString& data)
{
    if (const int skew = completeness ? completeness->Last24Hours.ClockSkew : 0; skew > 0) {
        parts.append(
            QStringLiteral("%1 with clock skew in the last 24 hours, their delays not measured").arg(Products(skew)));
        check.State = std::max(check.State, TCheckState::Warning);
        check.Reasons.append(parts.last());
        data += QLatin1Char(' ') + Performance(QStringLiteral("clock_skew_24h"), QString::number(skew));
    }
    if (status.FutureProducts > 0) {
        parts.append(QStringLiteral("%1 named in the future").arg(Products(status.FutureProducts)));
        data +=
            QLatin1Char(' ') + Performance(QStringLiteral("future_products"), QString::number(status.FutureProducts));
    }
}

TFamilyCheck CheckFamily(const TStationStatus& status, const TFamilyLimits& limits,
                         const TStationCompleteness* completeness)
{
    const QString plotted = QString::number(status.Plotted);
    const QString warning = FormatPlainNumber(limits.WarningMinutes);
    const QString critical = FormatPlainNumber(limits.CriticalMinutes);
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
    TFamilyCheck check;
    if (!status.Newest) {
        const QString none = QStringLiteral("no product recorded");
        check = {TCheckState::Critical, {}, {none}, countData};
        QStringList parts{none};
        AddClockNotes(status, completeness, check, parts, check.Performance);
        check.Text = parts.join(QStringLiteral("; "));
        return check;
    }

    const TNewestProduct& newest = *status.Newest;
    QStringList parts;
    const double maxAgeSeconds = limits.MaxAgeHours * 3600;
    // A silence that planned outages explain is no fault.
    const double excusedSeconds = completeness ? completeness->OutageSecondsSinceNewest : 0;
    const bool stale = status.NewestAgeSeconds - excusedSeconds > maxAgeSeconds;
    if (stale) {
        check.State = TCheckState::Critical;
        parts.append(QStringLiteral("no product since %1 (%2 hours, more than %3)")
                         .arg(FormatIsoUtc(newest.Nominal), Decimal1(status.NewestAgeSeconds / 3600),
                              FormatPlainNumber(limits.MaxAgeHours)));
        check.Reasons.append(parts.last());
    }
    QString product = QStringLiteral("newest product ") + Printable(newest.Name);
    QString delayData = QStringLiteral("U");
    bool late = false;
    if (newest.DelaySeconds && IsClockSkew(*newest.DelaySeconds)) {
        product += QStringLiteral(", clock skew: written %1 minutes after it was created")
                       .arg(Decimal1(-DelayMinutes(*newest.DelaySeconds)));
        check.State = std::max(check.State, TCheckState::Warning);
        late = true;
        delayData = QString::number(*newest.DelaySeconds) + QLatin1Char('s');
    } else if (newest.DelaySeconds) {
        const TDelayBand band = DelayBandOf(DelayMinutes(*newest.DelaySeconds), limits);
        product += QStringLiteral(", %1 minutes late").arg(Decimal1(DelayMinutes(*newest.DelaySeconds)));
        if (band == TDelayBand::Late) {
            check.State = TCheckState::Critical;
            product += QStringLiteral(" (more than %1)").arg(critical);
            late = true;
        } else if (band == TDelayBand::NearlyLate) {
            check.State = std::max(check.State, TCheckState::Warning);
            product += QStringLiteral(" (more than %1)").arg(warning);
            late = true;
        }
        delayData = QString::number(*newest.DelaySeconds) + QLatin1Char('s');
    } else {
        product += QStringLiteral(", delay not recorded");
    }
    if (!stale)
        product += QStringLiteral(", %1 hours old").arg(Decimal1(status.NewestAgeSeconds / 3600));
    parts.append(product);
    if (const QString outage = OutageText(completeness); !outage.isEmpty())
        parts.append(outage);
    if (late)
        check.Reasons.append(product);
    QString completenessData;
    if (completeness && !completeness->Schedule.Known()) {
        parts.append(QStringLiteral("schedule not known yet"));
    } else if (completeness) {
        const TCompletenessFigures& day = completeness->Last24Hours;
        TCheckState missing = TCheckState::Ok;
        if (day.Missing >= limits.MissingCritical)
            missing = TCheckState::Critical;
        else if (day.Missing >= limits.MissingWarning)
            missing = TCheckState::Warning;
        missing = std::min(missing, MissingCap(limits.Missing));
        check.State = std::max(check.State, missing);
        parts.append(MissingText(*completeness));
        if (missing != TCheckState::Ok)
            check.Reasons.append(parts.last());
        // The plugin format alerts above its limits; the check from "at least N", hence N - 1.
        const QString expected = QString::number(day.Expected);
        completenessData = QLatin1Char(' ') + Performance(QStringLiteral("expected_24h"), expected) + QLatin1Char(' ') +
                           Performance(QStringLiteral("missing_24h"), QString::number(day.Missing),
                                       {QString::number(limits.MissingWarning - 1),
                                        QString::number(limits.MissingCritical - 1), "0", expected}) +
                           QLatin1Char(' ') +
                           Performance(QStringLiteral("on_time_24h"),
                                       day.OnTimeRatio ? FormatRatio(*day.OnTimeRatio) : "U", {{}, {}, "0", "1"});
        if (completeness->FilesPerSlot > 1)
            completenessData +=
                QLatin1Char(' ') + Performance(QStringLiteral("missing_files_24h"), QString::number(day.MissingFiles));
        if (completeness->Outages.Calendar)
            completenessData +=
                QLatin1Char(' ') + Performance(QStringLiteral("excused_24h"), QString::number(day.Excused));
    }
    AddClockNotes(status, completeness, check, parts, completenessData);
    parts.append(counts);

    check.Text = parts.join(QStringLiteral("; "));
    check.Performance =
        Performance(
            QStringLiteral("newest_delay"), delayData,
            {FormatPlainNumber(limits.WarningMinutes * 60), FormatPlainNumber(limits.CriticalMinutes * 60)}) +
        QLatin1Char(' ') +
        Performance(QStringLiteral("newest_age"), FormatPlainNumber(status.NewestAgeSeconds) + QLatin1Char('s'),
                    {{}, FormatPlainNumber(maxAgeSeconds)}) +
        QLatin1Char(' ') + countData + completenessData;
    return check;
}

// How bad a verdict is when families are weighed together: a failed check
// hides less than a critical one, more than a warning.
int Severity(TCheckState state)
{
    switch (state) {
    case TCheckState::Ok:
        return 0;
    case TCheckState::Warning:
        return 1;
    case TCheckState::Unknown:
        return 2;
    case TCheckState::Critical:
        break;
    }
    return 3;
}

constexpr int FamiliesNamed = 3;

}  // namespace

TCheckResult CheckStation(const TStationStatus& status, const TFamilyLimits& limits,
                          const TStationCompleteness* completeness)
{
    const TFamilyCheck check = CheckFamily(status, limits, completeness);
    return {check.State, Line(check.State, check.Text, check.Performance)};
}

TCheckResult CheckFamilies(const std::vector<TFamilyReading>& families)
{
    if (families.size() == 1) {
        const TFamilyReading& only = families.front();
        return only.Problem.isEmpty() ? CheckStation(only.Status, only.Limits, &only.Completeness)
                                      : UnknownCheck({only.Problem});
    }
    struct TNamed
    {
        const TFamilyReading* Family;
        TFamilyCheck Check;
    };
    std::vector<TNamed> checks;
    TCheckState worst = TCheckState::Ok;
    QStringList performance;
    for (const TFamilyReading& family : families) {
        TFamilyCheck check = family.Problem.isEmpty()
                                 ? CheckFamily(family.Status, family.Limits, &family.Completeness)
                                 : TFamilyCheck{TCheckState::Unknown, family.Problem, {Printable(family.Problem)}, {}};
        if (!family.Status.Newest && !family.ClaimedBy.isEmpty() && !check.Reasons.isEmpty())
            check.Reasons.last() += QStringLiteral(" (%1)").arg(Printable(family.ClaimedBy));
        if (Severity(check.State) > Severity(worst))
            worst = check.State;
        if (!check.Performance.isEmpty())
            for (const QString& item : check.Performance.split(QLatin1Char(' ')))
                performance.append(family.Name + QLatin1Char('_') + item);
        checks.push_back({&family, std::move(check)});
    }
    std::stable_sort(checks.begin(), checks.end(), [](const TNamed& a, const TNamed& b) {
        return Severity(a.Check.State) > Severity(b.Check.State);
    });
    QStringList parts;
    int notOk = 0;
    for (const TNamed& named : checks) {
        if (named.Check.State == TCheckState::Ok)
            continue;
        if (++notOk <= FamiliesNamed)
            parts.append(QStringLiteral("%1 %2: %3")
                             .arg(named.Family->Name, QLatin1String(CheckStateName(named.Check.State)),
                                  named.Check.Reasons.join(QStringLiteral(", "))));
    }
    if (notOk > FamiliesNamed)
        parts.append(QStringLiteral("and %1 more").arg(notOk - FamiliesNamed));
    // A family in a planned outage is told whatever its verdict: its quiet is announced.
    for (const TFamilyReading& family : families)
        if (const QString outage = OutageText(&family.Completeness); !outage.isEmpty())
            parts.append(family.Name + QStringLiteral(" in a ") + outage);
    const int ok = static_cast<int>(families.size()) - notOk;
    parts.append(notOk == 0 ? QStringLiteral("all %1 families OK").arg(ok)
                            : QStringLiteral("%1 of %2 families OK").arg(ok).arg(families.size()));
    return {worst, Line(worst, parts.join(QStringLiteral("; ")), performance.join(QLatin1Char(' ')))};
}

TCheckResult UnknownCheck(const QStringList& reasons)
{
    return {TCheckState::Unknown, Line(TCheckState::Unknown, Printable(reasons.join(QStringLiteral("; "))))};
}

#include "app/Switches.h"

#include "app/CommandLine.h"
#include "station/FamilyLimits.h"

#include <algorithm>

namespace {

using TSetter = std::function<QString(TCommandLine&, const QString&, const QString&)>;

TSetter Flag(bool TCommandLine::*field)
{
    return [field](TCommandLine& line, const QString&, const QString&) {
        line.*field = true;
        return QString();
    };
}

TSetter File(std::optional<QString> TCommandLine::*field)
{
    return [field](TCommandLine& line, const QString& value, const QString&) {
        line.*field = value;
        return QString();
    };
}

// A limit's switch, made from its row of the limits' table: its name, value,
// default and help, and the grammar the families file reads it by.
TSwitch LimitSwitch(const char* key)
{
    const TLimitRow* row = FindLimit(key);
    Q_ASSERT(row);
    auto set = [row](TCommandLine& line, const QString& value, const QString& spelled) {
        const std::optional<double> number = ParseLimit(*row, value);
        if (!number)
            return QStringLiteral("option '%1' needs a %2, not '%3'").arg(spelled, LimitNoun(*row), value);
        row->Set(line.Limits, *number);
        return QString();
    };
    return {QLatin1String(row->Key), QLatin1String(row->Value), FormatLimit(row->Default), QLatin1String(row->Help),
            set};
}

// A whole number, digits only, from low to high; what: the sentence's words
// for it.
TSetter Whole(int TCommandLine::*field, int low, int high, const QString& what)
{
    return [=](TCommandLine& line, const QString& value, const QString& spelled) {
        const bool digitsOnly = !value.isEmpty() && value.size() <= 9 &&
                                std::all_of(value.begin(), value.end(),
                                            [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
        const int n = digitsOnly ? value.toInt() : 0;
        if (n < low || n > high)
            return QStringLiteral("option '%1' needs %2, not '%3'").arg(spelled, what, value);
        line.*field = n;
        return QString();
    };
}

TSetter Info(TInfoRequest request)
{
    return [request](TCommandLine& line, const QString&, const QString&) {
        // --help wins over --version, wherever each stands.
        if (line.Info == TInfoRequest::None || request == TInfoRequest::Help)
            line.Info = request;
        return QString();
    };
}

QString Expect(TCommandLine& line, const QString& value, const QString& spelled)
{
    QString error;
    std::optional<TExpectedSchedule> schedule = ParseExpectedSchedule(value, error);
    if (!schedule)
        return QStringLiteral("option '%1': %2").arg(spelled, error);
    line.Expect = std::move(schedule);
    return QString();
}

QString FamilyNames(TCommandLine& line, const QString& value, const QString& spelled)
{
    for (const QString& name : value.split(QLatin1Char(','))) {
        if (!IsFamilyName(name))
            return QStringLiteral("option '%1': '%2' is no family name").arg(spelled, name);
        line.FamilyNames.append(name);
    }
    return QString();
}

std::vector<TSwitch> MakeSwitches()
{
    const QString none;
    return {
        {"close", none, none, "exit after the scan, print the summary on standard output and save the ledger",
         Flag(&TCommandLine::Close)},
        {"png", "FILE", none, "also save the chart as a PNG image, whatever the name's extension",
         File(&TCommandLine::PngFile)},
        {"history-png", "FILE", none, "also save the completeness map of the last 30 days as a PNG image",
         File(&TCommandLine::HistoryPngFile)},
        {"png-scale", "N", "1", "write the -png and -history-png images at N times their size, from 1 to 4",
         Whole(&TCommandLine::PngScale, 1, MaxPngScale,
               QStringLiteral("a whole number from 1 to %1").arg(MaxPngScale))},
        {"check", none, none,
         "health check for a monitoring server (implies -close): one line 'LAGWATCH OK|WARNING|CRITICAL|UNKNOWN - "
         "text | data', exit status 0 to 3",
         Flag(&TCommandLine::Check)},
        LimitSwitch("warning"),
        LimitSwitch("critical"),
        LimitSwitch("max-age"),
        {"metrics", "FILE", none, "write metrics in the Prometheus text format to FILE",
         File(&TCommandLine::MetricsFile)},
        {"csv", "FILE", none, "write the whole ledger as CSV to FILE ('-': standard output, then without the summary)",
         File(&TCommandLine::CsvFile)},
        {"report", "FILE", none,
         "write the daily completeness report of the last 30 UTC days as CSV to FILE ('-': standard output)",
         File(&TCommandLine::ReportFile)},
        {"expect", "15m|HH:MM,...", none,
         "the station's schedule: a product every 15 minutes (or 1h, ...) from 00:00 UTC, or at these times of day "
         "(UTC); "
         "without it the schedule is learned from the ledger",
         Expect},
        LimitSwitch("missing-after"),
        LimitSwitch("missing-warning"),
        LimitSwitch("missing-critical"),
        {"families", "FILE", none,
         "the product families to watch, with their limits (default $XDG_CONFIG_HOME/lagwatch/families.conf when it "
         "exists; without one, the CRM products alone)",
         File(&TCommandLine::FamiliesFile)},
        {"family", "NAME[,NAME...]", none, "walk and report only these families of the families file", FamilyNames},
        {"outages", "FILE", none,
         "the planned outages: slots inside their windows are not due (default "
         "$XDG_CONFIG_HOME/lagwatch/outages.conf when it exists)",
         File(&TCommandLine::OutagesFile)},
        {"explain", none, none,
         "tell on standard error what the walk did for each family: day folders found, listed and unchanged, names "
         "matched, products recorded, and which earlier family takes the files of a family without products",
         Flag(&TCommandLine::Explain)},
        {"refresh", "MIN", none, "with the window open, scan again every MIN minutes, from 1 to 1440",
         Whole(&TCommandLine::RefreshMinutes, 1, MaxRefreshMinutes,
               QStringLiteral("a whole number of minutes from 1 to %1").arg(MaxRefreshMinutes))},
        {"-help", none, none, "show this text", Info(TInfoRequest::Help)},
        {"-version", none, none, "show the version", Info(TInfoRequest::Version)},
    };
}

// Switch names compare ASCII case-blind: the result must not depend on the
// locale (a Turkish dotless i would otherwise make "-CLOSE" unknown).
bool SameName(QStringView a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// Words of text broken into lines of at most width columns after indent.
QString Wrapped(const QString& text, int indent, int width)
{
    QString out;
    int column = indent;
    for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (column > indent && column + 1 + word.size() > width) {
            out += QLatin1Char('\n') + QString(indent, QLatin1Char(' '));
            column = indent;
        } else if (column > indent) {
            out += QLatin1Char(' ');
            ++column;
        }
        out += word;
        column += static_cast<int>(word.size());
    }
    return out;
}

}  // namespace

const std::vector<TSwitch>& Switches()
{
    static const std::vector<TSwitch> table = MakeSwitches();
    return table;
}

const TSwitch* FindSwitch(QStringView name, bool dashed)
{
    for (const TSwitch& s : Switches()) {
        const bool spelledOnly = s.Name.startsWith(QLatin1Char('-'));
        if (spelledOnly ? dashed && name == s.Name : SameName(name, s.Name))
            return &s;
    }
    return nullptr;
}

void SetSwitchDefaults(TCommandLine& line)
{
    for (const TSwitch& s : Switches())
        if (!s.Default.isEmpty())
            s.Set(line, s.Default, s.Name);
}

QString SwitchHelp()
{
    constexpr int HelpColumn = 24;
    QString help;
    for (const TSwitch& s : Switches()) {
        QString row = QStringLiteral("  -") + s.Name + (s.Value.isEmpty() ? QString() : QLatin1Char('=') + s.Value);
        row = row.size() + 2 > HelpColumn ? row + QLatin1Char('\n') + QString(HelpColumn, QLatin1Char(' '))
                                          : row.leftJustified(HelpColumn);
        const QString text = s.Default.isEmpty() ? s.Help : s.Help + QStringLiteral(" (default %1)").arg(s.Default);
        help += row + Wrapped(text, HelpColumn, 79) + QLatin1Char('\n');
    }
    return help;
}

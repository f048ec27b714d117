#include "app/CommandLine.h"

#include <QRegularExpression>

namespace {

bool StartsWithSwitchChar(const QString& argument)
{
    return argument.size() > 1 && (argument[0] == QLatin1Char('-') || argument[0] == QLatin1Char('/'));
}

// Switch names compare ASCII case-blind: the result must not depend on the
// locale (a Turkish dotless i would otherwise make "-CLOSE" unknown).
bool SameName(QStringView a, QLatin1String b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

bool IsHelp(const QString& a)
{
    return a == QLatin1String("--help") || a == QLatin1String("-help") || a == QLatin1String("-h") ||
           a == QLatin1String("-?");
}

// A threshold: a plain decimal number, with a point whatever the locale.
std::optional<double> ParseThreshold(const QString& text)
{
    static const QRegularExpression number(QStringLiteral("^[+-]?([0-9]+(\\.[0-9]*)?|\\.[0-9]+)$"));
    if (!number.match(text).hasMatch())
        return std::nullopt;
    return text.toDouble();
}

// A count of products: a plain positive integer.
std::optional<int> ParseCount(const QString& text)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,9}$"));
    if (!digits.match(text).hasMatch() || text.toInt() < 1)
        return std::nullopt;
    return text.toInt();
}

class TParser
{
public:
    TParsedCommandLine Parse(const QStringList& arguments)
    {
        bool switchesEnded = false;
        for (const QString& a : arguments) {
            if (switchesEnded || !StartsWithSwitchChar(a)) {
                AddPositional(a);
            } else if (a == QLatin1String("--")) {
                switchesEnded = true;
            } else if (a[0] == QLatin1Char('-')) {
                if (!TakeSwitch(QStringView(a).mid(1), a))
                    Fail(QStringLiteral("unknown option '%1'").arg(a));
            } else if (!TakeSwitch(QStringView(a).mid(1), a)) {
                AddPositional(a);  // "/data/images" is a path, not a switch
            }
        }
        if (FResult.Line.WarningMinutes > FResult.Line.CriticalMinutes)
            Fail(QStringLiteral("the warning threshold (%1 minutes) is above the critical one (%2 minutes)")
                     .arg(FResult.Line.WarningMinutes)
                     .arg(FResult.Line.CriticalMinutes));
        if (FResult.Line.MissingWarning > FResult.Line.MissingCritical)
            Fail(QStringLiteral("the missing-products warning (%1) is above the critical one (%2)")
                     .arg(FResult.Line.MissingWarning)
                     .arg(FResult.Line.MissingCritical));
        if (FResult.Line.Check && FResult.Line.CsvFile == QLatin1String("-"))
            Fail(QStringLiteral("-csv=- cannot share standard output with the line of -check"));
        if (FResult.Line.Check && FResult.Line.ReportFile == QLatin1String("-"))
            Fail(QStringLiteral("-report=- cannot share standard output with the line of -check"));
        if (FResult.Line.CsvFile == QLatin1String("-") && FResult.Line.ReportFile == QLatin1String("-"))
            Fail(QStringLiteral("-csv=- and -report=- cannot share standard output"));
        if (FResult.Line.Info != TInfoRequest::None)
            FResult.Error.clear();  // --help and --version answer whatever else is on the line
        return FResult;
    }

private:
    void Fail(const QString& error)
    {
        if (FResult.Error.isEmpty())
            FResult.Error = error;
    }

    void AddPositional(const QString& a)
    {
        if (FResult.Line.Positional.size() < 2)
            FResult.Line.Positional.append(a);
        else
            Fail(QStringLiteral("unexpected argument '%1' (a data folder and a ledger are already given)").arg(a));
    }

    // Recognises one switch without its leading character; false when it is none.
    bool TakeSwitch(QStringView body, const QString& whole)
    {
        TCommandLine& line = FResult.Line;
        if (IsCloseSwitch(whole)) {
            line.Close = true;
            return true;
        }
        if (SameName(body, QLatin1String("check"))) {
            line.Check = true;
            return true;
        }
        if (whole[0] == QLatin1Char('-')) {
            if (IsHelp(whole)) {
                line.Info = TInfoRequest::Help;
                return true;
            }
            if (whole == QLatin1String("--version")) {
                if (line.Info == TInfoRequest::None)
                    line.Info = TInfoRequest::Version;
                return true;
            }
        }
        const qsizetype eq = body.indexOf(QLatin1Char('='));
        const QStringView name = eq < 0 ? body : body.left(eq);
        const QString value = eq < 0 ? QString() : body.mid(eq + 1).toString();
        if (TakeCompletenessSwitch(name, eq < 0 ? std::nullopt : std::optional<QString>(value), whole))
            return true;
        struct TValueSwitch
        {
            QLatin1String Name;
            std::optional<QString>* File;
            double* Number;
        };
        if (SameName(name, QLatin1String("png-scale"))) {
            TakeScale(value, whole.left(1) + QLatin1String("png-scale"));
            return true;
        }
        const TValueSwitch valueSwitches[] = {
            {QLatin1String("png"), &line.PngFile, nullptr},
            {QLatin1String("history-png"), &line.HistoryPngFile, nullptr},
            {QLatin1String("metrics"), &line.MetricsFile, nullptr},
            {QLatin1String("csv"), &line.CsvFile, nullptr},
            {QLatin1String("report"), &line.ReportFile, nullptr},
            {QLatin1String("missing-after"), nullptr, &line.MissingAfterMinutes},
            {QLatin1String("warning"), nullptr, &line.WarningMinutes},
            {QLatin1String("critical"), nullptr, &line.CriticalMinutes},
            {QLatin1String("max-age"), nullptr, &line.MaxAgeHours},
        };
        for (const TValueSwitch& s : valueSwitches) {
            if (!SameName(name, s.Name))
                continue;
            const QString spelled = whole.left(1) + s.Name;
            const QString unit =
                s.File ? (s.File == &line.ReportFile ? QStringLiteral("FILE|-") : QStringLiteral("FILE"))
                       : (s.Number == &line.MaxAgeHours ? QStringLiteral("HOURS") : QStringLiteral("MIN"));
            if (eq < 0 || value.isEmpty()) {
                Fail(QStringLiteral("option '%1' needs a value: %1=%2").arg(spelled, unit));
            } else if (s.File) {
                *s.File = value;
            } else if (const std::optional<double> number = ParseThreshold(value); !number) {
                Fail(QStringLiteral("option '%1' needs a number, not '%2'").arg(spelled, value));
            } else if (*number < 0) {
                Fail(QStringLiteral("option '%1' must not be negative: %2").arg(spelled, value));
            } else {
                *s.Number = *number;
            }
            return true;
        }
        return false;
    }

    // A whole number from 1 to 4, digits only.
    void TakeScale(const QString& value, const QString& spelled)
    {
        static const QRegularExpression digits(QStringLiteral("^[0-9]{1,9}$"));
        const int scale = digits.match(value).hasMatch() ? value.toInt() : 0;
        if (value.isEmpty())
            Fail(QStringLiteral("option '%1' needs a value: %1=N").arg(spelled));
        else if (scale < 1 || scale > MaxPngScale)
            Fail(QStringLiteral("option '%1' needs a whole number from 1 to %2, not '%3'")
                     .arg(spelled)
                     .arg(MaxPngScale)
                     .arg(value));
        else
            FResult.Line.PngScale = scale;
    }

    // -expect, -missing-warning and -missing-critical; false for any other switch.
    bool TakeCompletenessSwitch(QStringView name, const std::optional<QString>& value, const QString& whole)
    {
        TCommandLine& line = FResult.Line;
        int* count = SameName(name, QLatin1String("missing-warning"))    ? &line.MissingWarning
                     : SameName(name, QLatin1String("missing-critical")) ? &line.MissingCritical
                                                                         : nullptr;
        if (!count && !SameName(name, QLatin1String("expect")))
            return false;
        const QString spelled = whole.left(1) + name.toString().toLower();
        if (!value || value->isEmpty()) {
            Fail(QStringLiteral("option '%1' needs a value: %1=%2")
                     .arg(spelled, count ? QStringLiteral("N") : QStringLiteral("15m|HH:MM,...")));
        } else if (count) {
            if (const std::optional<int> n = ParseCount(*value))
                *count = *n;
            else
                Fail(QStringLiteral("option '%1' needs a whole number of products from 1, not '%2'")
                         .arg(spelled, *value));
        } else {
            QString error;
            if (std::optional<TExpectedSchedule> schedule = ParseExpectedSchedule(*value, error))
                line.Expect = std::move(schedule);
            else
                Fail(QStringLiteral("option '%1': %2").arg(spelled, error));
        }
        return true;
    }

    TParsedCommandLine FResult;
};

}  // namespace

TParsedCommandLine ParseCommandLine(const QStringList& arguments) { return TParser().Parse(arguments); }

bool IsCloseSwitch(const QString& argument)
{
    return StartsWithSwitchChar(argument) && SameName(QStringView(argument).mid(1), QLatin1String("close"));
}

QString VersionText() { return QStringLiteral("Lagwatch checker " LAGWATCH_VERSION "\n"); }

QString UsageHint() { return QStringLiteral("Try 'lagwatch --help' for more information.\n"); }

QString UsageText()
{
    return QStringLiteral("Usage: lagwatch [OPTIONS] [DATA-FOLDER [LEDGER-FILE]]\n"
                          "\n"
                          "Measures how late each CRM product file (2*crm.grb) reached the station's\n"
                          "day folders DATA-FOLDER/yyyy/mm/dd/ (or DATA-FOLDER/MPEF/yyyy/mm/dd/),\n"
                          "records the delays in the ledger and shows the newest as a bar chart.\n"
                          "\n"
                          "  DATA-FOLDER   the station's data folder. Without it, the value ImagesPath\n"
                          "                of $XDG_CONFIG_HOME/<company>/Datawarden.conf is used\n"
                          "                (default ~/.config; company Ashgrove, or Fernleigh for an\n"
                          "                executable named quillan).\n"
                          "  LEDGER-FILE   the ledger, used when that file exists. Otherwise\n"
                          "                CRM-received.txt beside the executable, or\n"
                          "                $XDG_DATA_HOME/lagwatch/CRM-received.txt (default\n"
                          "                ~/.local/share) for an installed program or when the\n"
                          "                executable's folder is not writable.\n"
                          "\n"
                          "Options (anywhere on the line; -name=VALUE may also be written /name=VALUE):\n"
                          "  -close        (or /close, any letter case) exit after the scan, print the\n"
                          "                summary on standard output and save the ledger.\n"
                          "  -png=FILE     also save the chart as an image, in the format the extension\n"
                          "                names (PNG without one).\n"
                          "  -history-png=FILE  also save the completeness map of the last 30 days as a\n"
                          "                PNG image, whatever the extension.\n"
                          "  -png-scale=N  write the -png and -history-png images at N times their size\n"
                          "                (1 to 4, default 1), for high-density screens and print.\n"
                          "  -check        health check for a monitoring server (implies -close): one\n"
                          "                line 'LAGWATCH OK|WARNING|CRITICAL|UNKNOWN - text | data'\n"
                          "                and exit status 0, 1, 2 or 3.\n"
                          "  -warning=MIN  WARNING when the newest product is more than MIN minutes\n"
                          "                late (default 35, the chart's orange band).\n"
                          "  -critical=MIN CRITICAL when it is more than MIN minutes late (default 45,\n"
                          "                the red band).\n"
                          "  -max-age=HOURS  CRITICAL when no product is newer than HOURS (default 26).\n"
                          "  -metrics=FILE write metrics in the Prometheus text format to FILE.\n"
                          "  -csv=FILE     write the whole ledger as CSV to FILE ('-': standard output,\n"
                          "                then without the summary).\n"
                          "  -report=FILE  write the daily completeness report of the last 30 UTC days\n"
                          "                as CSV to FILE ('-': standard output, then without the summary).\n"
                          "  -expect=15m   the station's schedule: a product every 15 minutes from 00:00\n"
                          "                UTC (any divisor of 1440 minutes), or\n"
                          "  -expect=12:00,13:15  at these times of day (UTC). Without -expect the\n"
                          "                schedule is learned from the ledger: the times of day held\n"
                          "                on at least half of the days with products among the last\n"
                          "                14 days before today (at least 3 such days are needed).\n"
                          "  -missing-after=MIN  a scheduled product is missing when it has not\n"
                          "                arrived MIN minutes after its nominal time (default 90).\n"
                          "  -missing-warning=N  -check: WARNING when at least N products are missing\n"
                          "                in the last 24 hours (default 1).\n"
                          "  -missing-critical=N -check: CRITICAL from N missing products (default 3).\n"
                          "  --            end of options: later arguments are folders or files.\n"
                          "  --help        show this text;  --version  show the version.\n"
                          "\n"
                          "A lock on the ledger that another process holds is waited for at most 60 s\n"
                          "(LAGWATCH_LOCK_WAIT seconds when set); then the save fails.\n"
                          "\n"
                          "Without a display the program draws off-screen and ends after the scan, as\n"
                          "with -close. SIGTERM, SIGINT and SIGHUP stop the walk, save what was\n"
                          "recorded and end the run.\n"
                          "\n"
                          "Exit status:\n"
                          "  0    the pass ran and everything was written\n"
                          "  1    a failure: ledger not saved, an output file not written, or the\n"
                          "       data folder missing or unreadable\n"
                          "  2    a usage error (an unknown option, a bad threshold)\n"
                          "  128+n  ended by signal n (143 for SIGTERM)\n"
                          "  With -check: 0 OK, 1 WARNING, 2 CRITICAL, 3 UNKNOWN.\n");
}

TMonitoringThresholds ThresholdsOf(const TCommandLine& line)
{
    return {line.WarningMinutes, line.CriticalMinutes, line.MaxAgeHours, line.MissingWarning, line.MissingCritical};
}

TCompletenessLimits CompletenessLimitsOf(const TCommandLine& line)
{
    return {line.WarningMinutes, line.CriticalMinutes, line.MissingAfterMinutes};
}

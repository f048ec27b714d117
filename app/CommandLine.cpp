#include "app/CommandLine.h"

#include "app/Switches.h"

#include <QRegularExpression>

namespace {

bool StartsWithSwitchChar(const QString& argument)
{
    return argument.size() > 1 && (argument[0] == QLatin1Char('-') || argument[0] == QLatin1Char('/'));
}

// The undocumented spellings of --help.
bool IsHelpAlias(const QString& a)
{
    return a == QLatin1String("-help") || a == QLatin1String("-h") || a == QLatin1String("-?");
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
        // Limits that contradict each other on the line itself; one of a pair
        // is weighed against each family's other limit (ResolveFamilies).
        Fail(LimitPairProblem(FResult.Line.Limits, &FResult.Line.Given));
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
        if (FResult.Error.isEmpty() && !error.isEmpty())
            FResult.Error = error;
    }

    void AddPositional(const QString& a)
    {
        if (FResult.Line.Positional.size() < 2)
            FResult.Line.Positional.append(a);
        else
            Fail(QStringLiteral("unexpected argument '%1' (a data folder and a ledger are already given)").arg(a));
    }

    // Recognises one switch (the table's, Switches.h); false when it is none.
    bool TakeSwitch(QStringView body, const QString& whole)
    {
        const bool dashed = whole[0] == QLatin1Char('-');
        if (dashed && IsHelpAlias(whole))
            body = u"-help";
        const qsizetype eq = body.indexOf(QLatin1Char('='));
        const TSwitch* s = FindSwitch(eq < 0 ? body : body.left(eq), dashed);
        // A switch without a value given one is no switch ("/close=x" is a path).
        if (!s || (s->Value.isEmpty() && eq >= 0))
            return false;
        const QString spelled = whole.left(1) + s->Name;
        const QString value = eq < 0 ? QString() : body.mid(eq + 1).toString();
        if (!s->Value.isEmpty() && value.isEmpty())
            Fail(QStringLiteral("option '%1' needs a value: %1=%2").arg(spelled, s->Value));
        else if (const QString error = s->Set(FResult.Line, value, spelled); !error.isEmpty())
            Fail(error);
        else
            FResult.Line.Given.append(s->Name);
        return true;
    }

    TParsedCommandLine FResult;
};

}  // namespace

TParsedCommandLine ParseCommandLine(const QStringList& arguments) { return TParser().Parse(arguments); }

namespace {

// The outages file names the station's families, every one of them, whatever
// -family selects.
bool AttachOutages(const TCommandLine& line, std::vector<TFamily>& families, QString& error)
{
    QStringList names;
    for (const TFamily& family : families)
        names.append(family.Name);
    const std::optional<TOutageCalendar> calendar =
        ReadOutagesFile(line.OutagesFile.value_or(DefaultOutagesFile()), line.OutagesFile.has_value(), names, error);
    if (!calendar)
        return false;
    for (TFamily& family : families)
        family.Outages = calendar->For(family.Name);
    return true;
}

}  // namespace

bool ResolveFamilies(TCommandLine& line, QString& error)
{
    std::optional<std::vector<TFamily>> families =
        ReadFamiliesFile(line.FamiliesFile.value_or(DefaultFamiliesFile()), line.FamiliesFile.has_value(), error);
    if (!families || !AttachOutages(line, *families, error))
        return false;
    ApplyOverrides(*families, {line.Limits, line.Given, line.Expect});
    if (!line.FamilyNames.isEmpty()) {
        families = SelectFamilies(*families, line.FamilyNames, error);
        if (!families)
            return false;
    }
    // The limits of the families the run watches.
    for (const TFamily& family : *families) {
        // Named when the station has several families.
        const QString which = families->size() > 1 ? QStringLiteral("the family %1: ").arg(family.Name) : QString();
        if (const QString problem = LimitPairProblem(family.Limits); !problem.isEmpty()) {
            error = which + problem;
            return false;
        }
    }
    line.Families = std::move(*families);
    return true;
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
                          "Options (anywhere on the line; -name=VALUE may also be written /name=VALUE,\n"
                          "names in any letter case):\n") +
           SwitchHelp() +
           QStringLiteral("  --                    end of options: later arguments are folders or files\n"
                          "\n"
                          "Without -expect the schedule is learned from the ledger: the times of day\n"
                          "held on at least half of the days with products among the last 14 days\n"
                          "before today (at least 3 such days are needed).\n"
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

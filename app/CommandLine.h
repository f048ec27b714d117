#pragma once
// The command line of the delay checker:
//   lagwatch [OPTIONS] [DATA-FOLDER [LEDGER-FILE]]
// The data folder and the ledger are the first and second arguments that are
// not switches. Switches are recognised wherever they stand, begin with '-'
// (or '/' for the Windows-style spellings), ignore the case of their names,
// and take values as -name=VALUE; "--" ends the switches. Anything else that
// begins with '-' is refused, so a typo never turns into a data folder.
#include "report/Completeness.h"
#include "report/StationStatus.h"
#include "app/Switches.h"
#include "station/Families.h"

#include <QString>
#include <QStringList>
#include <optional>

constexpr int MaxPngScale = 4;
constexpr int MaxRefreshMinutes = 1440;

enum class TInfoRequest { None, Help, Version };

// What the command line asks for. The switches' defaults are the table's
// (Switches.h), set by the constructor.
struct TCommandLine
{
    TCommandLine() { SetSwitchDefaults(*this); }

    // Positional arguments: [0] the data folder, [1] the ledger file.
    QStringList Positional;
    bool Close = false;
    std::optional<QString> PngFile;
    // The completeness map as a PNG, whatever the name's extension.
    std::optional<QString> HistoryPngFile;
    // -png and -history-png are written at this many times their size.
    int PngScale = 0;
    // Health check for a monitoring server: implies Close.
    bool Check = false;
    std::optional<QString> MetricsFile;
    std::optional<QString> CsvFile;     // "-" is standard output
    std::optional<QString> ReportFile;  // the daily completeness report; "-" is standard output
    // -expect: the schedule as given; none: learned from the ledger.
    std::optional<TExpectedSchedule> Expect;
    // The limits of the switches (the limits' table, FamilyLimits.h); those
    // given apply to every family.
    TFamilyLimits Limits;
    // -refresh: a window scans again every so many minutes; 0, only on demand.
    int RefreshMinutes = 0;
    TInfoRequest Info = TInfoRequest::None;
    // -families=FILE; none: the default families file, when it exists.
    std::optional<QString> FamiliesFile;
    // -family=NAME[,NAME...]: the families the run is limited to; empty: all.
    QStringList FamilyNames;
    // -outages=FILE; none: the default outages file, when it exists.
    std::optional<QString> OutagesFile;
    // -explain: what the walk did for each family, on standard error.
    bool Explain = false;
    // The switches the user gave (the table's names), whose limits then
    // apply to every family.
    QStringList Given;
    // The families of the run, set by ResolveFamilies; empty: crm alone.
    std::vector<TFamily> Families;

    // A command line of just the data folder and the ledger.
    static TCommandLine WithPositional(const QStringList& positional)
    {
        TCommandLine line;
        line.Positional = positional;
        return line;
    }

    // The pass ends the program: the close switch, or the health check.
    bool EndsAfterPass() const { return Close || Check; }
    // Standard output belongs to the check's line, or to the CSV or the report.
    bool PrintsSummary() const { return !Check && CsvFile != QLatin1String("-") && ReportFile != QLatin1String("-"); }
    // A picture is asked for: the run needs fonts and a paint device.
    bool DrawsPictures() const { return PngFile || HistoryPngFile; }
};

struct TParsedCommandLine
{
    TCommandLine Line;
    // Empty, or the usage error to report ("unknown option '-clsoe'").
    QString Error;
};

TParsedCommandLine ParseCommandLine(const QStringList& arguments);

// Reads the families file (-families, or the default one when it exists),
// gives each family the windows of the outages file (-outages, or the default
// one when it exists) that cover it, applies the limits of the switches given
// and -family, and sets line.Families; false, with error, for a file or a name that cannot be
// used. Nothing else is read or written before it.
bool ResolveFamilies(TCommandLine& line, QString& error);

QString UsageText();
QString UsageHint();  // the one line shown after a usage error
QString VersionText();

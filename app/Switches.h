#pragma once
// The switches of lagwatch, each declared once: its name, its value, its
// default, its one-line help and what it sets. The parser (CommandLine.h),
// the defaults of TCommandLine and --help all come from this table; a test
// holds the man page and the bash completion to it. A new switch is one row
// here (and its field in TCommandLine); a limit's switch is made from its row
// of the limits' table (station/FamilyLimits.h).
#include <QString>

#include <functional>
#include <vector>

struct TCommandLine;

struct TSwitch
{
    // Without the leading '-' ("close", "png-scale"); a name that begins with
    // '-' ("-help" for --help) is taken only as spelled, never after '/'.
    QString Name;
    // What follows '=' ("FILE", "MIN"), also in the help and the errors;
    // empty for a switch that takes no value.
    QString Value;
    // The value a run has without the switch, set by it and shown in the
    // help; empty when there is none.
    QString Default;
    // One line for --help (wrapped there to the terminal's 80 columns).
    QString Help;
    // Sets the line from the value; returns the error, or empty. spelled is
    // the switch as the user wrote its name ("/png-scale"), for the error.
    std::function<QString(TCommandLine& line, const QString& value, const QString& spelled)> Set;
};

// Every switch, in the order --help lists them.
const std::vector<TSwitch>& Switches();

// The row whose name an argument's body (the argument without its first
// character, up to any '=') names, ASCII case-blind; null when none.
// dashed: the argument began with '-' (not '/').
const TSwitch* FindSwitch(QStringView name, bool dashed);

// The defaults of the table, set on a command line.
void SetSwitchDefaults(TCommandLine& line);

// The help's list of switches, one row each, wrapped at 80 columns.
QString SwitchHelp();

#pragma once
// A family's limits and the one table that declares them. Each row is one
// limit: its name (the families-file key and the switch), its grammar, its
// default, its help, the member it fills and the limit it may not exceed.
// The families file's keys, the switches and --help, the command line's
// overrides and the pair check are made from these rows, so a limit is added
// or its default changed in one place.
#include <QString>
#include <QStringList>
#include <QAnyStringView>

#include <optional>
#include <span>
#include <variant>

// The worst verdict missing products can give.
enum class TMissingPolicy { Ok, Warning, Critical };

// The limits every output of a run reads (the check, the metrics, the
// report, the chart). Filled once, in this order: the table's defaults, the
// families file's [defaults], the family's section, the command line.
struct TFamilyLimits
{
    TFamilyLimits();  // the table's defaults

    double WarningMinutes;       // a delay beyond this is nearly late
    double CriticalMinutes;      // a delay beyond this is late
    double MaxAgeHours;          // a newest product older than this: the station is silent
    double MissingAfterMinutes;  // a slot is due this long after its nominal time
    int MissingWarning;          // missing slots in 24 hours from which the check warns
    int MissingCritical;         // and from which it is critical
    // The worst verdict missing products give (a key of the families file
    // only: a family whose slots are often rightly empty says ok).
    TMissingPolicy Missing = TMissingPolicy::Critical;
};

// The one number grammar of a limit, in the families file and on the
// command line alike. Never a sign, an exponent, a comma or blanks.
enum class TLimitGrammar {
    Decimal,  // digits with at most one '.', at most 9 digits before it: "35", "7.5", ".5", "5."
    Whole,    // digits only, from 1 to 999999999
};

struct TLimitRow
{
    const char* Key;    // the families-file key, also the switch's name
    const char* Value;  // what stands for the value in --help ("MIN")
    const char* Unit;   // of the value, in messages: "minutes", "hours", "products"
    TLimitGrammar Grammar;
    double Default;
    const char* Help;  // the switch's line in --help, before "(default ...)"
    std::variant<double TFamilyLimits::*, int TFamilyLimits::*> Member;
    const char* Pair;  // the key of the limit this one may not be above; null: none

    double Of(const TFamilyLimits& limits) const;
    void Set(TFamilyLimits& limits, double value) const;
};

// Every limit, in the order the man page lists them.
std::span<const TLimitRow> LimitRows();
// The row of a key (exact); null when none.
const TLimitRow* FindLimit(QAnyStringView key);

// The value of text in the row's grammar; none when it is not one.
std::optional<double> ParseLimit(const TLimitRow& row, QStringView text);
// What the row's grammar takes, for messages: "number of minutes", "whole
// number of products from 1".
QString LimitNoun(const TLimitRow& row);
// A limit's value as --help and the messages write it: "35", "7.5".
QString FormatLimit(double value);

// The first limit above its pair ("warning (50 minutes) is above critical
// (45 minutes)"); empty when there is none. given: weigh only the pairs
// whose both keys it holds (the switches on a command line).
QString LimitPairProblem(const TFamilyLimits& limits, const QStringList* given = nullptr);

#pragma once
// The families file: which product families a station receives, each with
// its folder, name pattern, schedule and limits. An INI text: a [defaults]
// section whose keys every family inherits, then one section per family
// ([crm] changes the built-in family, which inherits nothing from
// [defaults]). A file that cannot be used is refused whole, with its line
// and the reason, before anything is read or written.
#include "station/Family.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// $XDG_CONFIG_HOME/lagwatch/families.conf (default ~/.config).
QString DefaultFamiliesFile();

// What a families file may hold: a page of text, not a data dump.
constexpr qint64 MaxFamiliesFileBytes = 1024 * 1024;
constexpr int MaxFamilyValueLength = 4096;
// The fewest days a family's ledger keeps out of the archive: the 30-day
// figures and the product before them read 31 days.
constexpr int MinKeepDays = 31;

// The families of the text, crm first unless its section says enabled =
// false; nothing, with error set ("FILE:LINE: reason"), for a text that
// cannot be used.
std::optional<std::vector<TFamily>> ParseFamilies(const QString& text, const QString& fileName, QString& error);

// The families of the file; without the file, the built-in crm family alone
// when the file need not exist (the default file), an error otherwise.
std::optional<std::vector<TFamily>> ReadFamiliesFile(const QString& path, bool mustExist, QString& error);

// What the command line sets for every family: the limits whose keys Given
// holds (others keep the file's value), and the schedule when given.
struct TFamilyOverrides
{
    TFamilyLimits Limits;
    QStringList Given;
    std::optional<TExpectedSchedule> Expect;
};
void ApplyOverrides(std::vector<TFamily>& families, const TFamilyOverrides& overrides);

// The families named (ignoring case), in the file's order; nothing, with
// error set, when a name is none of them.
std::optional<std::vector<TFamily>> SelectFamilies(const std::vector<TFamily>& families, const QStringList& names,
                                                   QString& error);

// Whether a name can be a family's: letters, digits, '_' and '-', 1 to 32 characters.
bool IsFamilyName(const QString& name);

#pragma once
// A product family: the files of one kind a station receives (their folder,
// name pattern, schedule, files per slot, limits and missing policy). The
// CRM products are the built-in family, with the rules the program always had.
#include "station/FamilyLimits.h"
#include "station/Outages.h"
#include "station/Schedule.h"

#include <QString>
#include <optional>

// Which time a product's delay is measured from: its last write, or the
// nominal time its name gives (receivers that do not keep the sender's
// write time).
enum class TDelaySource { WriteTime, NameTime };

struct TFamily
{
    QString Name;                             // "crm" for the built-in family
    bool BuiltInCrm = false;                  // the CRM rules: mask, expected names, ledger name
    QString Folder;                           // relative to the data folder or absolute; may hold %Y %m %d %j
    QString Pattern;                          // as written
    std::optional<TExpectedSchedule> Expect;  // none: learned
    std::optional<int> FilesPerSlot;          // none: learned (1 while not known)
    TDelaySource Delay = TDelaySource::WriteTime;
    TFamilyLimits Limits;
    std::optional<int> KeepDays;  // none: unlimited
    // The figures count every product rather than slots: the CRM products
    // watched without a families file, counted as they always were.
    bool CountsProducts = false;
    // The planned outages that cover the family (the outages file).
    TFamilyOutages Outages = {};
};

// How many days of entries a family's ledger keeps before they move to the
// yearly archive, unless its section says otherwise.
constexpr int DefaultKeepDays = 400;

// The default day folders, below the data folder.
inline const QString DefaultFamilyFolder = QStringLiteral("%Y/%m/%d");

// The CRM products as the program always watched them (without a families
// file: CountsProducts).
TFamily BuiltInCrmFamily();

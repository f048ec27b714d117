#pragma once
// What the history map, its report and the monitoring outputs show of a
// pass: each family read with its own limits, schedule and files per slot,
// as the families file and the switches set them (ResolveFamilies). Qt Core
// only: a run without a window assesses it too.
#include "platform/DateTime.h"
#include "report/FamilyReading.h"
#include "station/Family.h"

#include <QStringList>
#include <vector>

class TFamilyPass;
class TStationPass;

// The rules the reports read a family by.
TFamilyRules FamilyRulesOf(const TFamily& family);

// The completeness of one family of a pass, as of now.
TStationCompleteness FamilyCompletenessOf(const TFamilyPass& family, TDateTime now);

// One reading of every family of a pass, as of now, in the pass's order.
// newestSlots: the newest slots each reading must name its products of (the
// chart's bars), or -1 for every slot of the month (the history window).
std::vector<TFamilyReading> ReadFamilies(const TStationPass& pass, TDateTime now, int newestSlots);

// Why a family of the pass that has no product has none, when an earlier
// family of the file takes the files its pattern matches; empty otherwise.
QString ClaimText(const TStationPass& pass, const TFamilyPass& family);

// One line per family of what the walk did for it ("[NAME] walk: ..."), to
// settle why a family shows nothing.
QStringList WalkLines(const TStationPass& pass);

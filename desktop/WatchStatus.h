#pragma once
// What a window that keeps watching says about its scans: the status line
// below the chart, and the note over the chart when the data folder cannot
// be walked, naming the setting to change.
#include "desktop/ScanRepeater.h"

#include <QString>

// "Last scan 2026-Dec-07 21:40 UTC, next at 21:55 UTC", with the failure of
// the last scan and a skipped one; empty before the first scan.
QString WatchStatusLine(const TWatchState& state);

// Where the data folder came from, for the note that says how to change it.
enum class TFolderSource { CommandLine, Settings, Unset };

// The note over the chart: why the folder cannot be walked (problem, empty
// when it can) and the setting to change. Empty for a folder that can be
// walked, except an unset one, whose walk reads the current folder.
QString DataFolderNote(TFolderSource source, const QString& problem, const QString& settingsFile);

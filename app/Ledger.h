#pragma once
// The received-files ledger: one line "name=seconds" per product file, kept
// sorted, stored as UTF-8 text with CR LF after every line.
#include "platform/SortedStringList.h"

#include <QString>

enum class TLoadResult { Loaded, Missing, Failed };

// Replaces the list by the lines of the file. A missing file leaves the list
// empty and is not an error; an unreadable one (or a folder) sets error.
TLoadResult LoadLedger(TSortedStringList& list, const QString& path, QString& error);

// Writes the list to the file without ever leaving a half-written ledger:
// the text goes to a temporary file beside it, which then replaces it. A
// ledger reached through a symbolic link is replaced at the link's target
// and keeps its permissions. Before writing, the lines of the file on disk
// whose names the list does not hold yet are merged in, so lines from a
// ledger that could not be read at start-up, or from another instance that
// saved meanwhile, are kept; an advisory lock on "<ledger>.lock" serialises
// savers. A file that exists but cannot be read is left untouched.
bool SaveLedger(TSortedStringList& list, const QString& path, QString& error);

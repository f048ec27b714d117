#pragma once
// The received-files ledger: one line "name=seconds" per product file, kept
// sorted, stored as UTF-8 text with CR LF after every line.
#include "platform/FileIdentity.h"
#include "platform/FileLock.h"
#include "platform/SortedStringList.h"

#include <QString>
#include <functional>

enum class TLoadResult { Loaded, Missing, Failed };

// How long a load or a save waits for the ledger's locks (DefaultLockWait:
// 60 s, or LAGWATCH_LOCK_WAIT seconds), and where it says, once, after the
// first few seconds, that it is waiting (one line, without the program's name).
struct TLedgerWait
{
    TLockWait Wait = DefaultLockWait();
    std::function<void(const QString& message)> Announce;
};

// The path's characters are file-system bytes (PathBytes.h), so a name that
// is not valid UTF-8 is read and written as given.

// Replaces the list by the lines of the file. A missing file leaves the list
// empty and is not an error. An unreadable one, a folder, a file that is not
// a text (TextFile.h), one too large for the memory, or one whose lock
// another process holds past the wait sets error and loads nothing. The file
// is read under a shared lock on it, so never while a saver rewrites it in
// place; a rewrite cut short reads as the old or the new ledger, whole
// (InPlaceRewrite.h).
// identity: where given, the identity of the file the lines were read from.
TLoadResult LoadLedger(TSortedStringList& list, const QString& path, QString& error,
                       const TLedgerWait& wait = TLedgerWait(), TFileIdentity* identity = nullptr);

// Writes the list to the file without ever leaving a half-written ledger:
// the text goes to a temporary file beside it, which then replaces it. A
// ledger reached through a symbolic link is replaced at the link's target
// and keeps its permissions. Before writing, the lines of the file on disk
// whose names the list does not hold yet are merged in, so lines from a
// ledger that could not be read at start-up, or from another instance that
// saved meanwhile, are kept. A file that exists but cannot be read (or is no
// text) is left untouched.
//
// Savers are serialised by two advisory locks, taken in this order: one on
// "<ledger>.lock" (opened read-only without following a link, created with
// the ledger's permissions and owner; a link or a non-file there fails the
// save), and one on the ledger file itself, which also serves every saver
// that cannot open the lock file. A save that can take neither fails; a lock
// held past the wait fails the save. Under the locks, temporary files that
// killed saves left beside the ledger are removed. When no temporary file can
// be made beside the ledger (a read-only folder) but the ledger itself is
// writable, it is rewritten in place through a journal (InPlaceRewrite.h).
// identity: where given, the identity of the file that holds the list's lines
// after the save.
bool SaveLedger(TSortedStringList& list, const QString& path, QString& error, const TLedgerWait& wait = TLedgerWait(),
                TFileIdentity* identity = nullptr);

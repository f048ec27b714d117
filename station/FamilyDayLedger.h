#pragma once
// The ledger of a family other than crm, kept so that a run costs what is
// new, not what is old: one file per UTC day of the products' nominal times,
// NAME-received/YYYY-MM-DD.txt, each a ledger of its own (lock, atomic save,
// merge with a concurrent run, encodings: Ledger.h). A line is the product's
// nominal time as YYYYMMDDHHMMSS, a space, the file name (as it is on disk;
// lines of older runs hold it lower-cased, and names compare ignoring case),
// '=' and the delay in seconds, so the lines of the days read one after the other
// are in the products' order in time.
//
// A run loads only the days it looks at; the figures of the others come from
// their digests, YYYY-MM-DD.digest (DayDigest.h), written with each save and
// made anew from the day file when they no longer match it. At the save, the day files older
// than keep-days move, whole, into the yearly archive archive-YYYY.txt beside
// them, under the archive's lock; nothing is deleted.
#include "platform/DateTime.h"
#include "platform/SortedStringList.h"
#include "station/DayDigest.h"
#include "station/FilePattern.h"
#include "station/Ledger.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <utility>
#include <vector>

class TFamilyDayLedger
{
public:
    // folder: the family's ledger folder, ending with '/'. pattern: the
    // family's current one, which the digests admit products by (it must
    // outlive this object); null: every product.
    TFamilyDayLedger(QString folder, std::optional<int> keepDays, TLedgerWait wait,
                     const TFilePattern* pattern = nullptr);

    const QString& Folder() const { return FFolder; }
    QString DayFile(int64_t day) const;

    // Loads the day's file once (day: whole days of TDateTime); false, with
    // error, when it exists but cannot be read (the run goes on without it).
    bool LoadDay(int64_t day, QString& error);
    // Loads every day file in the folder, and the archives, whose lines
    // Lines() then gives before the days'.
    bool LoadAllDays(QString& error);
    bool DayLoaded(int64_t day) const { return FDays.count(day) != 0; }

    // The line's name part ("YYYYMMDDHHMMSS name") is held already.
    bool Contains(int64_t day, QByteArrayView name) const;
    // Adds a line of the day; false when its name was held already.
    bool Add(int64_t day, QByteArrayView line);

    // The day's digest: made from its lines when it is loaded; else read from
    // its digest file while that matches the day file; else made from the
    // day file, which is then loaded, and kept for the next run. Valid until
    // the day changes. False in loaded, with error, when the day file exists
    // but cannot be read (the digest is then empty).
    const TDayDigest& Digest(int64_t day, QString& error, bool* loaded = nullptr);
    // Whether the ledger keeps day files before the day; with `after`, also
    // the days of those after `last`, oldest first (one listing of the folder).
    bool HoldsDaysBefore(int64_t day, int64_t last = 0, std::vector<int64_t>* after = nullptr) const;

    // The days Contains was asked about since the last call (the days a
    // folder's products fall in).
    std::set<int64_t> TakeDaysAsked() { return std::exchange(FDaysAsked, {}); }
    // The day file's identity as it stands; none when there is no such file
    // or the day holds lines not saved yet.
    std::optional<TFileIdentity> CurrentIdentity(int64_t day) const;

    // The loaded days' lines in time order, made anew after a change.
    const TSortedStringList& Lines() const;
    // The lines of the loaded days from firstDay to lastDay (after the
    // archives' with withArchives), in time order: one day's own list, or
    // else a list made in copy. Valid until a change.
    const TSortedStringList& LinesFrom(int64_t firstDay, std::unique_ptr<TSortedStringList>& copy,
                                       bool withArchives = false,
                                       int64_t lastDay = std::numeric_limits<int64_t>::max()) const;
    // Changes whenever Lines() is made anew (a load, an addition, a merge).
    int Generation() const { return FGeneration; }

    // Saves the changed days and archives the days older than keep-days
    // (counted back from today); false, with error, when a save failed.
    bool Save(TDateTime today, QString& error);

private:
    // The day files in the folder, oldest first, with their names, and the
    // yearly archives' names, oldest first.
    struct TFiles
    {
        std::vector<std::pair<int64_t, QString>> Days;
        QStringList Archives;
    };
    TFiles Files() const;
    bool ArchiveOldDays(TDateTime today, QString& error);
    QString DigestFile(int64_t day) const;
    // Keeps the digest of a day whose file has the identity (a cache: no
    // flush to the disk, and a failure only costs the next run a reading).
    void WriteDigestFile(int64_t day, const TDayDigest& digest, const TFileIdentity& identity) const;

    QString FFolder;
    std::optional<int> FKeepDays;
    TLedgerWait FWait;
    std::map<int64_t, std::unique_ptr<TSortedStringList>> FDays;
    std::vector<std::unique_ptr<TSortedStringList>> FArchives;  // loaded by LoadAllDays only
    std::set<int64_t> FChanged;
    const TFilePattern* FPattern;
    // The identity of each loaded or saved day's file, and the digests made or read.
    std::map<int64_t, TFileIdentity> FIdentities;
    std::map<int64_t, TDayDigest> FDigests;
    mutable std::set<int64_t> FDaysAsked;
    void LinesChanged()
    {
        FLines.reset();
        FLinesOf = nullptr;
        ++FGeneration;
    }

    mutable std::unique_ptr<TSortedStringList> FLines;
    mutable const TSortedStringList* FLinesOf = nullptr;  // FLines, or the one day's list
    int FGeneration = 0;
};

// "YYYYMMDDHHMMSS " of a nominal time (15 bytes into `out`).
void WriteTimePrefix(TDateTime nominal, char* out);

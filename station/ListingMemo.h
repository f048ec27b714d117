#pragma once
// What a family's walk remembers of the folders it listed, so that a run lists
// again only a folder that changed. A folder whose stamp (device, inode,
// change and modification times) is as it was when a listing found nothing
// left to record, and whose products' ledger days are as that run saved
// them, holds nothing new: any entry made in or removed from a folder
// changes its times, and nobody can set its change time. A listing counts
// only when the folder had not changed for a while before it began, as a
// change within the file system clock's step of the stamp would not show.
//
// Kept beside the family's day files as "listed.txt", with the rules that
// decide what the family records (its folder, pattern and delay): a memo of
// other rules is not taken. Like the digests it is a cache: one that is
// missing or unreadable costs a listing, no more.
#include "platform/FileIdentity.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>

struct TFolderStamp
{
    uint64_t Device = 0, Inode = 0;
    int64_t ChangedSeconds = 0, ChangedNanoseconds = 0, ModifiedSeconds = 0, ModifiedNanoseconds = 0;

    static std::optional<TFolderStamp> Of(const QByteArray& folder);
    bool operator==(const TFolderStamp&) const = default;
};

// A day file's identity as it stands (none: no such file, or changed in memory).
using TDayIdentity = std::function<std::optional<TFileIdentity>(int64_t day)>;

class TListingMemo
{
public:
    TListingMemo(QString file, QByteArray rules);

    // Nothing new in the folder since a listing that left nothing to record.
    bool Unchanged(const QByteArray& folder, const TFolderStamp& stamp, const TDayIdentity& dayIdentity);
    // A listing that left nothing to record, begun at startMs (since 1970)
    // with the stamp taken before it; days: the ledger days its products
    // fall in.
    void Listed(const QByteArray& folder, const TFolderStamp& stamp, int64_t startMs, std::set<int64_t> days);
    // Keeps the folders found unchanged or listed in this run, with their
    // days as the save left them; writes nothing when that is what it holds.
    void Save(const TDayIdentity& dayIdentity);

private:
    struct TEntry
    {
        TFolderStamp Stamp;
        std::map<int64_t, TFileIdentity> Days;  // filled at the save for a listing of this run
    };
    void Load();

    QString FFile;
    QByteArray FRules;
    QByteArray FLoadedText;
    std::map<QByteArray, TEntry> FLoaded;
    std::map<QByteArray, TEntry> FThisRun;
    std::map<QByteArray, std::set<int64_t>> FListedDays;
    bool FRead = false;
};

#include "station/ListingMemo.h"

#include "platform/AtomicFile.h"
#include "platform/PathBytes.h"

#include <QFile>
#include <QList>
#include <sys/stat.h>

namespace {

constexpr char Heading[] = "lagwatch listed folders 1";
// How long a folder must have been still before a listing for it to count:
// more than a clock step of any file system's times (two seconds on FAT).
constexpr int64_t StillMs = 3000;

int64_t Ms(int64_t seconds, int64_t nanoseconds) { return seconds * 1000 + nanoseconds / 1000000; }

QByteArray Numbers(std::initializer_list<long long> values, char separator)
{
    QByteArray text;
    for (const long long v : values) {
        if (!text.isEmpty())
            text += separator;
        text += QByteArray::number(v);
    }
    return text;
}

bool ReadNumbers(const QByteArray& text, char separator, std::vector<long long>& out, size_t count)
{
    const QList<QByteArray> parts = text.split(separator);
    if (static_cast<size_t>(parts.size()) != count)
        return false;
    out.clear();
    for (const QByteArray& part : parts) {
        bool ok = false;
        out.push_back(part.toLongLong(&ok));
        if (!ok)
            return false;
    }
    return true;
}

}  // namespace

std::optional<TFolderStamp> TFolderStamp::Of(const QByteArray& folder)
{
    struct stat st
    {};
    if (::stat(folder.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return std::nullopt;
    return TFolderStamp{static_cast<uint64_t>(st.st_dev),        static_cast<uint64_t>(st.st_ino),
                        static_cast<int64_t>(st.st_ctim.tv_sec), static_cast<int64_t>(st.st_ctim.tv_nsec),
                        static_cast<int64_t>(st.st_mtim.tv_sec), static_cast<int64_t>(st.st_mtim.tv_nsec)};
}

TListingMemo::TListingMemo(QString file, QByteArray rules) : FFile(std::move(file)), FRules(std::move(rules)) {}

void TListingMemo::Load()
{
    if (FRead)
        return;
    FRead = true;
    QFile file(FFile);
    if (!file.open(QIODevice::ReadOnly))
        return;
    FLoadedText = file.readAll();
    const QList<QByteArray> lines = FLoadedText.split('\n');
    // Heading, rules, the folders, "end", and the empty text after the last line end.
    if (lines.size() < 4 || lines[0] != Heading || lines[1] != "rules " + FRules.toPercentEncoding() ||
        lines[lines.size() - 2] != "end" || !lines.last().isEmpty())
        return;
    std::vector<long long> n;
    for (qsizetype i = 2; i < lines.size() - 2; ++i) {
        const QList<QByteArray> fields = lines[i].split(' ');
        if (fields.size() < 2 || !ReadNumbers(fields[1], ':', n, 6))
            return;
        TEntry entry;
        entry.Stamp = {static_cast<uint64_t>(n[0]), static_cast<uint64_t>(n[1]), n[2], n[3], n[4], n[5]};
        for (qsizetype f = 2; f < fields.size(); ++f) {
            if (!ReadNumbers(fields[f], ':', n, 6))
                return;
            entry.Days[n[0]] = {static_cast<uint64_t>(n[1]), static_cast<uint64_t>(n[2]), n[3], n[4], n[5]};
        }
        FLoaded[QByteArray::fromPercentEncoding(fields[0])] = std::move(entry);
    }
}

bool TListingMemo::Unchanged(const QByteArray& folder, const TFolderStamp& stamp, const TDayIdentity& dayIdentity)
{
    Load();
    const auto kept = FLoaded.find(folder);
    if (kept == FLoaded.end() || !(kept->second.Stamp == stamp))
        return false;
    for (const auto& [day, identity] : kept->second.Days)
        if (dayIdentity(day) != identity)
            return false;
    FThisRun[folder] = kept->second;
    return true;
}

void TListingMemo::Listed(const QByteArray& folder, const TFolderStamp& stamp, int64_t startMs, std::set<int64_t> days)
{
    if (Ms(stamp.ChangedSeconds, stamp.ChangedNanoseconds) >= startMs - StillMs ||
        Ms(stamp.ModifiedSeconds, stamp.ModifiedNanoseconds) >= startMs - StillMs)
        return;
    FThisRun[folder] = {stamp, {}};
    FListedDays[folder] = std::move(days);
}

void TListingMemo::Save(const TDayIdentity& dayIdentity)
{
    Load();
    QByteArray text = QByteArray(Heading) + "\nrules " + FRules.toPercentEncoding() + '\n';
    for (auto& [folder, entry] : FThisRun) {
        if (const auto listed = FListedDays.find(folder); listed != FListedDays.end()) {
            bool known = true;
            for (const int64_t day : listed->second)
                if (const std::optional<TFileIdentity> identity = dayIdentity(day))
                    entry.Days[day] = *identity;
                else
                    known = false;
            if (!known)
                continue;  // a day not saved: the next run lists the folder again
        }
        const TFolderStamp& s = entry.Stamp;
        text += folder.toPercentEncoding() + ' ' +
                Numbers({static_cast<long long>(s.Device), static_cast<long long>(s.Inode), s.ChangedSeconds,
                         s.ChangedNanoseconds, s.ModifiedSeconds, s.ModifiedNanoseconds},
                        ':');
        for (const auto& [day, d] : entry.Days)
            text += ' ' + Numbers({day, static_cast<long long>(d.Device), static_cast<long long>(d.Inode), d.Size,
                                   d.ModifiedSeconds, d.ModifiedNanoseconds},
                                  ':');
        text += '\n';
    }
    text += "end\n";
    if (text == FLoadedText)
        return;
    if (ReplaceCacheFile(EncodePath(FFile), text))
        FLoadedText = text;
}

#include "station/FamilyDayLedger.h"

#include "platform/AtomicFile.h"
#include "platform/FileLock.h"
#include "platform/IntegerText.h"
#include "platform/PathBytes.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cmath>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString DayName(int64_t day)
{
    TDateParts parts;
    if (!TryDecodeDate(static_cast<TDateTime>(day), parts))
        return {};
    return QStringLiteral("%1-%2-%3")
        .arg(parts.Year, 4, 10, QLatin1Char('0'))
        .arg(parts.Month, 2, 10, QLatin1Char('0'))
        .arg(parts.Day, 2, 10, QLatin1Char('0'));
}

}  // namespace

void WriteTimePrefix(TDateTime nominal, char* out)
{
    TDateParts date;
    TTimeParts time;
    // Whole seconds: the time of a name never holds less.
    const TDateTime rounded = UnixMsToDateTime(DateTimeToUnixMs(nominal) / 1000 * 1000);
    TryDecodeDate(rounded, date);
    TryDecodeTime(rounded, time);
    const int values[6] = {date.Year, date.Month, date.Day, time.Hour, time.Minute, time.Second};
    const int widths[6] = {4, 2, 2, 2, 2, 2};
    for (int f = 0; f < 6; ++f) {
        int v = values[f];
        for (int k = widths[f] - 1; k >= 0; --k, v /= 10)
            out[k] = static_cast<char>('0' + v % 10);
        out += widths[f];
    }
    *out = ' ';
}

TFamilyDayLedger::TFamilyDayLedger(QString folder, std::optional<int> keepDays, TLedgerWait wait,
                                   const TFilePattern* pattern)
    : FFolder(std::move(folder)), FKeepDays(keepDays), FWait(std::move(wait)), FPattern(pattern)
{}

QString TFamilyDayLedger::DayFile(int64_t day) const { return FFolder + DayName(day) + QStringLiteral(".txt"); }

bool TFamilyDayLedger::LoadDay(int64_t day, QString& error)
{
    if (FDays.count(day))
        return true;
    auto list = std::make_unique<TSortedStringList>();
    const QString path = DayFile(day);
    TFileIdentity identity;
    const TLoadResult result = path.isEmpty() ? TLoadResult::Missing : LoadLedger(*list, path, error, FWait, &identity);
    if (result == TLoadResult::Loaded)
        FIdentities[day] = identity;
    FDays[day] = std::move(list);
    FDigests.erase(day);
    LinesChanged();
    return result != TLoadResult::Failed;
}

bool TFamilyDayLedger::LoadAllDays(QString& error)
{
    bool fine = true;
    const TFiles files = Files();
    for (const auto& [day, name] : files.Days)
        fine = LoadDay(day, error) && fine;
    // The yearly archives too, oldest first, before the days.
    FArchives.clear();
    for (const QString& name : files.Archives) {
        FArchives.push_back(std::make_unique<TSortedStringList>());
        fine = LoadLedger(*FArchives.back(), FFolder + name, error, FWait) != TLoadResult::Failed && fine;
    }
    LinesChanged();
    return fine;
}

TFamilyDayLedger::TFiles TFamilyDayLedger::Files() const
{
    // Read with readdir: a timer's run lists a folder of a year's days each time.
    TFiles files;
    DIR* dir = ::opendir(EncodePath(FFolder).constData());
    if (!dir)
        return files;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArrayView name(entry->d_name);
        int year = 0, month = 0, day = 0;
        TDateTime date = 0;
        if (name.size() == 16 && name.startsWith("archive-") && name.endsWith(".txt") && DigitsAt(name, 8, 4, year))
            files.Archives.push_back(QString::fromLatin1(name));
        else if (name.size() == 14 && name.endsWith(".txt") && name[4] == '-' && name[7] == '-' &&
                 DigitsAt(name, 0, 4, year) && DigitsAt(name, 5, 2, month) && DigitsAt(name, 8, 2, day) &&
                 TryEncodeDate(year, month, day, date))
            files.Days.push_back({static_cast<int64_t>(date), QString::fromLatin1(name)});
    }
    ::closedir(dir);
    std::sort(files.Days.begin(), files.Days.end());
    std::sort(files.Archives.begin(), files.Archives.end());
    return files;
}

bool TFamilyDayLedger::Contains(int64_t day, QByteArrayView name) const
{
    FDaysAsked.insert(day);
    const auto it = FDays.find(day);
    return it != FDays.end() && it->second->ContainsNameUtf8(name);
}

bool TFamilyDayLedger::Add(int64_t day, QByteArrayView line)
{
    std::unique_ptr<TSortedStringList>& list = FDays[day];
    if (!list)
        list = std::make_unique<TSortedStringList>();
    // A walk adds a day's lines in the folder's order, which is no order:
    // they are sorted in at once when the day is next read.
    if (!list->AddUtf8Deferred(line))
        return false;
    FChanged.insert(day);
    FDigests.erase(day);
    LinesChanged();
    return true;
}

const TSortedStringList& TFamilyDayLedger::Lines() const
{
    if (!FLinesOf)
        FLinesOf = &LinesFrom(std::numeric_limits<int64_t>::min(), FLines, true);
    return *FLinesOf;
}

const TSortedStringList& TFamilyDayLedger::LinesFrom(int64_t firstDay, std::unique_ptr<TSortedStringList>& copy,
                                                     bool withArchives, int64_t lastDay) const
{
    std::vector<const TSortedStringList*> parts;
    if (withArchives)
        for (const auto& archive : FArchives)
            parts.push_back(archive.get());
    for (auto day = FDays.lower_bound(firstDay); day != FDays.end() && day->first <= lastDay; ++day)
        parts.push_back(day->second.get());
    if (parts.size() == 1)
        return *parts.front();
    copy = std::make_unique<TSortedStringList>();
    copy->AssignJoined(parts);
    return *copy;
}

bool TFamilyDayLedger::Save(TDateTime today, QString& error)
{
    bool fine = true;
    if (!FChanged.empty() && !QDir().mkpath(FFolder)) {
        error = QStringLiteral("cannot make the ledger folder %1").arg(FFolder);
        return false;
    }
    for (const int64_t day : FChanged) {
        TSortedStringList& list = *FDays[day];
        const int before = list.Count();
        QString dayError;
        TFileIdentity identity;
        if (SaveLedger(list, DayFile(day), dayError, FWait, &identity)) {
            FIdentities[day] = identity;
            // The digest a reading made before the save holds, unless the save merged lines in.
            const auto made = FDigests.find(day);
            if (made == FDigests.end() || list.Count() != before)
                FDigests[day] = DigestOfLines(list, FPattern);
            WriteDigestFile(day, FDigests[day], identity);
        } else {
            error = dayError;
            fine = false;
        }
        // Lines another run saved meanwhile were merged in.
        if (list.Count() != before)
            LinesChanged();
    }
    FChanged.clear();
    return ArchiveOldDays(today, error) && fine;
}

bool TFamilyDayLedger::ArchiveOldDays(TDateTime today, QString& error)
{
    if (!FKeepDays)
        return true;
    const int64_t oldest = static_cast<int64_t>(std::floor(today)) - *FKeepDays;
    bool fine = true;
    for (const auto& [day, name] : Files().Days) {
        if (day >= oldest)
            continue;
        const QString dayPath = FFolder + name;
        const QString archive = FFolder + QStringLiteral("archive-%1.txt").arg(name.left(4));
        // The day's lock keeps a concurrent run from saving into the day
        // while its lines move; the archive's save takes the archive's locks.
        const QByteArray lockPath = EncodePath(dayPath + QStringLiteral(".lock"));
        int fd = -1, code = 0;
        if (OpenLockFile(lockPath, nullptr, fd, code) != TLockFileOpen::Opened) {
            error = QStringLiteral("cannot lock %1 to archive it").arg(dayPath);
            fine = false;
            continue;
        }
        TLockDeadline deadline(FWait.Wait);
        TSortedStringList lines;
        QString moveError;
        const bool moved = LockOpenFile(fd, lockPath, LOCK_EX, deadline) == 0 &&
                           LoadLedger(lines, dayPath, moveError, FWait) == TLoadResult::Loaded &&
                           SaveLedger(lines, archive, moveError, FWait);
        // Only once the archive holds every line does the day file go.
        if (moved) {
            ::unlink(EncodePath(dayPath).constData());
            ::unlink(EncodePath(DigestFile(day)).constData());
        }
        ::close(fd);
        if (moved) {
            ::unlink(lockPath.constData());
        } else {
            error = moveError.isEmpty() ? QStringLiteral("cannot archive %1").arg(dayPath) : moveError;
            fine = false;
        }
    }
    return fine;
}

QString TFamilyDayLedger::DigestFile(int64_t day) const { return FFolder + DayName(day) + QStringLiteral(".digest"); }

const TDayDigest& TFamilyDayLedger::Digest(int64_t day, QString& error, bool* loaded)
{
    if (loaded)
        *loaded = true;
    if (const auto made = FDigests.find(day); made != FDigests.end())
        return made->second;
    // The identity of the day file as it stands, or as it was loaded.
    std::optional<TFileIdentity> identity;
    if (!DayLoaded(day)) {
        struct stat st
        {};
        const QString dayFile = DayFile(day);
        if (dayFile.isEmpty() || ::stat(EncodePath(dayFile).constData(), &st) != 0)
            return FDigests[day];  // no such day
        identity = TFileIdentity::Of(st);
    } else if (const auto known = FIdentities.find(day); known != FIdentities.end() && !FChanged.count(day)) {
        identity = known->second;
    }
    if (identity) {
        QFile file(DigestFile(day));
        if (file.open(QIODevice::ReadOnly))
            if (std::optional<TDayDigest> kept = DecodeDigest(file.readAll(), *identity, FPattern ? FPattern->Key() : 0))
                return FDigests[day] = std::move(*kept);
    }
    if (!DayLoaded(day) && !LoadDay(day, error) && loaded)
        *loaded = false;
    const TDayDigest& digest = FDigests[day] = DigestOfLines(*FDays[day], FPattern);
    // A day as its file holds it: its digest saves the next run the reading.
    if (const auto known = FIdentities.find(day); known != FIdentities.end() && !FChanged.count(day))
        WriteDigestFile(day, digest, known->second);
    return digest;
}

void TFamilyDayLedger::WriteDigestFile(int64_t day, const TDayDigest& digest, const TFileIdentity& identity) const
{
    ReplaceCacheFile(EncodePath(DigestFile(day)), EncodeDigest(digest, identity, FPattern ? FPattern->Key() : 0));
}

bool TFamilyDayLedger::HoldsDaysBefore(int64_t day, int64_t last, std::vector<int64_t>* after) const
{
    // Not the archives: a day older than the ledger keeps is no slot missed.
    const TFiles files = Files();
    if (after)
        for (const auto& [later, name] : files.Days)
            if (later > last)
                after->push_back(later);
    return !files.Days.empty() && files.Days.front().first < day;
}

std::optional<TFileIdentity> TFamilyDayLedger::CurrentIdentity(int64_t day) const
{
    if (FChanged.count(day))
        return std::nullopt;
    if (const auto known = FIdentities.find(day); known != FIdentities.end())
        return known->second;
    struct stat st
    {};
    const QString dayFile = DayFile(day);
    if (dayFile.isEmpty() || ::stat(EncodePath(dayFile).constData(), &st) != 0)
        return std::nullopt;
    return TFileIdentity::Of(st);
}

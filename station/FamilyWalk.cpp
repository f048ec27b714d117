#include "station/FamilyWalk.h"

#include "platform/ParallelStatus.h"
#include "platform/PathBytes.h"
#include "station/FamilyFolder.h"
#include "station/FamilyPass.h"
#include "station/FolderAccess.h"
#include "station/ProductFile.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <map>
#include <memory>

namespace {

struct TFamilyState
{
    TFamilyPass* Pass = nullptr;
    bool Flat = false;
    bool Active = true;
    TDateTime Oldest = 0;  // the oldest day the family walks, or whose files count in a flat folder
};

// The folders of one iteration: each with the families whose folder it is
// this day (all of them, for the first-match rule) and whether each searches it.
struct TFolderUse
{
    std::vector<std::pair<TFamilyState*, bool>> Families;
    bool Searched = false;
};

QByteArray FolderBytes(const QString& folder) { return EncodePath(folder.isEmpty() ? QStringLiteral("./") : folder); }

// A file the walk found that a family may record, once its status is read.
struct TFound
{
    TFamilyPass* Pass;
    uint32_t NameAt;  // its checked name (TFamilyPass::CheckedName) in `checked`
    uint32_t NameLength;
    TDateTime Nominal;
    const char* Name;  // as found, kept
};

// The names of new products, kept until their statuses are read: in blocks
// that never move while the helper reads them.
class TKeptNames
{
public:
    const char* Keep(QByteArrayView name)
    {
        const size_t size = static_cast<size_t>(name.size()) + 1;
        if (FBlocks.empty() || FUsed + size > BlockSize) {
            FBlocks.push_back(std::make_unique<char[]>(std::max(BlockSize, size)));
            FUsed = 0;
        }
        char* kept = FBlocks.back().get() + FUsed;
        std::memcpy(kept, name.data(), size - 1);
        kept[size - 1] = '\0';
        FUsed += size;
        return kept;
    }

private:
    static constexpr size_t BlockSize = 65536;
    std::vector<std::unique_ptr<char[]>> FBlocks;
    size_t FUsed = 0;
};

// Lists the folder and records what is new in it, in the listing's order:
// each name is judged as it is read (each reported problem in that order),
// the statuses of the new products are read meanwhile, on two threads when
// they are many, and the products recorded one after the other.
// contested: set for each family (in use's order) that a name an earlier
// family claimed may have been meant for. The error of a folder that could
// not be listed (errno), else 0.
int ListAndRecord(const QString& folder, TFolderUse& use, const TFamilyWalkHooks& hooks, std::vector<bool>& contested,
                  TParallelStatus& reader, TDateTime now)
{
    const QByteArray path = FolderBytes(folder);
    DIR* dir = ::opendir(path.constData());
    if (!dir)
        return IsUnreadable(errno) ? errno : 0;
    // Closed on every way out, after the reader has left its batch.
    const std::unique_ptr<DIR, int (*)(DIR*)> closer(dir, ::closedir);
    const int fd = ::dirfd(dir);
    // A batch's room, from the folder's size (an entry takes at least 12
    // bytes of it in ext4); a folder that holds more takes further batches.
    struct stat folderStatus
    {};
    const size_t room = ::fstat(fd, &folderStatus) == 0 ? static_cast<size_t>(folderStatus.st_size) / 12 + 64 : 4096;
    TKeptNames names;
    std::vector<TFound> found;
    QByteArray checked;
    struct TFinish
    {
        TParallelStatus& Reader;
        ~TFinish() { Reader.Finish(); }
    } finish{reader};
    const auto recordFound = [&] {
        for (size_t i = 0; i < found.size(); ++i) {
            const TFound& f = found[i];
            if (f.Pass->Record(QByteArrayView(checked.constData() + f.NameAt, f.NameLength), f.Nominal,
                               reader.Status(i)) != TFamilyPass::TRecord::Added ||
                !hooks.ReportNote)
                continue;
            const QString note =
                ProductClockNote(DecodePath(path + QByteArray(f.Name)), f.Nominal, f.Pass->RecordedDelaySeconds(), now);
            if (!note.isEmpty())
                hooks.ReportNote(note);
        }
        found.clear();
        checked.clear();
    };
    reader.Begin(fd, room);
    QString error;
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' || entry->d_type == DT_DIR)
            continue;
        const QByteArrayView raw(name, static_cast<qsizetype>(std::strlen(name)));
        for (size_t k = 0; k < use.Families.size(); ++k) {
            auto& [state, searches] = use.Families[k];
            const std::optional<TDateTime> nominal = state->Pass->Match(raw);
            if (!nominal)
                continue;
            // A later family that would match the name too may not take the
            // folder as seen: the claim can change with the earlier family's rules.
            for (size_t j = k + 1; j < use.Families.size(); ++j)
                if (!contested[j] && use.Families[j].second && use.Families[j].first->Pass->Match(raw))
                    contested[j] = true;
            // The first family that matches owns the file, searching or not.
            if (!searches || (state->Flat && (*nominal < state->Oldest)))
                break;
            state->Pass->CountWalk().NamesMatched++;
            error.clear();
            const TFamilyPass::TRecord check = state->Pass->Check(raw, *nominal, error);
            if (!error.isEmpty() && hooks.ReportFailure)
                hooks.ReportFailure(error);
            if (check == TFamilyPass::TRecord::NotUtf8 && hooks.ReportFailure)
                hooks.ReportFailure(QStringLiteral("not recorded, the file name is not valid UTF-8: %1")
                                        .arg(DecodePath(path + QByteArray(name))));
            if (check == TFamilyPass::TRecord::New) {
                if (found.size() == room) {
                    recordFound();
                    reader.Begin(fd, room);
                }
                const QByteArrayView ledgerName = state->Pass->CheckedName();
                const char* kept = names.Keep(raw);
                found.push_back({state->Pass, static_cast<uint32_t>(checked.size()),
                                 static_cast<uint32_t>(ledgerName.size()), *nominal, kept});
                checked.append(ledgerName);
                reader.Add(kept);
            }
            break;
        }
    }
    recordFound();
    return 0;
}

// Tells each family that searches the folder that it could not be listed.
void Unlisted(const QString& folder, const TFolderUse& use, const TFamilyWalkHooks& hooks, int error, TDateTime day)
{
    if (hooks.OnUnlisted)
        for (const auto& [state, searches] : use.Families)
            if (searches)
                hooks.OnUnlisted(*state->Pass, folder, error,
                                 state->Flat ? std::nullopt : std::optional<TDateTime>(day));
}

// Lists the folder unless every family that searches it has it in its memo
// as unchanged, and tells them how the listing went.
void ListFolder(const QString& folder, TFolderUse& use, const TFamilyWalkHooks& hooks, TParallelStatus& reader,
                TDateTime day, TDateTime now)
{
    const QByteArray path = FolderBytes(folder);
    const std::optional<TFolderStamp> stamp = TFolderStamp::Of(path);
    std::vector<TFamilyPass*> searching;
    for (const auto& [state, searches] : use.Families)
        if (searches)
            searching.push_back(state->Pass);
    if (stamp && std::all_of(searching.begin(), searching.end(),
                             [&](TFamilyPass* pass) { return pass->FolderUnchanged(path, *stamp); })) {
        for (TFamilyPass* pass : searching)
            pass->CountWalk().FoldersUnchanged++;
        return;
    }
    const int64_t startMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    for (TFamilyPass* pass : searching) {
        pass->BeginFolder();
        pass->CountWalk().FoldersListed++;
    }
    int failures = 0;
    TFamilyWalkHooks counted = hooks;
    counted.ReportFailure = [&](const QString& message) {
        ++failures;
        if (hooks.ReportFailure)
            hooks.ReportFailure(message);
    };
    std::vector<bool> contested(use.Families.size(), false);
    if (const int error = ListAndRecord(folder, use, counted, contested, reader, now)) {
        Unlisted(folder, use, hooks, error, day);
        return;
    }
    if (!stamp)
        return;
    for (size_t k = 0; k < use.Families.size(); ++k)
        if (use.Families[k].second)
            use.Families[k].first->Pass->FolderListed(path, *stamp, startMs, failures == 0 && !contested[k]);
}

// The oldest day within the family's reach.
TDateTime OldestDay(const TFamilyPass& pass, TDateTime firstDay, int firstIndex)
{
    TDateTime oldest = firstDay - (90 - firstIndex);
    // Days the ledger no longer keeps are not recorded again.
    if (const std::optional<int> keep = pass.Family().KeepDays)
        oldest = std::max(oldest, firstDay - (*keep - 1));
    return oldest;
}

int FirstIndex(TDateTime now) { return now - std::trunc(now) >= 0.5 ? 1 : 2; }

}  // namespace

std::optional<TClaim> ClaimingFamily(const std::vector<const TFamilyPass*>& families, size_t index,
                                     const QString& dataFolder, TDateTime today, TDateTime now)
{
    const TFamilyPass& family = *families[index];
    const TDateTime firstDay = std::trunc(today);
    const TDateTime oldest = OldestDay(family, firstDay, FirstIndex(now));
    const bool flat = !HasDayFields(family.Family().Folder);
    for (TDateTime day = firstDay; day >= oldest; day -= 1) {
        const QString folder = FamilyDayFolder(family.Family().Folder, dataFolder, day);
        // The earlier families that list this folder on this day.
        std::vector<size_t> earlier;
        for (size_t j = 0; j < index; ++j)
            if (families[j]->FolderProblem().isEmpty() &&
                FamilyDayFolder(families[j]->Family().Folder, dataFolder, day) == folder)
                earlier.push_back(j);
        DIR* dir = folder.isEmpty() ? nullptr : ::opendir(FolderBytes(folder).constData());
        if (!dir) {
            if (flat)
                break;
            continue;
        }
        bool matched = false;
        std::map<size_t, int> claims;
        while (const dirent* entry = ::readdir(dir)) {
            const QByteArrayView raw(entry->d_name, static_cast<qsizetype>(std::strlen(entry->d_name)));
            if (raw.startsWith('.') || entry->d_type == DT_DIR || !family.Match(raw))
                continue;
            matched = true;
            for (const size_t j : earlier)
                if (families[j]->Match(raw)) {
                    ++claims[j];
                    break;
                }
        }
        ::closedir(dir);
        if (matched || flat) {
            const auto most = std::max_element(claims.begin(), claims.end(),
                                               [](const auto& a, const auto& b) { return a.second < b.second; });
            if (most == claims.end())
                return std::nullopt;
            return TClaim{families[most->first]->Family().Name, most->second};
        }
    }
    return std::nullopt;
}

void WalkFamilies(const std::vector<TFamilyPass*>& families, const QString& dataFolder, TDateTime today, TDateTime now,
                  const TFamilyWalkHooks& hooks)
{
    const TDateTime firstDay = std::trunc(today);
    const int firstIndex = FirstIndex(now);
    std::vector<TFamilyState> states;
    for (TFamilyPass* pass : families) {
        if (!pass->FolderProblem().isEmpty())
            continue;
        TFamilyState state;
        state.Pass = pass;
        state.Flat = !HasDayFields(pass->Family().Folder);
        state.Oldest = OldestDay(*pass, firstDay, firstIndex);
        states.push_back(state);
    }
    TParallelStatus reader;
    for (int index = firstIndex; index <= 90; ++index) {
        if (hooks.ShouldStop && hooks.ShouldStop())
            return;
        if (hooks.OnIteration)
            hooks.OnIteration(index);
        const TDateTime day = firstDay - (index - firstIndex);
        std::vector<QString> order;
        std::map<QString, TFolderUse> folders;
        bool anyActive = false;
        for (TFamilyState& state : states) {
            const TFamily& family = state.Pass->Family();
            const QString folder = FamilyDayFolder(family.Folder, dataFolder, day);
            if (folder.isEmpty()) {
                state.Active = false;
                continue;
            }
            bool searches = false;
            if (day < state.Oldest)
                state.Active = false;
            if (state.Active) {
                // Every other family searches each day within its reach: the
                // memo skips a folder whose listing has not changed.
                searches = true;
                if (state.Flat)
                    state.Active = false;  // listed once for every day
                else if (family.BuiltInCrm)
                    state.Active = !state.Pass->CrmDayRecorded(day);
            }
            anyActive = anyActive || state.Active || searches;
            if (!folders.count(folder))
                order.push_back(folder);
            TFolderUse& use = folders[folder];
            use.Families.push_back({&state, searches});
            use.Searched = use.Searched || searches;
        }
        for (const QString& folder : order) {
            TFolderUse& use = folders[folder];
            if (!use.Searched)
                continue;
            const int status = FolderStatusError(FolderBytes(folder));
            if (status != 0) {
                if (status > 0)
                    Unlisted(folder, use, hooks, status, day);
                continue;
            }
            for (const auto& [state, searches] : use.Families)
                if (searches)
                    state->Pass->CountWalk().FoldersFound++;
            if (hooks.ShouldStop && hooks.ShouldStop())
                return;
            if (hooks.OnFolder)
                hooks.OnFolder();
            ListFolder(folder, use, hooks, reader, day, now);
        }
        if (!anyActive)
            break;
    }
}

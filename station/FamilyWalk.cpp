#include "station/FamilyWalk.h"

#include "platform/PathBytes.h"
#include "station/FamilyFolder.h"
#include "station/FamilyPass.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <dirent.h>
#include <map>

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

// contested: set for each family (in use's order) that a name an earlier
// family claimed may have been meant for.
void ListAndRecord(const QString& folder, TFolderUse& use, const TFamilyWalkHooks& hooks, std::vector<bool>& contested)
{
    const QByteArray path = FolderBytes(folder);
    DIR* dir = ::opendir(path.constData());
    if (!dir)
        return;
    const int fd = ::dirfd(dir);
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
            std::fill(contested.begin() + static_cast<std::ptrdiff_t>(k) + 1, contested.end(), true);
            // The first family that matches owns the file, searching or not.
            if (!searches || (state->Flat && (*nominal < state->Oldest)))
                break;
            const auto status = [&]() -> std::optional<TFileStatus> {
                TFileStatus s;
                if (!ReadFileStatus(fd, name, s))
                    return std::nullopt;
                return s;
            };
            error.clear();
            const TFamilyPass::TRecord record = state->Pass->Record(raw, *nominal, status, error);
            if (!error.isEmpty() && hooks.ReportFailure)
                hooks.ReportFailure(error);
            if (record == TFamilyPass::TRecord::NotUtf8 && hooks.ReportFailure)
                hooks.ReportFailure(QStringLiteral("not recorded, the file name is not valid UTF-8: %1")
                                        .arg(DecodePath(path + QByteArray(name))));
            break;
        }
    }
    ::closedir(dir);
}

// Lists the folder unless every family that searches it has it in its memo
// as unchanged, and tells them how the listing went.
void ListFolder(const QString& folder, TFolderUse& use, const TFamilyWalkHooks& hooks)
{
    const QByteArray path = FolderBytes(folder);
    const std::optional<TFolderStamp> stamp = TFolderStamp::Of(path);
    std::vector<TFamilyPass*> searching;
    for (const auto& [state, searches] : use.Families)
        if (searches)
            searching.push_back(state->Pass);
    if (stamp && std::all_of(searching.begin(), searching.end(),
                             [&](TFamilyPass* pass) { return pass->FolderUnchanged(path, *stamp); }))
        return;
    const int64_t startMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    for (TFamilyPass* pass : searching)
        pass->BeginFolder();
    int failures = 0;
    TFamilyWalkHooks counted = hooks;
    counted.ReportFailure = [&](const QString& message) {
        ++failures;
        if (hooks.ReportFailure)
            hooks.ReportFailure(message);
    };
    std::vector<bool> contested(use.Families.size(), false);
    ListAndRecord(folder, use, counted, contested);
    if (!stamp)
        return;
    for (size_t k = 0; k < use.Families.size(); ++k)
        if (use.Families[k].second)
            use.Families[k].first->Pass->FolderListed(path, *stamp, startMs, failures == 0 && !contested[k]);
}

}  // namespace

void WalkFamilies(const std::vector<TFamilyPass*>& families, const QString& dataFolder, TDateTime today, TDateTime now,
                  const TFamilyWalkHooks& hooks)
{
    const TDateTime firstDay = std::trunc(today);
    const int firstIndex = now - std::trunc(now) >= 0.5 ? 1 : 2;
    std::vector<TFamilyState> states;
    for (TFamilyPass* pass : families) {
        if (!pass->FolderProblem().isEmpty())
            continue;
        TFamilyState state;
        state.Pass = pass;
        state.Flat = !HasDayFields(pass->Family().Folder);
        state.Oldest = firstDay - (90 - firstIndex);
        // Days the ledger no longer keeps are not recorded again.
        if (const std::optional<int> keep = pass->Family().KeepDays)
            state.Oldest = std::max(state.Oldest, firstDay - (*keep - 1));
        states.push_back(state);
    }
    QString error;
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
                error.clear();
                if (state.Flat) {
                    searches = true;
                    state.Active = false;  // listed once for every day
                } else if (family.BuiltInCrm) {
                    searches = true;
                    state.Active = !state.Pass->CrmDayRecorded(day);
                } else if (family.Expect && family.Expect->Known()) {
                    searches = !state.Pass->DayComplete(day, error);
                    state.Active = searches;
                } else {
                    searches = true;
                    state.Active = !state.Pass->DayHoldsProducts(day, error);
                }
                if (!error.isEmpty() && hooks.ReportFailure)
                    hooks.ReportFailure(error);
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
            if (!use.Searched || !IsFolderPath(folder))
                continue;
            if (hooks.ShouldStop && hooks.ShouldStop())
                return;
            if (hooks.OnFolder)
                hooks.OnFolder();
            ListFolder(folder, use, hooks);
        }
        if (!anyActive)
            break;
    }
}

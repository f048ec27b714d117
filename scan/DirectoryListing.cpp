#include "scan/DirectoryListing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cstring>

namespace {

class TDirCloser
{
public:
    explicit TDirCloser(DIR* dir) : FDir(dir) {}
    ~TDirCloser() { if (FDir) closedir(FDir); }
    TDirCloser(const TDirCloser&) = delete;
    TDirCloser& operator=(const TDirCloser&) = delete;

private:
    DIR* FDir;
};

bool MatchesAny(const std::vector<TWildcard>& masks, const char* name, size_t length)
{
    for (const TWildcard& mask : masks)
        if (mask.Matches(name, length))
            return true;
    return false;
}

} // namespace

void ListFolder(const QByteArray& folder, const TListingRequest& request, std::vector<TListedEntry>& folders,
                std::vector<TListedEntry>& files)
{
    folders.clear();
    files.clear();
    const bool wantFiles = request.Files && request.Masks && !request.Masks->empty();
    if (!request.Folders && !wantFiles)
        return;
    DIR* dir = opendir(folder.constData());
    if (!dir)
        return;
    TDirCloser closer(dir);
    const int fd = dirfd(dir);
    while (const dirent* entry = readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        const bool hidden = name[0] == '.';
        const bool folderWanted = request.Folders && (!hidden || request.HiddenFolders);
        const bool fileWanted = wantFiles && (!hidden || request.HiddenFiles);
        if (!folderWanted && !fileWanted)
            continue;
        const unsigned char type = entry->d_type;
        // The entry type saves a stat for plain files and folders; links and
        // file systems without types need one to learn what the name leads to.
        if (type == DT_DIR) {
            if (folderWanted)
                folders.push_back({QByteArray(name), 0});
            continue;
        }
        const size_t length = strlen(name);
        const bool matches = fileWanted && MatchesAny(*request.Masks, name, length);
        const bool knownFile = type != DT_LNK && type != DT_UNKNOWN;
        if (!matches && (knownFile || !folderWanted))
            continue;
        struct stat st;
        if (fstatat(fd, name, &st, 0) != 0) {
            // A dangling link is a file without contents; a vanished entry is gone.
            if (fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            st.st_size = 0;
        }
        if (S_ISDIR(st.st_mode)) {
            if (folderWanted)
                folders.push_back({QByteArray(name, static_cast<qsizetype>(length)), 0});
        } else if (matches) {
            files.push_back({QByteArray(name, static_cast<qsizetype>(length)), static_cast<int64_t>(st.st_size)});
        }
    }
}

bool FolderIdentity(const QByteArray& path, TFolderId& id)
{
    struct stat st;
    if (stat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    id.Device = st.st_dev;
    id.Inode = st.st_ino;
    return true;
}

#include "scan/DirectoryListing.h"

#include "platform/PathDelim.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cstring>

namespace {

class TDirCloser
{
public:
    explicit TDirCloser(DIR* dir) : FDir(dir) {}
    ~TDirCloser()
    {
        if (FDir)
            closedir(FDir);
    }
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

TListedEntry Store(QByteArray& names, const char* name, size_t length, bool folder)
{
    TListedEntry entry;
    entry.NameAt = static_cast<uint32_t>(names.size());
    names.append(name, static_cast<qsizetype>(length));
    if (folder) {
        names.append(PathDelim);
        ++length;
        entry.Status.Kind = TFileStatus::TKind::Folder;
    }
    entry.NameLength = static_cast<uint32_t>(length);
    return entry;
}

}  // namespace

void ListFolder(const QByteArray& folder, const TListingRequest& request, TFolderListing& listing)
{
    listing.Names.clear();
    listing.Folders.clear();
    listing.Files.clear();
    const bool wantFiles = request.Files && request.Masks && !request.Masks->empty();
    if (!request.Folders && !wantFiles)
        return;
    DIR* dir = opendir(folder.constData());
    if (!dir)
        return;
    TDirCloser closer(dir);
    const int fd = dirfd(dir);
    listing.Names.reserve(4096);
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
        // The entry type saves a status call for plain files and folders;
        // links and file systems without types need one to learn what the
        // name leads to.
        const size_t length = strlen(name);
        if (type == DT_DIR) {
            if (folderWanted)
                listing.Folders.push_back(Store(listing.Names, name, length, true));
            continue;
        }
        const bool matches = fileWanted && MatchesAny(*request.Masks, name, length);
        const bool knownFile = type != DT_LNK && type != DT_UNKNOWN;
        if (!matches && (knownFile || !folderWanted))
            continue;
        TFileStatus status;
        if (!ReadFileStatus(fd, name, status))
            continue;
        if (status.Kind == TFileStatus::TKind::Folder) {
            if (folderWanted)
                listing.Folders.push_back(Store(listing.Names, name, length, true));
        } else if (matches) {
            TListedEntry file = Store(listing.Names, name, length, false);
            file.Status = status;
            listing.Files.push_back(file);
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

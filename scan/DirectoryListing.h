#pragma once
// One read of a folder for the tree scanner: its sub-folders and the files
// whose names match a mask, with the attribute rules of this platform
// (hidden = name starts with '.', directory = a folder after following links;
// nothing is a system file or a volume label).
//
// The cost is that of find(1): an entry whose type the listing gives and that
// is not wanted costs nothing more; each matching file costs one statx call,
// which gives its type, size and times at once; names go into one buffer per
// folder, so no entry costs an allocation of its own.
#include "platform/FileTimes.h"
#include "scan/Wildcard.h"

#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>
#include <sys/types.h>
#include <vector>

struct TListedEntry
{
    uint32_t NameAt = 0;      // where the name starts in TFolderListing::Names
    uint32_t NameLength = 0;  // folders: including the trailing PathDelim
    TFileStatus Status;       // files: type, size and times after following links
};

struct TFolderListing
{
    QByteArray Names;  // the file system's bytes of every name, one after another
    std::vector<TListedEntry> Folders;
    std::vector<TListedEntry> Files;

    // A file's name, or a folder's name followed by PathDelim.
    QByteArrayView Name(const TListedEntry& entry) const
    {
        return QByteArrayView(Names.constData() + entry.NameAt, entry.NameLength);
    }
};

struct TListingRequest
{
    bool Folders = false;        // gather the sub-folders
    bool HiddenFolders = false;  // ... also those whose name starts with '.'
    bool Files = false;          // gather the files matching one of Masks
    bool HiddenFiles = false;    // ... also those whose name starts with '.'
    const std::vector<TWildcard>* Masks = nullptr;
};

// Reads the folder once and fills both lists in directory order. A folder
// that does not exist or cannot be read lists as empty; the listing is closed
// before the function returns. A matching entry that is neither a folder nor
// a regular file (a FIFO, a socket, a device, a link that leads nowhere) is
// listed as a file with its kind, for the caller to judge.
void ListFolder(const QByteArray& folder, const TListingRequest& request, TFolderListing& listing);

struct TFolderId
{
    dev_t Device = 0;
    ino_t Inode = 0;
    bool operator==(const TFolderId&) const = default;
};

// Device and inode of a folder after following links; false when the path is
// not a folder that can be examined.
bool FolderIdentity(const QByteArray& path, TFolderId& id);

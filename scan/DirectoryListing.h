#pragma once
// One read of a folder for the tree scanner: its sub-folders and the files
// whose names match a mask, with the attribute rules of this platform
// (hidden = name starts with '.', directory = a folder after following links;
// nothing is a system file or a volume label).
#include "scan/Wildcard.h"

#include <QByteArray>
#include <cstdint>
#include <sys/types.h>
#include <vector>

struct TListedEntry
{
    QByteArray Name; // the file system's bytes, without a folder part
    int64_t Size;    // files: the size after following links; folders: 0
};

struct TListingRequest
{
    bool Folders = false;       // gather the sub-folders
    bool HiddenFolders = false; // ... also those whose name starts with '.'
    bool Files = false;         // gather the files matching one of Masks
    bool HiddenFiles = false;   // ... also those whose name starts with '.'
    const std::vector<TWildcard>* Masks = nullptr;
};

// Reads the folder once and fills both lists in directory order. A folder
// that does not exist or cannot be read lists as empty; the listing is closed
// before the function returns.
void ListFolder(const QByteArray& folder, const TListingRequest& request, std::vector<TListedEntry>& folders,
                std::vector<TListedEntry>& files);

struct TFolderId
{
    dev_t Device = 0;
    ino_t Inode = 0;
    bool operator==(const TFolderId&) const = default;
};

// Device and inode of a folder after following links; false when the path is
// not a folder that can be examined.
bool FolderIdentity(const QByteArray& path, TFolderId& id);

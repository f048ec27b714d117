#pragma once
// Files replaced whole: the new content goes to a temporary file beside the
// target, is flushed to the disk and then renamed over it, so a reader (or a
// crash) only ever sees the old file or the new one.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <functional>

#include <sys/stat.h>

// Writes every byte, retrying after interruptions; false with errno set.
bool WriteAllBytes(int fd, QByteArrayView bytes);

// The file a save replaces: the final target of a chain of symbolic links,
// under the rule the kernel's fs.protected_symlinks sets and the lock files
// keep: a symbolic link in a sticky folder that everyone may write (/tmp) is
// followed only when it belongs to the caller or to the folder's owner.
// Another user's link there is refused: false, and target is the refused
// link. Output files and the ledger are saved through it.
bool OutputTarget(const QByteArray& path, QByteArray& target);

// The folder part of a path: "." for a bare name, "/" for a file in the root.
QByteArray FolderOf(const QByteArray& path);

// The temporary files of target are named ".<name>.XXXXXX" in its folder (six
// letters or digits). Removes those that a killed save left behind: only
// regular files of exactly that pattern. Call it only while every other
// writer of target is held off (under its lock). The number removed.
int RemoveLeftoverTemporaries(const QByteArray& target);

// Replaces target by bytes through a temporary file in its folder, flushed
// to the disk before it takes target's place; the folder itself is synced
// once for a run of replaces in it, before another folder's file is replaced,
// at SyncPendingFolder and when the program ends. An existing file's permissions (and owner, where allowed) are kept; a new file
// gets 0666 less the umask. False with an errno value in code; the temporary
// file is removed then. written: the new file's status, when given.
bool ReplaceThroughTemporary(const QByteArray& target, const QByteArray& bytes, const struct stat* existing, int& code,
                             struct stat* written = nullptr);
// The same for content that write(fd) writes to the open temporary file, so
// that a large one need not be held whole: false from it (errno set) fails
// the replace.
bool ReplaceThroughTemporary(const QByteArray& target, const std::function<bool(int fd)>& write,
                             const struct stat* existing, int& code, struct stat* written = nullptr);

// Syncs the folder a run of replaces left unsynced, so that what was saved
// so far stays saved whatever happens next.
void SyncPendingFolder();

// A cache file (one the program can make again) replaced through a
// temporary file beside it, not flushed to the disk: a crash may leave it
// empty or cut short, never mixed. A link at target is replaced, not
// followed. False when it was not written.
bool ReplaceCacheFile(const QByteArray& target, const QByteArray& bytes);

// The whole save of an output file: links followed (as OutputTarget allows),
// permissions kept, the content replaced atomically. A path that names no regular file but a device
// or a pipe (/dev/stdout, /dev/null) is written directly instead, never
// replaced. The path's characters are file-system bytes (PathBytes.h). False
// with "cannot write <what> <path>: <reason>".
bool WriteFileAtomically(const QString& path, const QByteArray& bytes, const QString& what, QString& error);

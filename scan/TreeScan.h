#pragma once
// TTreeScanner walks one folder, and when Recursive its sub-folders depth first
// in sorted order, and reports every file whose name matches one of its masks.
// The walk runs in the calling (GUI) thread and lets pending window messages
// through at the start of every folder, so the window stays alive and a user
// action can stop the walk (ContinueSearch).
//
// Event order for a folder D: OnDirectoryFound(D), OnFileFound for each
// matching file of D in sorted order, then each sub-folder in sorted order,
// then OnDirectoryDone(D). OnSearchDone ends a walk that was not left by an
// exception.
//
// Inside the walk paths are the file system's bytes, so folders whose names
// are not valid UTF-8 are walked too; FileFound() gives the decoded path (see
// PathBytes.h: it encodes back to the same bytes) and FileFoundBytes() the
// exact bytes.
//
// A matching file costs one status call (statx), made while listing its
// folder, which gives its kind, size and times (FileStatus()); a file that
// does not match costs nothing beyond the folder listing. FileFound() is
// decoded only when asked for, so a handler that reads the bytes makes the
// walk allocate nothing per file.
#include "platform/SortedStringList.h"
#include "scan/DirectoryListing.h"
#include "platform/PathDelim.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

class TTreeScanner : public QObject
{
    Q_OBJECT

public:
    using TNotifyEvent = std::function<void(TTreeScanner*)>;

    // The owner destroys the scanner with itself (Qt parent-child ownership).
    explicit TTreeScanner(QObject* owner = nullptr);
    ~TTreeScanner() override;
    TTreeScanner(const TTreeScanner&) = delete;
    TTreeScanner& operator=(const TTreeScanner&) = delete;

    // Events: the argument is the scanner itself.
    void SetOnDirectoryFound(TNotifyEvent handler) { FOnDirectoryFound = std::move(handler); }
    void SetOnDirectoryDone(TNotifyEvent handler) { FOnDirectoryDone = std::move(handler); }
    void SetOnSearchDone(TNotifyEvent handler) { FOnSearchDone = std::move(handler); }
    void SetOnFileFound(TNotifyEvent handler) { FOnFileFound = std::move(handler); }
    const TNotifyEvent& OnDirectoryFound() const { return FOnDirectoryFound; }
    const TNotifyEvent& OnDirectoryDone() const { return FOnDirectoryDone; }
    const TNotifyEvent& OnSearchDone() const { return FOnSearchDone; }
    const TNotifyEvent& OnFileFound() const { return FOnFileFound; }

    // The path the current event is about (folders end with PathDelim).
    const QString& FileFound() const;
    // The same path as the file system's bytes, exactly as walked.
    const QByteArray& FileFoundBytes() const { return FFileFoundBytes; }
    // Size of the file of the current OnFileFound: the low 32 bits, signed.
    int32_t FileSize() const { return FFileSize; }
    // Kind, full size and times of the file of the current OnFileFound, links
    // followed; a FIFO, socket or device that matches a mask is reported too,
    // with its kind. For folder events: Folder, size 0.
    const TFileStatus& FileStatus() const { return FFileStatus; }
    bool SearchInProgress() const { return FSearchInProgress; }

    // Empty means the process's current folder; Search stores the value with a
    // trailing delimiter.
    const QString& InitialDirectory() const { return FInitialDirectory; }
    void SetInitialDirectory(const QString& value) { FInitialDirectory = value; }

    // The first mask, or empty. Writing replaces the list by exactly this one
    // entry, commas and spaces included. Ignored during a search.
    QString FileMask() const;
    void SetFileMask(const QString& value);
    // The whole mask list as comma text. Ignored during a search.
    QString FileMaskCommaText() const;
    void SetFileMaskCommaText(const QString& value);
    // The mask list in its sorted order.
    QStringList FileMasks() const { return FMasks.ToStringList(); }

    bool Recursive() const { return FRecursive; }
    void SetRecursive(bool value) { FRecursive = value; }
    bool FindHiddenFiles() const { return FFindHiddenFiles; }
    void SetFindHiddenFiles(bool value) { FFindHiddenFiles = value; }
    bool FindHiddenFolders() const { return FFindHiddenFolders; }
    void SetFindHiddenFolders(bool value) { FFindHiddenFolders = value; }
    // Read at the start of every folder; False stops the walk.
    bool ContinueSearch() const { return FContinueSearch; }
    void SetContinueSearch(bool value) { FContinueSearch = value; }
    // Reset before each OnDirectoryFound; True there skips that folder's files.
    bool SkipFiles() const { return FSkipFiles; }
    void SetSkipFiles(bool value) { FSkipFiles = value; }

    // One complete walk from InitialDirectory. An exception from a handler
    // leaves it (OnSearchDone does not fire) with SearchInProgress restored.
    void Search();

private:
    struct TFrame
    {
        QByteArray Folder;
        std::vector<QByteArray> SubFolders;  // full paths ending with PathDelim
        size_t Next = 0;
        TFolderId Id;
        bool HasId = false;
    };

    void Walk(const QByteArray& root);
    // Opens folder D: its OnDirectoryFound, listing and file events; on
    // success D goes onto the path with its sub-folder list.
    void EnterFolder(const QByteArray& folder, std::vector<TFrame>& path);
    void SetFound(const QByteArray& path);
    void SetFound(const QByteArray& folder, QByteArrayView name);
    void Fire(const TNotifyEvent& event);
    void CompileMasks();

    TNotifyEvent FOnDirectoryFound;
    TNotifyEvent FOnDirectoryDone;
    TNotifyEvent FOnSearchDone;
    TNotifyEvent FOnFileFound;
    mutable QString FFileFound;
    mutable bool FFileFoundDecoded = true;
    QByteArray FFileFoundBytes;
    int32_t FFileSize = 0;
    TFileStatus FFileStatus;
    bool FSearchInProgress = false;
    QString FInitialDirectory;
    TSortedStringList FMasks{TSortedStringList::TDuplicates::IgnoreCase};
    bool FRecursive = true;
    bool FFindHiddenFiles = false;
    bool FFindHiddenFolders = false;
    bool FContinueSearch = false;
    bool FSkipFiles = false;
    // The masks compiled for matching; rebuilt whenever the list changes.
    std::vector<TWildcard> FCompiledMasks;
};

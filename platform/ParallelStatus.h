#pragma once
// The status (ReadFileStatus) of many entries of one folder, read on two
// threads: the caller's and a helper thread that the reader keeps for all
// its batches. Reading a status is a system call that waits for the file
// system, so a first walk of a large tree spends most of its time in them;
// on two cores the helper reads the statuses of the entries given so far
// while the caller goes on judging names, and the caller uses what it has.
//
// The caller takes the statuses in its own order, and gets exactly what one
// ReadFileStatus call per entry gives; whichever thread reads an entry, the
// results do not depend on the helper's pace. The caller reads itself
// whatever the helper has not claimed yet, so a busy or slow helper only
// costs the speed-up. Signals are never delivered to the helper, whose
// system calls they would interrupt.
#include "platform/FileTimes.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <pthread.h>

class TParallelStatus
{
public:
    TParallelStatus() = default;
    // Waits for the helper to leave the batch, and ends it.
    ~TParallelStatus();
    TParallelStatus(const TParallelStatus&) = delete;
    TParallelStatus& operator=(const TParallelStatus&) = delete;

    // Starts a batch of at most `capacity` entries of the open folder folderFd.
    void Begin(int folderFd, size_t capacity);
    // Adds the batch's next entry; the name (NUL-terminated) must stay until
    // Finish. Entries are read in groups: a batch too small to gain from a
    // second thread is read by the caller alone, as it asks.
    void Add(const char* name);
    // The status of the batch's entry `index` (counted from 0 in the order
    // added), read by now: nothing when the entry cannot be examined (it has
    // gone). Every entry is added before the first status is asked.
    const std::optional<TFileStatus>& Status(size_t index);
    // Ends the batch: once it returns, the helper touches none of it.
    void Finish();

private:
    // Entries per claim: enough that claiming costs little, few enough that
    // the caller seldom waits for a claim the helper is in the middle of.
    static constexpr size_t ChunkSize = 32;
    // The helper is called in once this many groups are given.
    static constexpr size_t SharedFromChunks = 4;

    // Makes the first `chunks` chunks claimable; `closed`: every entry is added.
    void Publish(size_t chunks, bool closed);
    // Claims the next claimable chunk and reads it; false when none is.
    bool ReadNextChunk();
    void Help();
    static void* HelpThread(void* self);

    int FFolderFd = -1;
    size_t FRoom = 0;  // entries the arrays hold; they never move during a batch
    std::unique_ptr<const char*[]> FNames;
    std::unique_ptr<std::optional<TFileStatus>[]> FResults;
    std::unique_ptr<std::atomic<bool>[]> FChunkDone;
    std::atomic<size_t> FCount{0};      // entries added
    std::atomic<size_t> FPublished{0};  // claimable chunks times 2, plus 1 once closed
    std::atomic<size_t> FNextChunk{0};  // the next chunk to claim
    bool FShared = false;               // the helper was called in for the batch

    // The hand-over of a batch to the helper.
    std::mutex FMutex;
    std::condition_variable FWake;
    bool FOffered = false;   // a batch waits for the helper
    bool FHelping = false;   // the helper works on the batch
    bool FQuitting = false;  // the helper is to end
    // Started with the first shared batch. It allocates nothing, so that it
    // gets no memory arena of its own (64 MB of address space, kept by the
    // process and by any child it forks).
    pthread_t FHelper{};
    bool FHelperStarted = false;
};

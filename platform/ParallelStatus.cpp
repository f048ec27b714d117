#include "platform/ParallelStatus.h"

#include <algorithm>
#include <climits>
#include <csignal>
#include <pthread.h>

TParallelStatus::~TParallelStatus()
{
    Finish();
    if (!FHelperStarted)
        return;
    {
        std::lock_guard lock(FMutex);
        FQuitting = true;
    }
    FWake.notify_all();
    ::pthread_join(FHelper, nullptr);
}

void TParallelStatus::Begin(int folderFd, size_t capacity)
{
    Finish();
    FFolderFd = folderFd;
    if (capacity > FRoom) {
        FRoom = capacity;
        FNames = std::make_unique<const char*[]>(FRoom);
        FResults = std::make_unique<std::optional<TFileStatus>[]>(FRoom);
        FChunkDone = std::make_unique<std::atomic<bool>[]>(FRoom / ChunkSize + 1);
    }
    FCount.store(0, std::memory_order_relaxed);
    FPublished.store(0, std::memory_order_relaxed);
    FNextChunk.store(0, std::memory_order_relaxed);
    FShared = false;
}

void TParallelStatus::Add(const char* name)
{
    const size_t index = FCount.load(std::memory_order_relaxed);
    FNames[index] = name;
    FResults[index].reset();
    if (index % ChunkSize == 0)
        FChunkDone[index / ChunkSize].store(false, std::memory_order_relaxed);
    FCount.store(index + 1, std::memory_order_relaxed);
    if ((index + 1) % ChunkSize == 0)
        Publish((index + 1) / ChunkSize, false);
}

void TParallelStatus::Publish(size_t chunks, bool closed)
{
    // Release: the names of the chunks are seen by whoever claims them.
    FPublished.store(chunks * 2 + (closed ? 1 : 0), std::memory_order_release);
    if (chunks >= SharedFromChunks && !FShared) {
        FShared = true;
        if (!FHelperStarted) {
            // The helper starts with every signal blocked (it inherits the
            // mask), so that signals go to the threads that wait for them.
            sigset_t all, previous;
            sigfillset(&all);
            pthread_sigmask(SIG_BLOCK, &all, &previous);
            // No std::thread: it frees its start state on the new thread.
            FHelperStarted = ::pthread_create(&FHelper, nullptr, &TParallelStatus::HelpThread, this) == 0;
            pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        }
        {
            std::lock_guard lock(FMutex);
            FOffered = true;
        }
        FWake.notify_all();
    }
    FPublished.notify_all();
}

bool TParallelStatus::ReadNextChunk()
{
    size_t chunk = FNextChunk.load(std::memory_order_relaxed);
    do {
        if (chunk >= FPublished.load(std::memory_order_acquire) / 2)
            return false;
    } while (!FNextChunk.compare_exchange_weak(chunk, chunk + 1, std::memory_order_relaxed));
    const size_t end = std::min(FCount.load(std::memory_order_relaxed), (chunk + 1) * ChunkSize);
    for (size_t i = chunk * ChunkSize; i < end; ++i) {
        TFileStatus status;
        if (ReadFileStatus(FFolderFd, FNames[i], status))
            FResults[i] = status;
    }
    FChunkDone[chunk].store(true, std::memory_order_release);
    FChunkDone[chunk].notify_all();
    return true;
}

const std::optional<TFileStatus>& TParallelStatus::Status(size_t index)
{
    const size_t published = FPublished.load(std::memory_order_relaxed);
    if (published % 2 == 0) {
        const size_t count = FCount.load(std::memory_order_relaxed);
        Publish((count + ChunkSize - 1) / ChunkSize, true);
    }
    const size_t chunk = index / ChunkSize;
    // While the wanted chunk is not read, the caller reads the next
    // unclaimed one, which comes at most as late; once every chunk is
    // claimed, the helper is reading it.
    while (!FChunkDone[chunk].load(std::memory_order_acquire))
        if (!ReadNextChunk())
            FChunkDone[chunk].wait(false, std::memory_order_acquire);
    return FResults[index];
}

void TParallelStatus::Finish()
{
    // No chunk is claimed any more; a batch the helper has not taken is taken
    // back, and the chunk it reads is waited for.
    FNextChunk.store(SIZE_MAX / 2, std::memory_order_relaxed);
    FPublished.store(1, std::memory_order_release);
    FPublished.notify_all();
    std::unique_lock lock(FMutex);
    FOffered = false;
    FWake.wait(lock, [this] { return !FHelping; });
}

void* TParallelStatus::HelpThread(void* self)
{
    static_cast<TParallelStatus*>(self)->Help();
    return nullptr;
}

void TParallelStatus::Help()
{
    std::unique_lock lock(FMutex);
    for (;;) {
        FWake.wait(lock, [this] { return FOffered || FQuitting; });
        if (FQuitting)
            return;
        FOffered = false;
        FHelping = true;
        lock.unlock();
        for (;;) {
            if (ReadNextChunk())
                continue;
            // Nothing to claim: the batch is over once it is closed, else
            // more chunks are waited for.
            const size_t published = FPublished.load(std::memory_order_acquire);
            if (published % 2 == 1)
                break;
            if (FNextChunk.load(std::memory_order_relaxed) < published / 2)
                continue;
            FPublished.wait(published, std::memory_order_acquire);
        }
        lock.lock();
        FHelping = false;
        FWake.notify_all();
    }
}

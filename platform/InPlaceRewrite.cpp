#include "platform/InPlaceRewrite.h"

#include "platform/TextFile.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Two NULs: no UTF-16 text holds them at either alignment (U+0000, or a NUL
// at both an even and an odd position), so a HEAD cut short after any of its
// bytes never makes the old content look like UTF-16.
const QByteArray Head = QByteArrayLiteral("\0\0LAGWATCH-REWRITE-HEAD\0");
const QByteArray TailMark = QByteArrayLiteral("\0LAGWATCH-REWRITE-TAIL ");
// TailMark, four fields of 16 hex digits separated by spaces, a NUL.
const qsizetype TailSize = 23 + 4 * 16 + 3 + 1;

uint64_t Hash(const char* data, qsizetype size)
{
    uint64_t h = 14695981039346656037ull;  // FNV-1a, 64 bits
    for (qsizetype i = 0; i < size; ++i) {
        h ^= static_cast<unsigned char>(data[i]);
        h *= 1099511628211ull;
    }
    return h;
}

QByteArray Tail(uint64_t n, uint64_t q, uint64_t m, uint64_t hash)
{
    char fields[80];
    std::snprintf(fields, sizeof fields, "%016" PRIx64 " %016" PRIx64 " %016" PRIx64 " %016" PRIx64, n, q, m, hash);
    QByteArray tail = TailMark + QByteArray(fields) + QByteArray(1, '\0');
    return tail;
}

bool ParseHex(const char* p, uint64_t& value)
{
    value = 0;
    for (int i = 0; i < 16; ++i) {
        const char c = p[i];
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = unsigned(c - '0');
        else if (c >= 'a' && c <= 'f')
            digit = unsigned(c - 'a' + 10);
        else
            return false;
        value = (value << 4) | digit;
    }
    return true;
}

// The committed new content when physical ends with a valid tail.
bool CommittedContent(const QByteArray& physical, QByteArray& content)
{
    const qsizetype size = physical.size();
    if (size < TailSize)
        return false;
    const char* tail = physical.constData() + size - TailSize;
    if (QByteArrayView(tail, TailMark.size()) != TailMark || tail[TailSize - 1] != '\0')
        return false;
    uint64_t n = 0, q = 0, m = 0, hash = 0;
    const char* f = tail + TailMark.size();
    if (!ParseHex(f, n) || f[16] != ' ' || !ParseHex(f + 17, q) || f[33] != ' ' || !ParseHex(f + 34, m) ||
        f[50] != ' ' || !ParseHex(f + 51, hash))
        return false;
    const uint64_t body = static_cast<uint64_t>(size - TailSize);
    if (q > body || m != body - q || n > q)
        return false;
    if (Hash(physical.constData() + q, static_cast<qsizetype>(m)) != hash)
        return false;
    content = physical.mid(static_cast<qsizetype>(q), static_cast<qsizetype>(m));
    return true;
}

bool WriteAt(int fd, const char* data, qsizetype size, off_t offset)
{
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, data, static_cast<size_t>(size), offset);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= n;
        offset += n;
    }
    return true;
}

bool Cut(int fd, qsizetype size)
{
    while (::ftruncate(fd, static_cast<off_t>(size)) != 0)
        if (errno != EINTR)
            return false;
    return true;
}

// Puts content at the front and cuts the file after it.
bool WriteFront(int fd, const QByteArray& content)
{
    return WriteAt(fd, content.constData(), content.size(), 0) && ::fdatasync(fd) == 0 && Cut(fd, content.size()) &&
           ::fsync(fd) == 0;
}

// A UTF-16 text may end with a NUL byte of its own (the high byte of its
// last character); the first bytes of HEAD are then no journal.
bool IsUtf16(const QByteArray& bytes)
{
    switch (DetectTextEncoding(bytes)) {
    case TTextEncoding::Utf16LeMark:
    case TTextEncoding::Utf16BeMark:
    case TTextEncoding::Utf16Le:
    case TTextEncoding::Utf16Be:
        return true;
    default:
        return false;
    }
}

} // namespace

QByteArray RewriteJournal(qsizetype oldSize, const QByteArray& content)
{
    const qsizetype n = oldSize;
    const qsizetype m = content.size();
    // The copy starts past both the old content and the new one's end, so
    // the copy to the front never overwrites it.
    const qsizetype q = std::max(n + Head.size(), m);
    QByteArray journal;
    journal.reserve(q - n + m + TailSize);
    journal += Head;
    journal += QByteArray(q - n - Head.size(), '\0');
    journal += content;
    journal += Tail(uint64_t(n), uint64_t(q), uint64_t(m), Hash(content.constData(), m));
    return journal;
}

TRewriteView ResolveRewrite(const QByteArray& physical)
{
    TRewriteView view;
    if (CommittedContent(physical, view.Content)) {
        view.State = TRewriteState::Committed;
        return view;
    }
    const qsizetype head = physical.indexOf(Head);
    if (head >= 0) {
        view.Content = physical.left(head);
        view.State = TRewriteState::Interrupted;
        return view;
    }
    for (qsizetype k = std::min(Head.size() - 1, physical.size()); k > 0; --k) {
        if (physical.endsWith(QByteArrayView(Head.constData(), k)) && !IsUtf16(physical)) {
            view.Content = physical.left(physical.size() - k);
            view.State = TRewriteState::Interrupted;
            return view;
        }
    }
    view.Content = physical;
    return view;
}

bool RewriteInPlace(int fd, const QByteArray& physical, const QByteArray& content, int& code, bool* committed)
{
    if (committed)
        *committed = false;
    // First the journal of an earlier rewrite that was cut short: finished
    // when it was committed, removed when not.
    const TRewriteView before = ResolveRewrite(physical);
    const QByteArray& old = before.Content;
    if (before.State == TRewriteState::Committed && !WriteFront(fd, old)) {
        code = errno;
        return false;
    }
    if (before.State == TRewriteState::Interrupted && (!Cut(fd, old.size()) || ::fsync(fd) != 0)) {
        code = errno;
        return false;
    }

    const qsizetype n = old.size();
    auto undo = [&] {
        code = errno;
        Cut(fd, n);
        ::fsync(fd);
        return false;
    };
    QByteArray journal = RewriteJournal(n, content);
    // The whole journal's space, before anything is written; a file system
    // that cannot reserve still meets a full disk while the journal is
    // written, and the journal is then cut off again.
    if (::fallocate(fd, FALLOC_FL_KEEP_SIZE, static_cast<off_t>(n), static_cast<off_t>(journal.size())) != 0 &&
        errno != EOPNOTSUPP && errno != ENOSYS && errno != EINVAL)
        return undo();
    // The tail goes last, once the rest is on the disk: a tail is never seen
    // before the copy it vouches for.
    const qsizetype body = journal.size() - TailSize;
    if (!WriteAt(fd, journal.constData(), body, static_cast<off_t>(n)) || ::fdatasync(fd) != 0)
        return undo();
    if (!WriteAt(fd, journal.constData() + body, TailSize, static_cast<off_t>(n + body)) || ::fsync(fd) != 0)
        return undo();
    journal = QByteArray();
    // Committed: from here on the file reads as the new content.
    if (committed)
        *committed = true;
    if (!WriteFront(fd, content)) {
        code = errno;
        return false;
    }
    return true;
}

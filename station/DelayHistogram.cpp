#include "station/DelayHistogram.h"

#include "platform/AtomicFile.h"
#include "platform/PathBytes.h"

#include <QList>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

constexpr char Heading[] = "lagwatch delay histogram 1";

QString Reason(int code) { return QString::fromLocal8Bit(std::strerror(code)); }

// A whole decimal number without a sign.
bool ParseCount(QByteArrayView text, uint64_t& value)
{
    const auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.isEmpty() && problem == std::errc() && end == text.data() + text.size();
}

QByteArray BoundText(size_t bucket)
{
    return bucket < DelayBucketBounds.size() ? QByteArray::number(DelayBucketBounds[bucket]) : QByteArray("+Inf");
}

class TDescriptor
{
public:
    explicit TDescriptor(int fd) : FFd(fd) {}
    ~TDescriptor()
    {
        if (FFd >= 0)
            ::close(FFd);
    }
    TDescriptor(const TDescriptor&) = delete;
    TDescriptor& operator=(const TDescriptor&) = delete;
    int& Ref() { return FFd; }

private:
    int FFd;
};

// The whole file; false with an errno value in code.
bool ReadWhole(const QByteArray& path, QByteArray& bytes, int& code)
{
    TDescriptor fd(::open(path.constData(), O_RDONLY | O_CLOEXEC));
    if (fd.Ref() < 0) {
        code = errno;
        return false;
    }
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd.Ref(), buffer, sizeof buffer);
        if (n == 0)
            return true;
        if (n < 0 && errno != EINTR) {
            code = errno;
            return false;
        }
        if (n > 0)
            bytes.append(buffer, n);
    }
}

}  // namespace

void TDelayHistogram::Observe(int64_t seconds)
{
    const auto bound = std::lower_bound(DelayBucketBounds.begin(), DelayBucketBounds.end(), seconds);
    ++Buckets[static_cast<size_t>(bound - DelayBucketBounds.begin())];
    ++Count;
    SumSeconds += static_cast<uint64_t>(seconds);
}

bool SlotCountsNow(int before, int after, int keptFilesPerSlot, int filesPerSlot)
{
    return before < (keptFilesPerSlot > 0 ? keptFilesPerSlot : filesPerSlot) && after >= filesPerSlot;
}

QByteArray EncodeDelayHistogram(const TDelayHistogram& histogram)
{
    QByteArray text = QByteArray(Heading) + "\nfiles-per-slot " + QByteArray::number(histogram.FilesPerSlot) +
                      "\nsum " + QByteArray::number(histogram.SumSeconds) + '\n';
    for (size_t i = 0; i < histogram.Buckets.size(); ++i)
        text += "le " + BoundText(i) + ' ' + QByteArray::number(histogram.Buckets[i]) + '\n';
    return text;
}

std::optional<TDelayHistogram> DecodeDelayHistogram(QByteArrayView text)
{
    QList<QByteArrayView> lines;
    for (qsizetype from = 0; from < text.size();) {
        const qsizetype end = text.indexOf('\n', from);
        if (end < 0)
            return std::nullopt;  // cut short
        lines.append(text.sliced(from, end - from));
        from = end + 1;
    }
    TDelayHistogram histogram;
    if (lines.size() != static_cast<qsizetype>(3 + histogram.Buckets.size()) || lines[0] != Heading)
        return std::nullopt;
    uint64_t value = 0;
    if (!lines[1].startsWith("files-per-slot ") || !ParseCount(lines[1].sliced(15), value) || value > INT32_MAX)
        return std::nullopt;
    histogram.FilesPerSlot = static_cast<int>(value);
    if (!lines[2].startsWith("sum ") || !ParseCount(lines[2].sliced(4), histogram.SumSeconds))
        return std::nullopt;
    for (size_t i = 0; i < histogram.Buckets.size(); ++i) {
        const QByteArray prefix = "le " + BoundText(i) + ' ';
        const QByteArrayView line = lines[static_cast<qsizetype>(3 + i)];
        if (!line.startsWith(prefix) || !ParseCount(line.sliced(prefix.size()), histogram.Buckets[i]))
            return std::nullopt;
        histogram.Count += histogram.Buckets[i];
    }
    return histogram;
}

QString DelayHistogramFile(const QString& ledger)
{
    if (ledger.endsWith(QLatin1Char('/')))
        return ledger + QStringLiteral("delays.txt");
    const QString stem = ledger.endsWith(QLatin1String(".txt")) ? ledger.chopped(4) : ledger;
    return stem + QStringLiteral("-delays.txt");
}

bool ReadDelayHistogramFile(const QString& path, TDelayHistogram& histogram, QString& error)
{
    histogram = TDelayHistogram();
    QByteArray bytes;
    int code = 0;
    if (!ReadWhole(EncodePath(path), bytes, code)) {
        if (code == ENOENT)
            return true;
        error = QStringLiteral("cannot read the delay histogram %1: %2").arg(path, Reason(code));
        return false;
    }
    if (std::optional<TDelayHistogram> kept = DecodeDelayHistogram(bytes)) {
        histogram = *kept;
        return true;
    }
    error = QStringLiteral("the delay histogram %1 is damaged").arg(path);
    return false;
}

bool UpdateDelayHistogramFile(const QString& path, const TLockWait& wait,
                              const std::function<void(TDelayHistogram&)>& change, TDelayHistogram& kept,
                              QString& error)
{
    auto fail = [&](const QString& reason) {
        error = QStringLiteral("cannot keep the delay histogram %1: %2").arg(path, reason);
        return false;
    };
    QByteArray target;
    if (!OutputTarget(EncodePath(path), target))
        return fail(QStringLiteral("%1 is another user's symbolic link in a shared folder; refusing it")
                        .arg(DecodePath(target)));
    struct stat existing
    {};
    bool exists = ::stat(target.constData(), &existing) == 0 && S_ISREG(existing.st_mode);

    const QByteArray lockPath = target + ".lock";
    int code = 0;
    TDescriptor lock(-1);
    switch (OpenLockFile(lockPath, exists ? &existing : nullptr, lock.Ref(), code)) {
    case TLockFileOpen::Refused:
        return fail(QStringLiteral("the lock file %1 is no regular file; refusing it").arg(DecodePath(lockPath)));
    case TLockFileOpen::Unusable:
        return fail(QStringLiteral("the lock file %1: %2").arg(DecodePath(lockPath), Reason(code)));
    case TLockFileOpen::Opened:
        break;
    }
    TLockDeadline deadline(wait);
    code = LockOpenFile(lock.Ref(), lockPath, LOCK_EX, deadline);
    if (code == EWOULDBLOCK)
        return fail(QStringLiteral("another process held its lock for %1 s").arg(deadline.LimitSeconds()));
    if (code != 0)
        return fail(QStringLiteral("cannot lock it: %1").arg(Reason(code)));
    // Nobody else writes it now; another run may have replaced it meanwhile.
    RemoveLeftoverTemporaries(target);
    exists = ::stat(target.constData(), &existing) == 0 && S_ISREG(existing.st_mode);

    TDelayHistogram histogram;
    QByteArray before;
    QString note;
    if (exists) {
        if (!ReadWhole(target, before, code))
            return fail(Reason(code));
        if (std::optional<TDelayHistogram> decoded = DecodeDelayHistogram(before))
            histogram = *decoded;
        else
            note = QStringLiteral("the delay histogram %1 was damaged; its counts start again from zero").arg(path);
    }
    change(histogram);
    const QByteArray bytes = EncodeDelayHistogram(histogram);
    if (!exists || bytes != before) {
        struct stat written
        {};
        if (!ReplaceThroughTemporary(target, bytes, exists ? &existing : nullptr, code, &written))
            return fail(Reason(code));
    }
    kept = histogram;
    error = note;
    return true;
}

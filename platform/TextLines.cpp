#include "platform/TextLines.h"

#include "platform/TextFile.h"

#include <cstring>

namespace {

bool HasByteOrderMark(const QByteArray& bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    return (n >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) ||
           (n >= 2 && ((p[0] == 0xFF && p[1] == 0xFE) || (p[0] == 0xFE && p[1] == 0xFF)));
}

// A line that can stay in place: valid UTF-8 (with a quick pass for the
// pure ASCII that ledgers are), and not starting with a byte-order mark,
// which DecodeTextLines drops from a line.
bool IsUtf8Line(const char* data, qsizetype size)
{
    if (size >= 3 && static_cast<unsigned char>(data[0]) == 0xEF && static_cast<unsigned char>(data[1]) == 0xBB &&
        static_cast<unsigned char>(data[2]) == 0xBF)
        return false;
    qsizetype i = 0;
    for (; i + 8 <= size; i += 8) {
        uint64_t word;
        std::memcpy(&word, data + i, 8);
        if (word & 0x8080808080808080ull)
            return IsValidUtf8(data + i, size - i);
    }
    for (; i < size; ++i)
        if (static_cast<unsigned char>(data[i]) >= 0x80)
            return IsValidUtf8(data + i, size - i);
    return true;
}

// The lines of plain text: each ends at CR LF, CR or LF; the empty ones count,
// and so does a last line without a line end.
template <typename OnLine>
void SplitPlain(const QByteArray& bytes, OnLine onLine)
{
    const char* data = bytes.constData();
    const qsizetype size = bytes.size();
    qsizetype start = 0;
    while (start < size) {
        // The next LF, and a CR before it if there is one: the line ends at
        // whichever comes first.
        const auto* lf = static_cast<const char*>(std::memchr(data + start, '\n', static_cast<size_t>(size - start)));
        const qsizetype lineFeed = lf ? lf - data : size;
        const auto* cr =
            static_cast<const char*>(std::memchr(data + start, '\r', static_cast<size_t>(lineFeed - start)));
        const qsizetype end = cr ? cr - data : lineFeed;
        onLine(start, end - start);
        if (end >= size)
            return;
        start = end + 1;
        if (data[end] == '\r' && start < size && data[start] == '\n')
            ++start;
    }
}

// The number of lines, near enough to reserve room (lone CRs are not counted).
// A line that cannot stay in place, as DecodeTextLines reads it: UTF-8 when
// valid (a byte-order mark at its start dropped), Latin-1 otherwise.
QByteArray ConvertedLine(const char* data, qsizetype size)
{
    return (IsValidUtf8(data, size) ? QString::fromUtf8(data, size) : QString::fromLatin1(data, size)).toUtf8();
}

qsizetype CountLineFeeds(const QByteArray& bytes)
{
    qsizetype count = 1;
    if (bytes.isEmpty())
        return count;
    const char* p = bytes.constData();
    const char* end = p + bytes.size();
    while (p < end && (p = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p))))) {
        ++count;
        ++p;
    }
    return count;
}

}  // namespace

bool IsPlainText(const QByteArray& bytes)
{
    return !HasByteOrderMark(bytes) &&
           (bytes.isEmpty() || std::memchr(bytes.constData(), 0, static_cast<size_t>(bytes.size())) == nullptr);
}

void ForEachTextLineUtf8(const QByteArray& bytes, const std::function<void(QByteArrayView line)>& onLine)
{
    if (!IsPlainText(bytes)) {
        for (const QString& line : DecodeTextLines(bytes))
            onLine(line.toUtf8());
        return;
    }
    const char* data = bytes.constData();
    SplitPlain(bytes, [&](qsizetype at, qsizetype n) {
        if (IsUtf8Line(data + at, n))
            onLine(QByteArrayView(data + at, n));
        else
            onLine(ConvertedLine(data + at, n));
    });
}

void AssignTextLines(TSortedStringList& list, QByteArray bytes)
{
    if (!IsPlainText(bytes)) {
        list.Assign(DecodeTextLines(bytes));
        return;
    }
    const qsizetype expected = CountLineFeeds(bytes);
    list.BeginAssign(bytes, expected);
    const char* data = bytes.constData();
    SplitPlain(bytes, [&](qsizetype at, qsizetype n) {
        if (IsUtf8Line(data + at, n))
            list.AppendStored(at, n);
        else
            list.AppendUtf8(ConvertedLine(data + at, n));
    });
    list.EndAssign();
}

#include "platform/PathBytes.h"

#include "platform/TextFile.h"

#include <sys/stat.h>

namespace {

const char16_t EscapeBase = 0xDC00;

// Length of the valid UTF-8 sequence that starts at p[i], or 0.
qsizetype ValidSequenceLength(const char* p, qsizetype i, qsizetype size)
{
    const auto lead = static_cast<unsigned char>(p[i]);
    const qsizetype length = lead < 0x80             ? 1
                             : (lead & 0xE0) == 0xC0 ? 2
                             : (lead & 0xF0) == 0xE0 ? 3
                             : (lead & 0xF8) == 0xF0 ? 4
                                                     : 0;
    if (length == 0 || i + length > size || !IsValidUtf8(p + i, length))
        return 0;
    return length;
}

bool IsEscapedByte(char16_t u) { return u >= EscapeBase + 0x80 && u <= EscapeBase + 0xFF; }

}  // namespace

QString DecodePath(const QByteArray& bytes)
{
    const char* p = bytes.constData();
    const qsizetype size = bytes.size();
    if (IsValidUtf8(p, size))
        return QString::fromUtf8(bytes);
    QString out;
    qsizetype run = 0;  // start of the current valid run
    qsizetype i = 0;
    while (i < size) {
        const qsizetype length = ValidSequenceLength(p, i, size);
        if (length > 0) {
            i += length;
            continue;
        }
        out += QString::fromUtf8(p + run, i - run);
        out += QChar(char16_t(EscapeBase + static_cast<unsigned char>(p[i])));
        run = ++i;
    }
    out += QString::fromUtf8(p + run, size - run);
    return out;
}

QByteArray EncodePath(const QString& path)
{
    QByteArray out;
    qsizetype run = 0;
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char16_t u = path[i].unicode();
        // A lone low surrogate; a genuine pair starts with a high one.
        if (!IsEscapedByte(u) || (i > 0 && path[i - 1].isHighSurrogate()))
            continue;
        out += QStringView(path).mid(run, i - run).toUtf8();
        out += static_cast<char>(u - EscapeBase);
        run = i + 1;
    }
    out += QStringView(path).mid(run).toUtf8();
    return out;
}

bool IsFolderPath(const QString& path)
{
    struct stat info;
    const QByteArray native = path.isEmpty() ? QByteArray(".") : EncodePath(path);
    return ::stat(native.constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

#include "platform/TextFile.h"

#include <cstring>

namespace {

bool StartsWith(const QByteArray& bytes, std::initializer_list<unsigned char> mark)
{
    if (bytes.size() < static_cast<qsizetype>(mark.size()))
        return false;
    qsizetype i = 0;
    for (unsigned char b : mark)
        if (static_cast<unsigned char>(bytes[i++]) != b)
            return false;
    return true;
}

// Control characters a text file may hold: TAB, LF, VT, FF and CR.
bool IsTextControl(unsigned c) { return c == 0x09 || c == 0x0A || c == 0x0B || c == 0x0C || c == 0x0D; }

char16_t Utf16Unit(const unsigned char* p, qsizetype i, bool little)
{
    return little ? char16_t(p[2 * i] | (p[2 * i + 1] << 8)) : char16_t((p[2 * i] << 8) | p[2 * i + 1]);
}

QString Utf16Text(const unsigned char* p, qsizetype units, bool little)
{
    QString text(units, Qt::Uninitialized);
    for (qsizetype i = 0; i < units; ++i)
        text[i] = QChar(Utf16Unit(p, i, little));
    return text;
}

// Surrogates in pairs, no U+0000, no control character a text does not have,
// no non-character U+FFFE (a mark of the other byte order) or U+FFFF.
bool IsValidUtf16Text(const unsigned char* p, qsizetype units, bool little)
{
    for (qsizetype i = 0; i < units; ++i) {
        const char16_t u = Utf16Unit(p, i, little);
        if (u < 0x20 && !IsTextControl(u))
            return false;
        if (u == 0xFFFE || u == 0xFFFF)
            return false;
        if (u >= 0xDC00 && u <= 0xDFFF)
            return false;
        if (u >= 0xD800 && u <= 0xDBFF) {
            if (i + 1 >= units)
                return false;
            const char16_t next = Utf16Unit(p, i + 1, little);
            if (next < 0xDC00 || next > 0xDFFF)
                return false;
            ++i;
        }
    }
    return true;
}

QString DecodeLine(const char* data, qsizetype size)
{
    if (IsValidUtf8(data, size))
        return QString::fromUtf8(data, size);
    return QString::fromLatin1(data, size);
}

template <typename Text, typename OnLine>
void SplitLines(const Text& text, qsizetype size, OnLine onLine)
{
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < size) {
        const auto c = text[i];
        if (c == '\r' || c == '\n' || c == '\0') {
            onLine(start, i - start);
            ++i;
            if (c == '\r' && i < size && text[i] == '\n')
                ++i;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < size)
        onLine(start, size - start);
}

QStringList SplitUtf16(const QString& text)
{
    QStringList lines;
    const QChar* data = text.constData();
    struct View
    {
        const QChar* d;
        char16_t operator[](qsizetype i) const { return d[i].unicode(); }
    } view{data};
    SplitLines(view, text.size(), [&](qsizetype at, qsizetype n) { lines.append(QString(data + at, n)); });
    return lines;
}

}  // namespace

bool IsValidUtf8(const char* data, qsizetype size)
{
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    qsizetype i = 0;
    while (i < size) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int extra;
        unsigned minimum;
        unsigned code;
        if ((c & 0xE0) == 0xC0) {
            extra = 1;
            minimum = 0x80;
            code = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            minimum = 0x800;
            code = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            minimum = 0x10000;
            code = c & 0x07;
        } else
            return false;
        if (i + extra >= size)
            return false;
        for (int k = 1; k <= extra; ++k) {
            const unsigned char t = p[i + k];
            if ((t & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (t & 0x3F);
        }
        if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

TTextEncoding DetectTextEncoding(const QByteArray& bytes)
{
    if (StartsWith(bytes, {0xEF, 0xBB, 0xBF}))
        return TTextEncoding::Utf8Mark;
    if (StartsWith(bytes, {0xFF, 0xFE}))
        return TTextEncoding::Utf16LeMark;
    if (StartsWith(bytes, {0xFE, 0xFF}))
        return TTextEncoding::Utf16BeMark;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype size = bytes.size();
    // Without a NUL byte nothing below can hold: found at the speed of memory.
    if (size == 0 || std::memchr(p, 0, static_cast<size_t>(size)) == nullptr)
        return TTextEncoding::Plain;
    qsizetype nulEven = 0, nulOdd = 0, foreignControls = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const unsigned char c = p[i];
        if (c == 0)
            ++((i & 1) ? nulOdd : nulEven);
        else if (c < 0x20 && !IsTextControl(c))
            ++foreignControls;
    }
    const qsizetype nuls = nulEven + nulOdd;
    if (nuls == 0)
        return TTextEncoding::Plain;
    if (size % 2 == 0) {
        const qsizetype units = size / 2;
        if (nulEven == 0 && nulOdd * 2 >= units && IsValidUtf16Text(p, units, true))
            return TTextEncoding::Utf16Le;
        if (nulOdd == 0 && nulEven * 2 >= units && IsValidUtf16Text(p, units, false))
            return TTextEncoding::Utf16Be;
    }
    if (nuls * 4 > size || foreignControls > 0)
        return TTextEncoding::Binary;
    return TTextEncoding::Plain;
}

QStringList DecodeTextLines(const QByteArray& bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    switch (DetectTextEncoding(bytes)) {
    case TTextEncoding::Utf8Mark:
        return SplitUtf16(QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3));
    case TTextEncoding::Utf16LeMark:
        return SplitUtf16(Utf16Text(p + 2, (bytes.size() - 2) / 2, true));
    case TTextEncoding::Utf16BeMark:
        return SplitUtf16(Utf16Text(p + 2, (bytes.size() - 2) / 2, false));
    case TTextEncoding::Utf16Le:
        return SplitUtf16(Utf16Text(p, bytes.size() / 2, true));
    case TTextEncoding::Utf16Be:
        return SplitUtf16(Utf16Text(p, bytes.size() / 2, false));
    case TTextEncoding::Plain:
    case TTextEncoding::Binary:
        break;
    }
    QStringList lines;
    const char* data = bytes.constData();
    SplitLines(data, bytes.size(), [&](qsizetype at, qsizetype n) { lines.append(DecodeLine(data + at, n)); });
    return lines;
}

QByteArray EncodeTextLines(const QStringList& lines)
{
    QByteArray out;
    qsizetype total = 0;
    for (const QString& line : lines)
        total += line.size() + 2;
    out.reserve(total);
    for (const QString& line : lines) {
        out += line.toUtf8();
        out += "\r\n";
    }
    return out;
}

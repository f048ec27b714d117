#include "platform/TextFile.h"

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
    struct View {
        const QChar* d;
        char16_t operator[](qsizetype i) const { return d[i].unicode(); }
    } view{data};
    SplitLines(view, text.size(), [&](qsizetype at, qsizetype n) { lines.append(QString(data + at, n)); });
    return lines;
}

} // namespace

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
        if ((c & 0xE0) == 0xC0) { extra = 1; minimum = 0x80; code = c & 0x1F; }
        else if ((c & 0xF0) == 0xE0) { extra = 2; minimum = 0x800; code = c & 0x0F; }
        else if ((c & 0xF8) == 0xF0) { extra = 3; minimum = 0x10000; code = c & 0x07; }
        else return false;
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

QStringList DecodeTextLines(const QByteArray& bytes)
{
    if (StartsWith(bytes, {0xEF, 0xBB, 0xBF}))
        return SplitUtf16(QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3));
    if (StartsWith(bytes, {0xFF, 0xFE}) || StartsWith(bytes, {0xFE, 0xFF})) {
        const bool little = static_cast<unsigned char>(bytes[0]) == 0xFF;
        const qsizetype units = (bytes.size() - 2) / 2;
        QString text(units, Qt::Uninitialized);
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData()) + 2;
        for (qsizetype i = 0; i < units; ++i) {
            const char16_t u = little ? char16_t(p[2 * i] | (p[2 * i + 1] << 8))
                                      : char16_t((p[2 * i] << 8) | p[2 * i + 1]);
            text[i] = QChar(u);
        }
        return SplitUtf16(text);
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

// The ledger's text decoding, case by case: byte-order marks, UTF-16 with and
// without a mark, the UTF-8-or-Latin-1 fallback line by line, every line end,
// the empty file and files that are no text.
#include "platform/TextFile.h"

#include <gtest/gtest.h>

namespace {

QByteArray Bytes(const char* data, qsizetype size) { return QByteArray(data, size); }

// UTF-16 code units of an ASCII or Latin-1 string, without a mark.
QByteArray Utf16(const QString& text, bool little)
{
    QByteArray out;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const char lo = char(u & 0xFF), hi = char(u >> 8);
        out += little ? QByteArray(1, lo) + QByteArray(1, hi) : QByteArray(1, hi) + QByteArray(1, lo);
    }
    return out;
}

const char* Name(TTextEncoding e)
{
    switch (e) {
    case TTextEncoding::Utf8Mark: return "Utf8Mark";
    case TTextEncoding::Utf16LeMark: return "Utf16LeMark";
    case TTextEncoding::Utf16BeMark: return "Utf16BeMark";
    case TTextEncoding::Utf16Le: return "Utf16Le";
    case TTextEncoding::Utf16Be: return "Utf16Be";
    case TTextEncoding::Plain: return "Plain";
    case TTextEncoding::Binary: return "Binary";
    }
    return "?";
}

TEST(TextFile, DecodesEveryEncodingAndLineEnd)
{
    const QString ledger = QStringLiteral("b=1\r\na=\u00e9\r\n");
    struct Case
    {
        const char* label;
        QByteArray bytes;
        TTextEncoding encoding;
        QStringList lines;
    };
    const Case cases[] = {
        {"empty", "", TTextEncoding::Plain, {}},
        {"CR LF", "b=1\r\na=2\r\n", TTextEncoding::Plain, {"b=1", "a=2"}},
        {"LF", "b=1\na=2\n", TTextEncoding::Plain, {"b=1", "a=2"}},
        {"CR", "b=1\ra=2\r", TTextEncoding::Plain, {"b=1", "a=2"}},
        {"LF CR is two line ends", "b=1\n\ra=2", TTextEncoding::Plain, {"b=1", "", "a=2"}},
        {"mixed", "b=1\ra=2\nc=3\r\n", TTextEncoding::Plain, {"b=1", "a=2", "c=3"}},
        {"no final line end", "b=1\r\na=2", TTextEncoding::Plain, {"b=1", "a=2"}},
        {"empty lines kept", "\r\n\r\nb=1", TTextEncoding::Plain, {"", "", "b=1"}},
        {"a lone line end", "\r\n", TTextEncoding::Plain, {""}},
        {"NUL ends a line", Bytes("b=1\0a=2\r\n", 9), TTextEncoding::Plain, {"b=1", "a=2"}},
        {"UTF-8 line", "a=\xC3\xA9\r\n", TTextEncoding::Plain, {"a=\u00e9"}},
        {"invalid UTF-8 line read as Latin-1, its neighbour as UTF-8", "a=\xE9t\xE9\r\nb=\xC3\xA9\r\n",
         TTextEncoding::Plain, {"a=\u00e9t\u00e9", "b=\u00e9"}},
        {"overlong UTF-8 is Latin-1", "a=\xC0\xAF\r\n", TTextEncoding::Plain, {"a=\u00c0\u00af"}},
        {"UTF-8 surrogate is Latin-1", "a=\xED\xA0\x80\r\n", TTextEncoding::Plain, {"a=\u00ed\u00a0\u0080"}},
        {"UTF-8 mark", "\xEF\xBB\xBF" "b=1\r\na=\xC3\xA9\r\n", TTextEncoding::Utf8Mark, {"b=1", "a=\u00e9"}},
        {"UTF-8 mark alone", "\xEF\xBB\xBF", TTextEncoding::Utf8Mark, {}},
        {"UTF-16 LE mark", "\xFF\xFE" + Utf16(ledger, true), TTextEncoding::Utf16LeMark, {"b=1", "a=\u00e9"}},
        {"UTF-16 BE mark", "\xFE\xFF" + Utf16(ledger, false), TTextEncoding::Utf16BeMark, {"b=1", "a=\u00e9"}},
        {"UTF-16 LE mark, odd last byte dropped", "\xFF\xFE" + Utf16("a=1", true) + "x", TTextEncoding::Utf16LeMark,
         {"a=1"}},
        {"UTF-16 LE without mark", Utf16(ledger, true), TTextEncoding::Utf16Le, {"b=1", "a=\u00e9"}},
        {"UTF-16 BE without mark", Utf16(ledger, false), TTextEncoding::Utf16Be, {"b=1", "a=\u00e9"}},
        {"UTF-16 LE without mark, no final line end", Utf16("b=1\r\na=2", true), TTextEncoding::Utf16Le,
         {"b=1", "a=2"}},
        {"UTF-16 LE without mark, LF and CR", Utf16("b=1\na=2\rc=3", true), TTextEncoding::Utf16Le,
         {"b=1", "a=2", "c=3"}},
        {"UTF-16 LE without mark, a single character", Bytes("a\0", 2), TTextEncoding::Utf16Le, {"a"}},
        {"UTF-16 LE without mark, a surrogate pair among Latin-1", Utf16("ab=1\r\n", true) + Bytes("\x3D\xD8\x01\xDE", 4),
         TTextEncoding::Utf16Le, {"ab=1", QString::fromUtf16(u"\U0001F601")}},
        // What is no text is still split as text when asked; the ledger asks first.
        {"UTF-16 LE without mark, odd size: not a text", Utf16("b=1\r\n", true) + "x", TTextEncoding::Binary,
         {"b", "=", "1", "", "", "", "", "x"}},
        {"UTF-16 LE without mark, a lone surrogate: not a text", Utf16("b=1\r\n", true) + Bytes("\x41\xDC", 2),
         TTextEncoding::Binary, {"b", "=", "1", "", "", "", "", "A\u00dc"}},
        {"UTF-16 without mark, U+0100 (a NUL at the other position): not a text",
         Utf16("b=1\r\n", true) + Bytes("\x00\x01", 2), TTextEncoding::Binary,
         {"b", "=", "1", "", "", "", "", "", "\u0001"}},
        {"zeros (a sparse file)", QByteArray(4096, '\0'), TTextEncoding::Binary, QStringList(4096, QString())},
        {"a PNG header", Bytes("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), TTextEncoding::Binary,
         {"\u0089PNG", "\u001a", "", "", "", "", "IHDR"}},
        {"NULs and control characters", Bytes("a=1\r\n\x01\x02\0b", 9), TTextEncoding::Binary,
         {"a=1", "\u0001\u0002", "b"}},
        {"a few NULs in a text", Bytes("b=1\0\0\0\0tail=9\r\nc=3\r\n", 20), TTextEncoding::Plain,
         {"b=1", "", "", "", "tail=9", "c=3"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_STREQ(Name(DetectTextEncoding(c.bytes)), Name(c.encoding));
        EXPECT_EQ(DecodeTextLines(c.bytes), c.lines);
    }
}

TEST(TextFile, WritesUtf8WithCrLfThatReadsBackTheSame)
{
    const QStringList lines = {"202106231200-crm.grb=413", "", "caf\u00e9=7", QString::fromUtf16(u"\U0001F601=1")};
    const QByteArray bytes = EncodeTextLines(lines);
    EXPECT_EQ(bytes, "202106231200-crm.grb=413\r\n\r\ncaf\xC3\xA9=7\r\n\xF0\x9F\x98\x81=1\r\n");
    EXPECT_TRUE(IsValidUtf8(bytes.constData(), bytes.size()));
    EXPECT_EQ(DetectTextEncoding(bytes), TTextEncoding::Plain);
    EXPECT_EQ(DecodeTextLines(bytes), lines);
    EXPECT_EQ(EncodeTextLines({}), QByteArray());
    // A ledger that came as UTF-16 without a mark is written as UTF-8.
    EXPECT_EQ(EncodeTextLines(DecodeTextLines(Utf16("b=1\r\na=2\r\n", true))), "b=1\r\na=2\r\n");
}

} // namespace

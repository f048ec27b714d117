// The UTF-8 line reader agrees with DecodeTextLines on any bytes.
#include "platform/TextFile.h"
#include "platform/TextLines.h"
#include "platform/Utf8Text.h"

#include <gtest/gtest.h>

#include <random>

namespace {

QStringList ReadUtf8(const QByteArray& bytes)
{
    QStringList lines;
    ForEachTextLineUtf8(bytes, [&](QByteArrayView line) { lines.append(Utf8ToString(line)); });
    return lines;
}

TEST(TextLines, AgreesWithDecodeTextLinesOnAnyBytes)
{
    const QByteArray pieces[] = {"a",
                                 "B",
                                 "=",
                                 "\r",
                                 "\n",
                                 "\r\n",
                                 QByteArray(1, '\0'),
                                 "\xC3\xA9",
                                 "\xFF",
                                 "\xE9",
                                 "\xEF\xBB\xBF",
                                 "\xFF\xFE",
                                 "\xFE\xFF",
                                 "12",
                                 "\xF0\x9F\x98\x80",
                                 "\xED\xA0\x80"};
    std::mt19937 random(5);
    for (int i = 0; i < 8000; ++i) {
        QByteArray bytes;
        const int count = static_cast<int>(random() % 12);
        for (int k = 0; k < count; ++k)
            bytes += pieces[random() % (sizeof pieces / sizeof pieces[0])];
        const QStringList expected = DecodeTextLines(bytes);
        ASSERT_EQ(ReadUtf8(bytes), expected) << bytes.toHex().toStdString();
        TSortedStringList fast, plain;
        AssignTextLines(fast, bytes);
        plain.Assign(expected);
        ASSERT_EQ(fast.ToStringList(), plain.ToStringList()) << bytes.toHex().toStdString();
    }
}

TEST(TextLines, PlainTextIsReadInPlace)
{
    EXPECT_TRUE(IsPlainText("a=1\r\nb=2\r\n"));
    EXPECT_TRUE(IsPlainText("caf\xE9=1\n"));
    EXPECT_FALSE(IsPlainText("\xEF\xBB\xBF"
                             "a=1"));
    EXPECT_FALSE(IsPlainText(QByteArray("a\0=1", 4)));
    EXPECT_EQ(ReadUtf8("b=1\r\n\r\na=\xE9t\xE9\rc"),
              (QStringList{"b=1", "", QString::fromUtf8("a=\xC3\xA9t\xC3\xA9"), "c"}));
}

}  // namespace

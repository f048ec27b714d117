// A day's digest holds exactly the nominal times and delays that reading the
// day's lines one by one gives, and is taken only for the very file it was
// made from.
#include "station/DayDigest.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using TTimedDelay = std::pair<int64_t, std::optional<int32_t>>;

std::vector<TTimedDelay> Expanded(const std::vector<TProductGroup>& groups)
{
    std::vector<TTimedDelay> products;
    for (const TProductGroup& g : groups)
        products.insert(products.end(), static_cast<size_t>(g.Count), {g.Ms, g.Seconds});
    std::sort(products.begin(), products.end());
    return products;
}

TSortedStringList ListOf(const QStringList& lines)
{
    TSortedStringList list;
    list.Assign(lines);
    return list;
}

}  // namespace

TEST(DayDigest, ReadsEveryLineAsTheLedgerEntriesDo)
{
    const QStringList lines = {"20210623120000 a.seg=120",
                               "20210623120000 b.seg=120",
                               "20210623120000 c.seg=-5",
                               "20210623120000 d.seg=+7",
                               "20210623120000 e.seg=abc",
                               "20210623120000 f.seg=",
                               "20210623121530 g.seg=2147483647",
                               "20210623121530 h.seg=2147483648",
                               "20210623121530 i.seg=-2147483648",
                               "20210623121530 j.seg=99999999999",
                               "20210623121530 k.seg=000000000000000000007",
                               "20210623240000 midnight.seg=1",
                               "20210623126000 second60.seg=1",
                               "20211323120000 month13.seg=1",
                               "2021+623120000 signed.seg=1",
                               "20210623120000x y.seg=1",
                               "20210623120000 =4",
                               "18991230000000 zero.seg=1",
                               "20210623120000 \xc3\xa9t\xc3\xa9.seg=9",
                               "no equals sign",
                               "20210623120000 n.seg= 5",
                               "20210623120000 eq.seg=3=4"};
    const TSortedStringList list = ListOf(lines);
    std::vector<TLedgerEntry> entries;
    for (int i = 0; i < list.Count(); ++i)
        if (std::optional<TLedgerEntry> entry = ParseTimedLedgerLine(QString::fromUtf8(list.GetUtf8(i))))
            entries.push_back(*entry);
    const TDayDigest digest = DigestOfLines(list);
    EXPECT_EQ(digest.Lines, lines.size());
    EXPECT_EQ(Expanded(digest.Groups), Expanded(ProductGroupsOf(entries)));
    TDateTime noon = 0;
    ASSERT_TRUE(TryEncodeDate(2021, 6, 23, noon));
    noon += 0.5;
    EXPECT_EQ(digest.ProductsInMinute(DateTimeToUnixMs(noon) / 60000),
              std::count_if(entries.begin(), entries.end(), [&](const TLedgerEntry& e) { return e.Nominal == noon; }));
}

TEST(DayDigest, IsTakenOnlyWholeAndForItsOwnFile)
{
    const TDayDigest digest =
        DigestOfLines(ListOf({"20210623120000 a=1", "20210623120000 b=1", "20210623120000 c=x", "20210623121500 d=3"}));
    const TFileIdentity source{1, 2, 300, 1624449600, 123};
    const QByteArray text = EncodeDigest(digest, source);
    const std::optional<TDayDigest> back = DecodeDigest(text, source);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->Lines, 4);
    EXPECT_EQ(Expanded(back->Groups), Expanded(digest.Groups));
    EXPECT_EQ(back->MostProductsAtOneTime(), 3);

    TFileIdentity changed = source;
    changed.ModifiedNanoseconds = 124;
    const QByteArray heading = text.left(text.indexOf('\n') + 1);
    const struct
    {
        QByteArray Text;
        TFileIdentity Source;
    } refused[] = {
        {text, changed},
        {text.chopped(4), source},
        {heading + "1624449600000 3 1\nend\n", source},
        {heading + "1624449600000 1*0\nend\n", source},
        {heading + "1624449600000 1*2 1\nend\n", source},
        {heading + "1624449600000 one\nend\n", source},
    };
    for (const auto& r : refused)
        EXPECT_FALSE(DecodeDigest(r.Text, r.Source)) << r.Text.toStdString();
}

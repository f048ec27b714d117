#include "platform/SortedStringList.h"

#include <gtest/gtest.h>

#include <random>

namespace {

TEST(SortedStringList, KeepsAscendingOrderAndDropsEqualLinesIgnoringCase)
{
    TSortedStringList list;
    EXPECT_EQ(list.Add("202106231315-crm.grb=90"), 0);
    EXPECT_EQ(list.Add("202106231200-crm.grb=120"), 0);
    EXPECT_EQ(list.Add("202106231200-CRM.GRB=120"), -1);
    EXPECT_EQ(list.Add(""), 0);
    EXPECT_EQ(list.Add(""), -1);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Get(0), "");
    EXPECT_EQ(list.Get(1), "202106231200-crm.grb=120");
    EXPECT_EQ(list.Get(2), "202106231315-crm.grb=90");
    EXPECT_THROW(list.Get(3), std::out_of_range);
    EXPECT_THROW(list.Get(-1), std::out_of_range);
}

TEST(SortedStringList, KeepsLinesThatDifferOnlyInControlCharacters)
{
    TSortedStringList list;
    list.Add("a\x01"
             "b=1");
    list.Add("ab=1");
    EXPECT_EQ(list.Count(), 2);
}

TEST(SortedStringList, ExactModeKeepsNamesThatDifferInCase)
{
    TSortedStringList list(TSortedStringList::TDuplicates::ExactOnly);
    list.Add("data/");
    list.Add("Data/");
    EXPECT_EQ(list.Add("data/"), -1);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Get(0).toLower(), "data/");
}

TEST(SortedStringList, AssignKeepsTheFirstOfEqualLines)
{
    TSortedStringList list;
    list.Assign({"202106231200-CRM.GRB=5", "b=1", "202106231200-crm.grb=5", "a=2"});
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Get(0), "202106231200-CRM.GRB=5");
    EXPECT_EQ(list.Get(1), "a=2");
    EXPECT_EQ(list.Get(2), "b=1");
}

// The name lookup must agree with a scan from the first line.
int LinearIndexOfName(const TSortedStringList& list, const QString& name)
{
    for (int i = 0; i < list.Count(); ++i) {
        const QString& line = list.Get(i);
        const int eq = line.indexOf('=');
        if (eq >= 0 && SameTextLocale(line.left(eq), name))
            return i;
    }
    return -1;
}

TEST(SortedStringList, IndexOfNameMatchesALinearScan)
{
    TSortedStringList list;
    const QStringList lines = {"b=2", "B=1", "a", "a=", "a=0", "c==", "=x", "ab=1", "a-b=3", "A=9"};
    for (const QString& l : lines)
        list.Add(l);
    for (const QString name : {"a", "A", "b", "c", "", "ab", "a-b", "zz", "c="}) {
        EXPECT_EQ(list.IndexOfName(name), LinearIndexOfName(list, name)) << name.toStdString();
        EXPECT_EQ(list.ContainsName(name), LinearIndexOfName(list, name) >= 0) << name.toStdString();
    }
    EXPECT_EQ(list.Values("a"), "");
    EXPECT_EQ(list.Values("c"), "=");
    EXPECT_EQ(list.Values("b"), "1");
    EXPECT_EQ(list.Values("missing"), "");
}

// The list against the plainest implementation of its promises: a vector
// kept sorted by CompareTextLocale(Exact), searched from the first line.
namespace reference {

struct TList
{
    bool Exact = false;
    QStringList Lines;

    int Compare(const QString& a, const QString& b) const
    {
        return Exact ? CompareTextLocaleExact(a, b) : CompareTextLocale(a, b);
    }
    int Add(const QString& text)
    {
        qsizetype lo = 0, hi = Lines.size();
        while (lo < hi) {
            const qsizetype mid = (lo + hi) / 2;
            if (Compare(Lines[mid], text) < 0)
                lo = mid + 1;
            else
                hi = mid;
        }
        if (lo < Lines.size() && Compare(Lines[lo], text) == 0)
            return -1;
        Lines.insert(lo, text);
        return static_cast<int>(lo);
    }
    int IndexOfName(const QString& name) const
    {
        for (qsizetype i = 0; i < Lines.size(); ++i) {
            const qsizetype eq = Lines[i].indexOf('=');
            if (eq >= 0 && Lines[i].left(eq).toCaseFolded() == name.toCaseFolded())
                return static_cast<int>(i);
        }
        return -1;
    }
};

}  // namespace reference

QString RandomLine(std::mt19937& random)
{
    // Few characters, so that equal names, case variants and equal lines are common.
    static const QString alphabet = QStringLiteral("aAbB=1-. \u00e9\u00c9\x01");
    QString line;
    const int length = static_cast<int>(random() % 7);
    for (int i = 0; i < length; ++i)
        line += alphabet[static_cast<qsizetype>(random() % static_cast<unsigned>(alphabet.size()))];
    return line;
}

TEST(SortedStringList, AgreesWithAPlainSortedVectorThroughManyAdditions)
{
    for (const auto duplicates :
         {TSortedStringList::TDuplicates::IgnoreCase, TSortedStringList::TDuplicates::ExactOnly}) {
        std::mt19937 random(duplicates == TSortedStringList::TDuplicates::ExactOnly ? 2 : 1);
        TSortedStringList list(duplicates);
        reference::TList plain;
        plain.Exact = duplicates == TSortedStringList::TDuplicates::ExactOnly;
        // Some lines in one go, to start from an assigned list.
        QStringList first;
        for (int i = 0; i < 300; ++i)
            first.append(RandomLine(random));
        list.Assign(first);
        for (const QString& line : first)
            plain.Add(line);
        ASSERT_EQ(list.ToStringList(), plain.Lines);
        for (int step = 0; step < 3000; ++step) {
            const QString line = RandomLine(random);
            ASSERT_EQ(list.Add(line), plain.Add(line)) << step << " " << line.toStdString();
            ASSERT_EQ(list.Count(), plain.Lines.size());
            if (step % 3 != 0)
                continue;
            const QString probe = RandomLine(random);
            const int at = list.IndexOf(probe);
            if (at < 0) {
                ASSERT_EQ(plain.Lines.indexOf(probe), -1);
            } else {
                ASSERT_EQ(plain.Compare(plain.Lines[at], probe), 0);
            }
            const QString name = probe.left(probe.indexOf('=') < 0 ? probe.size() : probe.indexOf('='));
            ASSERT_EQ(list.IndexOfName(name), plain.IndexOfName(name)) << step << " " << name.toStdString();
            ASSERT_EQ(list.ContainsName(name), plain.IndexOfName(name) >= 0);
            ASSERT_EQ(list.ContainsNameUtf8(name.toUtf8()), plain.IndexOfName(name) >= 0);
            const int named = plain.IndexOfName(name);
            ASSERT_EQ(list.Values(name), named < 0 ? QString() : plain.Lines[named].mid(name.size() + 1));
            if (step % 97 == 0) {
                ASSERT_EQ(list.ToStringList(), plain.Lines) << step;
            }
        }
        ASSERT_EQ(list.ToStringList(), plain.Lines);
        for (int i = 0; i < list.Count(); ++i)
            ASSERT_EQ(QString::fromUtf8(list.GetUtf8(i)), plain.Lines[i]);
    }
}

TEST(SortedStringList, DeferredLinesLandAsIfAddedOneByOne)
{
    // Bursts of deferred lines, each sorted in when the list is next read in
    // order, between lines added one by one: equal lines among them and with
    // the lines present are dropped, the first staying.
    std::mt19937 random(3);
    TSortedStringList list;
    reference::TList plain;
    for (int burst = 0; burst < 60; ++burst) {
        const int size = static_cast<int>(random() % 40);
        for (int i = 0; i < size; ++i) {
            const QString line = RandomLine(random);
            list.AddUtf8Deferred(line.toUtf8());
            plain.Add(line);
            // The name counts before the line has its place.
            if (line.contains('=')) {
                ASSERT_TRUE(list.ContainsName(line.left(line.indexOf('='))));
            }
        }
        const QString line = RandomLine(random);
        if (burst % 3 == 0)
            ASSERT_EQ(list.Add(line), plain.Add(line)) << burst;
        else if (burst % 3 == 1)
            ASSERT_EQ(list.IndexOfName(line), plain.IndexOfName(line)) << burst;
        else
            ASSERT_EQ(list.ToStringList(), plain.Lines) << burst;
    }
    ASSERT_EQ(list.ToStringList(), plain.Lines);
    for (const QString& line : plain.Lines) {
        const QString name = line.left(line.indexOf('='));
        ASSERT_EQ(list.IndexOfName(name), plain.IndexOfName(name)) << name.toStdString();
    }
}

TEST(SortedStringList, ManyLinesBeforeAllTheOthersLandInOrder)
{
    // Lines added from the last to the first, each before every line there:
    // the case that moved the whole list for every line.
    TSortedStringList list;
    QStringList existing;
    for (int i = 0; i < 20000; ++i)
        existing.append(QStringLiteral("2021%1-crm.grb=%2").arg(100000 + i).arg(i));
    list.Assign(existing);
    for (int i = 4999; i >= 0; --i) {
        const QString line = QStringLiteral("2020%1-crm.grb=%2").arg(100000 + i).arg(i);
        ASSERT_EQ(list.Add(line), 0) << i;
        ASSERT_EQ(list.IndexOfName(line.left(line.indexOf('='))), 0);
    }
    ASSERT_EQ(list.Count(), 25000);
    for (int i = 0; i < 5000; ++i)
        ASSERT_EQ(list.Get(i), QStringLiteral("2020%1-crm.grb=%2").arg(100000 + i).arg(i));
    ASSERT_EQ(list.Get(5000), existing.front());
    ASSERT_EQ(list.Get(24999), existing.back());
}

TEST(SortedStringList, TagsFollowTheirLines)
{
    TSortedStringList list;
    list.Add("b=2");
    list.Add("c=3", 30);
    list.Add("a=1", -10);
    EXPECT_EQ(list.Tag(0), -10);
    EXPECT_EQ(list.Tag(1), 0);
    EXPECT_EQ(list.Tag(2), 30);
    EXPECT_EQ(list.Add("A=1", 99), -1);
    EXPECT_EQ(list.Tag(0), -10);
    EXPECT_THROW(list.Tag(3), std::out_of_range);
}

TEST(SortedStringList, AssignsLinesStoredInTheGivenBytes)
{
    const QByteArray store("b=1\na=2\nB=1\nc=\xC3\xA9");
    TSortedStringList list;
    list.BeginAssign(store);
    list.AppendStored(0, 3);
    list.AppendStored(4, 3);
    list.AppendStored(8, 3);
    list.AppendUtf8("d=4");
    list.AppendStored(12, 4);
    list.EndAssign();
    EXPECT_EQ(list.ToStringList(), (QStringList{"a=2", "b=1", QString::fromUtf8("c=\xC3\xA9"), "d=4"}));
    EXPECT_EQ(list.Values("C"), QString::fromUtf8("\xC3\xA9"));
    EXPECT_THROW(list.AppendStored(15, 5), std::out_of_range);
}

TEST(SortedStringList, HoldsInOrderFindsSavedLinesInOneWalk)
{
    TSortedStringList list;
    list.Assign({"a=1", "b=2", "c=3", "d=4", "e=5"});
    int cursor = 0;
    EXPECT_TRUE(list.HoldsInOrder("a=1", cursor));
    EXPECT_FALSE(list.HoldsInOrder("B=2", cursor));  // equal ignoring case is not the same bytes
    EXPECT_TRUE(list.HoldsInOrder("c=3", cursor));   // b=2 passed over
    EXPECT_FALSE(list.HoldsInOrder("a=1", cursor));  // out of order: merely not found
    EXPECT_TRUE(list.HoldsInOrder("e=5", cursor));
    EXPECT_FALSE(list.HoldsInOrder("f=6", cursor));
    EXPECT_EQ(cursor, 5);
}

TEST(SortedStringList, KnowsTheBytesItWasAssignedFrom)
{
    const QByteArray store("b=1\na=2");
    TSortedStringList list;
    EXPECT_FALSE(list.WasAssignedFrom(""));
    list.BeginAssign(store);
    list.AppendStored(0, 3);
    list.AppendStored(4, 3);
    list.EndAssign();
    EXPECT_TRUE(list.WasAssignedFrom(store));
    EXPECT_TRUE(list.WasAssignedFrom(QByteArray("b=1\na=2")));  // equal bytes elsewhere
    EXPECT_FALSE(list.WasAssignedFrom("b=1\na=3"));
    list.Add("c=3");
    EXPECT_TRUE(list.WasAssignedFrom(store));  // added lines take nothing away
    list.Clear();
    EXPECT_FALSE(list.WasAssignedFrom(store));
}

TEST(SortedStringList, ALineWithoutUtf8FormIsKeptAsItIsSaved)
{
    // An unpaired surrogate (only a UTF-16 file can hold one) has no UTF-8
    // form; the list keeps the line as the ledger has always written it.
    const QString odd = QStringLiteral("a=") + QChar(char16_t(0xD800));
    TSortedStringList list;
    list.Add(odd);
    EXPECT_EQ(list.Get(0), QString::fromUtf8(odd.toUtf8()));
}

}  // namespace

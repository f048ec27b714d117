#include "platform/SortedStringList.h"

#include <gtest/gtest.h>

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
    list.Add("a\x01" "b=1");
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
    for (const QString name : {"a", "A", "b", "c", "", "ab", "a-b", "zz", "c="})
    {
        EXPECT_EQ(list.IndexOfName(name), LinearIndexOfName(list, name)) << name.toStdString();
        EXPECT_EQ(list.ContainsName(name), LinearIndexOfName(list, name) >= 0) << name.toStdString();
    }
    EXPECT_EQ(list.Values("a"), "");
    EXPECT_EQ(list.Values("c"), "=");
    EXPECT_EQ(list.Values("b"), "1");
    EXPECT_EQ(list.Values("missing"), "");
}

} // namespace

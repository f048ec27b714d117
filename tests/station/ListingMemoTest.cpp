// A folder is taken as unchanged only when its stamp, the family's rules and
// its products' ledger days are all as a still folder's listing left them.
#include "station/ListingMemo.h"

#include "tests/common/TempDir.h"

#include <gtest/gtest.h>

namespace {

const TFolderStamp Stamp{8, 9, 1000, 5, 1000, 5};  // changed at 1000 s
const TFileIdentity Day1{8, 20, 300, 2000, 1};
const int64_t Later = 1000 * 1000 + 60000;  // a minute after the folder's change, in ms

}  // namespace

TEST(ListingMemo, TakesAFolderOnlyAsAStillListingLeftIt)
{
    TempDir dir;
    const QString file = dir.FilePath("listed.txt");
    std::map<int64_t, std::optional<TFileIdentity>> days{{1, Day1}};
    const TDayIdentity identity = [&](int64_t day) { return days[day]; };
    {
        TListingMemo memo(file, "rules");
        EXPECT_FALSE(memo.Unchanged("a/", Stamp, identity));
        memo.Listed("a/", Stamp, Later, {1});
        memo.Listed("too soon/", Stamp, 1000 * 1000 + 2000, {});
        memo.Listed("unsaved/", Stamp, Later, {2});
        memo.Save(identity);
    }
    EXPECT_TRUE(TListingMemo(file, "rules").Unchanged("a/", Stamp, identity));

    TFolderStamp touched = Stamp;
    touched.ChangedNanoseconds = 6;
    TFileIdentity rewritten = Day1;
    rewritten.Inode = 21;
    EXPECT_FALSE(TListingMemo(file, "other rules").Unchanged("a/", Stamp, identity));
    EXPECT_FALSE(TListingMemo(file, "rules").Unchanged("a/", touched, identity));
    EXPECT_FALSE(TListingMemo(file, "rules").Unchanged("too soon/", Stamp, identity));
    EXPECT_FALSE(TListingMemo(file, "rules").Unchanged("unsaved/", Stamp, identity));
    days[1] = rewritten;
    EXPECT_FALSE(TListingMemo(file, "rules").Unchanged("a/", Stamp, identity));
}

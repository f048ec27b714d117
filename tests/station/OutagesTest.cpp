// The outage calendar: what it refuses, with the line and the reason, and
// which nominal times its windows hold, [start, end), across midnight, at the
// ends of a season and where windows adjoin.
#include "station/Outages.h"

#include "tests/common/TestDates.h"

#include <gtest/gtest.h>

namespace {

// Milliseconds since 1970 of a UTC time of 2026.
int64_t On(int month, int day, int hour, int minute, int second = 0)
{
    return DateTimeToUnixMs(At(2026, month, day, hour, minute, second));
}

TEST(Outages, RefusalsNameTheLineAndTheReason)
{
    const QString daily = "[a]\nfamilies = *\ndaily = 23:00-01:30\nfrom = 2026-01-01\nuntil = 2026-01-02\n";
    const QString once = "[a]\nfamilies = *\nstart = 2026-03-01 12:00\nend = 2026-03-01 13:00\n";
    const std::pair<QString, const char*> cases[] = {
        {daily + "why = x\n", "o:6: unknown key 'why'"},
        {QString(daily).replace("01:30", "25:00"), "o:3: daily: '23:00-25:00' is no span"},
        {QString(once).replace("03-01 12", "02-30 12"), "o:3: start: '2026-02-30 12:00' is no time"},
        {daily + "start = 2026-01-01 10:00\n", "o:6: [a]: both a daily window and a one-off one"},
        {QString(once).replace("13:00", "11:59"), "o:4: end 2026-03-01 11:59 is not after start 2026-03-01 12:00"},
        {QString(daily).replace("= 2026-01-02", "= 2025-12-31"), "o:5: until 2025-12-31 is before from 2026-01-01"},
        {QString(once).replace("*", "seg, segments"), "o:2: families: no family 'segments' (the families are crm, "
                                                      "seg)"},
        {QString(daily).remove("from = 2026-01-01\n"), "o:1: [a]: a daily window needs from and until"},
        {"[a]\nfamilies = *   # all\n", "o:2: the value of 'families' holds a comment"},
        {once + "[A]\n", "o:5: the window 'A' is named twice (line 1 and here)"},
    };
    for (const auto& [text, refused] : cases) {
        QString error;
        EXPECT_FALSE(ParseOutages(text, "o", {"crm", "seg"}, error)) << text.toStdString();
        EXPECT_TRUE(error.startsWith(QLatin1String(refused))) << text.toStdString() << " gave " << qPrintable(error);
    }
}

TEST(Outages, WindowsHoldTheirSlotsFromStartUpToEnd)
{
    QString error;
    const std::optional<TOutageCalendar> calendar = ParseOutages(
        "[eclipse]\nfamilies = *\ndaily = 23:00-01:30\nfrom = 2026-02-20\nuntil = 2026-04-10\n"
        "[manoeuvre]\nfamilies = SEG\nstart = 2026-03-01 10:00\nend = 2026-03-01T12:30:30\nreason = orbit manoeuvre\n"
        "[ground]\nfamilies = seg\nstart = 2026-03-02 22:00\nend = 2026-03-02 23:30\n"
        "[leap]\nfamilies = crm\ndaily = 00:00-24:00\nfrom = 2026-02-28\nuntil = 2026-02-28\n",
        "o", {"crm", "seg"}, error);
    ASSERT_TRUE(calendar) << error.toStdString();
    const TFamilyOutages seg = calendar->For("seg"), crm = calendar->For("crm");
    const struct
    {
        const char* What;
        int64_t Ms;
        int Seg, Crm;  // the window holding the time, -1 for none
    } cases[] = {
        {"the night before the season", On(2, 19, 23, 30), -1, -1},
        {"its first morning belongs to no night", On(2, 20, 0, 30), -1, -1},
        {"the first night starts at its start", On(2, 20, 23, 0), 0, 0},
        {"and runs past midnight", On(2, 21, 1, 29, 59), 0, 0},
        {"up to its end, which it leaves out", On(2, 21, 1, 30), -1, -1},
        {"the last night ends the day after until", On(4, 11, 1, 15), 0, 0},
        {"no night begins that day", On(4, 11, 23, 0), -1, -1},
        {"a one-off window of one family, to its second", On(3, 1, 12, 30, 29), 1, -1},
        {"not beyond", On(3, 1, 12, 30, 30), -1, -1},
        {"a whole day", On(2, 28, 12, 0), -1, 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(seg.Excusing(c.Ms), c.Seg) << c.What;
        EXPECT_EQ(crm.Excusing(c.Ms), c.Crm) << c.What;
    }
    EXPECT_EQ(seg.Windows[1].Told(), "orbit manoeuvre");
    EXPECT_EQ(seg.Windows[2].Told(), "ground");
    // The ground station's maintenance runs into the night's eclipse: the outage ends with it.
    const std::optional<TActiveOutage> active = seg.ActiveAt(On(3, 2, 22, 30));
    ASSERT_TRUE(active);
    EXPECT_EQ(active->Window, 2);
    EXPECT_EQ(FormatOutageTime(active->UntilMs), "2026-03-03 01:30");
    EXPECT_FALSE(crm.ActiveAt(On(3, 2, 22, 30)));
    // 22:00 to 01:30, the overlap once; the manoeuvre's 2 h 30 min 30 s.
    EXPECT_EQ(seg.CoveredMs(On(3, 2, 21, 0), On(3, 3, 3, 0)), 210 * 60000);
    EXPECT_EQ(seg.CoveredMs(On(3, 1, 2, 0), On(3, 1, 22, 0)), 150 * 60000 + 30000);
}

}  // namespace

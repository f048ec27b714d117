// The outage calendar: what it refuses, with the line and the reason, and
// which nominal times its windows hold, [start, end), across midnight and at
// the ends of a season.
#include "station/Outages.h"

#include "platform/DateTime.h"

#include <gtest/gtest.h>

namespace {

const QStringList Families{"crm", "seg", "hourly"};

// Milliseconds since 1970 of a UTC time.
int64_t At(int year, int month, int day, int hour, int minute, int second = 0)
{
    TDateTime date = 0, time = 0;
    EXPECT_TRUE(TryEncodeDate(year, month, day, date) && TryEncodeTime(hour, minute, second, 0, time));
    return DateTimeToUnixMs(date + time);
}

const char* const Calendar = "# the spring season\n"
                             "[eclipse]\nfamilies = *\ndaily = 23:00-01:30\nfrom = 2026-02-20\nuntil = 2026-04-10\n"
                             "reason = eclipse season\n\n"
                             "[manoeuvre]\nfamilies = seg, HOURLY\nstart = 2026-03-01 10:00\n"
                             "end = 2026-03-01T12:30:30\nreason = orbit manoeuvre\n";

TEST(Outages, RefusalsNameTheLineAndTheReason)
{
    const struct
    {
        const char* Text;
        const char* Error;
    } cases[] = {
        {"[a]\nfamilies = *\ndaily = 23:00-01:30\nfrom = 2026-01-01\nuntil = 2026-01-02\nwhy = x\n",
         "o:6: unknown key 'why'"},
        {"[a]\nfamilies = *\ndaily = 23:00-25:00\nfrom = 2026-01-01\nuntil = 2026-01-02\n",
         "o:3: daily: '23:00-25:00' is no span"},
        {"[a]\nfamilies = *\ndaily = 01:00-01:00\nfrom = 2026-01-01\nuntil = 2026-01-02\n", "o:3: daily: '01:00-01:00' "
                                                                                            "ends where it starts"},
        {"[a]\nfamilies = *\nstart = 2026-02-30 10:00\nend = 2026-03-01 10:00\n", "o:3: start: '2026-02-30 10:00' is "
                                                                                  "no time"},
        {"[a]\nfamilies = *\ndaily = 23:00-01:30\nfrom = 2026-01-01\nuntil = 2026-01-02\nstart = 2026-01-01 10:00\n",
         "o:6: [a]: both a daily window and a one-off one"},
        {"[a]\nfamilies = *\nstart = 2026-03-01 12:00\nend = 2026-03-01 11:59\n",
         "o:4: end 2026-03-01 11:59 is not after start 2026-03-01 12:00"},
        {"[a]\nfamilies = *\ndaily = 22:00-23:00\nfrom = 2026-03-02\nuntil = 2026-03-01\n",
         "o:5: until 2026-03-01 is before from 2026-03-02"},
        {"[a]\nfamilies = seg, segments\nstart = 2026-03-01 10:00\nend = 2026-03-01 11:00\n",
         "o:2: families: no family 'segments' (the families are crm, seg, hourly)"},
        {"[a]\nfamilies = *\ndaily = 22:00-23:00\nuntil = 2026-03-01\n", "o:1: [a]: a daily window needs from and "
                                                                         "until"},
        {"[a]\ndaily = 22:00-23:00\n", "o:1: [a]: no families"},
        {"[a]\nfamilies = *\nreason = x\n", "o:1: [a]: no window"},
        {"[a]\nfamilies = *\nfamilies = seg\n", "o:3: 'families' is given twice (line 2 and here)"},
        {"[a]\nfamilies = *   # all\n", "o:2: the value of 'families' holds a comment"},
        {"families = *\n", "o:1: a key before the first section"},
        {"[a]\nfamilies = *\nstart = 2026-03-01 10:00\nend = 2026-03-01 11:00\n[A]\n", "o:5: the window 'A' is named "
                                                                                       "twice (line 1 and here)"},
    };
    for (const auto& c : cases) {
        QString error;
        EXPECT_FALSE(ParseOutages(QString::fromUtf8(c.Text), QStringLiteral("o"), Families, error)) << c.Text;
        EXPECT_TRUE(error.startsWith(QString::fromUtf8(c.Error))) << c.Text << " gave " << qPrintable(error);
    }
}

TEST(Outages, WindowsHoldTheirSlotsFromStartUpToEnd)
{
    QString error;
    const std::optional<TOutageCalendar> calendar = ParseOutages(Calendar, "o", Families, error);
    ASSERT_TRUE(calendar) << error.toStdString();
    const TFamilyOutages seg = calendar->For("seg"), crm = calendar->For("crm");
    const struct
    {
        const char* What;
        int64_t Ms;
        int Seg, Crm;  // the window holding the time, -1 for none
    } cases[] = {
        {"the night before the season", At(2026, 2, 19, 23, 30), -1, -1},
        {"its first morning belongs to no night", At(2026, 2, 20, 0, 30), -1, -1},
        {"the first night starts at its start", At(2026, 2, 20, 23, 0), 0, 0},
        {"and runs past midnight", At(2026, 2, 21, 1, 29, 59), 0, 0},
        {"up to its end, which it leaves out", At(2026, 2, 21, 1, 30), -1, -1},
        {"the last night ends the day after until", At(2026, 4, 11, 1, 15), 0, 0},
        {"no night begins that day", At(2026, 4, 11, 23, 0), -1, -1},
        {"a one-off window for some families", At(2026, 3, 1, 10, 0), 1, -1},
        {"to its second", At(2026, 3, 1, 12, 30, 29), 1, -1},
        {"not beyond", At(2026, 3, 1, 12, 30, 30), -1, -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(seg.Excusing(c.Ms), c.Seg) << c.What;
        EXPECT_EQ(crm.Excusing(c.Ms), c.Crm) << c.What;
    }
    EXPECT_TRUE(seg.Calendar);
    EXPECT_EQ(crm.Windows.size(), 1u);
    EXPECT_EQ(seg.Windows[1].Told(), "orbit manoeuvre");
}

TEST(Outages, AnOutageLastsWhileAdjoiningWindowsHoldIt)
{
    QString error;
    const std::optional<TOutageCalendar> calendar = ParseOutages(
        QString::fromUtf8(Calendar) + "[ground]\nfamilies = seg\nstart = 2026-03-02 22:00\nend = 2026-03-02 23:30\n",
        "o", Families, error);
    ASSERT_TRUE(calendar) << error.toStdString();
    const TFamilyOutages seg = calendar->For("seg");
    // The maintenance runs into the night's eclipse: the outage ends with it.
    const std::optional<TActiveOutage> active = seg.ActiveAt(At(2026, 3, 2, 22, 30));
    ASSERT_TRUE(active);
    EXPECT_EQ(active->Window, 2);
    EXPECT_EQ(FormatOutageTime(active->UntilMs), "2026-03-03 01:30");
    EXPECT_FALSE(seg.ActiveAt(At(2026, 3, 2, 21, 59)));
    // 22:00 to 01:30, overlaps once; the manoeuvre's 2 h 30 min 30 s.
    EXPECT_EQ(seg.CoveredMs(At(2026, 3, 2, 21, 0), At(2026, 3, 3, 3, 0)), 210 * 60000);
    EXPECT_EQ(seg.CoveredMs(At(2026, 3, 1, 2, 0), At(2026, 3, 1, 22, 0)), 150 * 60000 + 30000);
}

}  // namespace

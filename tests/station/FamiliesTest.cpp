#include "station/Families.h"
#include "station/FamilyFolder.h"
#include "station/FilePattern.h"
#include "tests/common/TestDates.h"

#include "tests/common/TempDir.h"

#include <gtest/gtest.h>

namespace {

TEST(FilePattern, MatchesNamesAndReadsTheirTime)
{
    const QString segments = QStringLiteral("IMG_???_{channel}_{segment}_{time:%Y%m%d%H%M}.seg");
    struct TCase
    {
        QString Pattern;
        const char* Name;
        std::optional<TDateTime> Time;
    } cases[] = {
        {segments, "img_msg_vis006_007_202612071215.seg", At(2026, 12, 7, 12, 15)},
        {segments, "IMG_MSG_VIS006_007_202612071215.SEG", At(2026, 12, 7, 12, 15)},  // case-blind
        {segments, "img_msg__007_202612071215.seg", std::nullopt},                   // {channel} is not empty
        {segments, "img_msg_vis006_007_202613071215.seg", std::nullopt},             // no 13th month
        {segments, "img_ms_vis006_007_202612071215.seg", std::nullopt},              // ??? is three characters
        {segments, "img_msg_vis006_007_202612071215.seg.part", std::nullopt},        // whole names only
        // The first place in the name where the time fits.
        {QStringLiteral("*_{time:%Y%m%d}*"), "a_b_20260101_20261231x", At(2026, 1, 1)},
        {QStringLiteral("{time:%Y%j%H%M%S}"), "2024366235959", At(2024, 12, 31, 23, 59, 59)},
        {QStringLiteral("{time:%Y%j%H%M%S}"), "2025366235959", std::nullopt},  // 2025 has 365 days
        {QStringLiteral("{time:%Y%m%d%H}"), "2026010124", std::nullopt},
        {QStringLiteral("x{time:%Y-%m-%d %%%H}"), "X2026-03-04 %05", At(2026, 3, 4, 5)},
        // A UTF-8 sequence is one character for '?'.
        {QStringLiteral("?{time:%Y%m%d}"),
         "\xc3\xa9"
         "20260101",
         At(2026, 1, 1)},
    };
    for (const TCase& c : cases) {
        QString error;
        const std::optional<TFilePattern> pattern = TFilePattern::Parse(c.Pattern, error);
        ASSERT_TRUE(pattern) << qPrintable(error);
        EXPECT_EQ(pattern->Match(QByteArrayView(c.Name)), c.Time) << c.Name;
    }
}

TEST(FilePattern, RefusesPatternsWithoutOneUsableTime)
{
    const char* refused[] = {"*.seg",
                             "{time:%Y%m%d}{time:%Y%m%d}",
                             "{time:%Y%m%d%q}",
                             "{time:%m%d}",
                             "{time:%Y%j%m%d}",
                             "{time:%Y%m%d%Y}",
                             "a{b",
                             "a}b",
                             "{}{time:%Y%j}",
                             "{time:%Y%m%d%}"};
    for (const char* text : refused) {
        QString error;
        EXPECT_FALSE(TFilePattern::Parse(QString::fromUtf8(text), error)) << text;
        EXPECT_FALSE(error.isEmpty()) << text;
    }
}

TEST(FamilyFolder, DayFieldsAndBase)
{
    const TDateTime day = At(2026, 2, 3);
    EXPECT_EQ(FamilyDayFolder(QStringLiteral("%Y/%m/%d"), QStringLiteral("/d/"), day),
              QStringLiteral("/d/2026/02/03/"));
    EXPECT_EQ(FamilyDayFolder(QStringLiteral("/abs/%Y%j"), QStringLiteral("/d/"), day),
              QStringLiteral("/abs/2026034/"));
    EXPECT_EQ(FamilyDayFolder(QStringLiteral("flat"), QStringLiteral("/d/"), day), QStringLiteral("/d/flat/"));
    EXPECT_EQ(FamilyBaseFolder(QStringLiteral("seg/%Y/%m"), QStringLiteral("/d/")), QStringLiteral("/d/seg/"));
    EXPECT_EQ(FamilyBaseFolder(QStringLiteral("%Y/%m/%d"), QString()), QString());
    EXPECT_FALSE(HasDayFields(QStringLiteral("flat/100%%")));
    QString reason;
    EXPECT_FALSE(CheckFamilyFolder(QStringLiteral("%Y/%H"), reason));
}

const char* const ThreeFamilies = R"(# a station
[defaults]
warning = 5
critical = 10
keep-days = 31

[seg]
folder = seg/%Y/%m/%d
pattern = IMG_{segment}_{time:%Y%m%d%H%M}.seg
expect = 15m
files-per-slot = 114

[HOURLY]
pattern = h_{time:%Y%m%d%H}.nc
expect = 1h
delay = name-time
missing = ok
keep-days = 60

[crm]
critical = 50
)";

TEST(Families, FileGivesFamiliesWithTheirLimitsInOrder)
{
    QString error;
    const auto families = ParseFamilies(QString::fromUtf8(ThreeFamilies), QStringLiteral("f.conf"), error);
    ASSERT_TRUE(families) << qPrintable(error);
    ASSERT_EQ(families->size(), 3u);
    const TFamily& crm = (*families)[0];
    EXPECT_TRUE(crm.BuiltInCrm);
    EXPECT_EQ(crm.Limits.WarningMinutes, 35);  // [defaults] is not for crm
    EXPECT_EQ(crm.Limits.CriticalMinutes, 50);
    EXPECT_FALSE(crm.KeepDays);
    const TFamily& seg = (*families)[1];
    EXPECT_EQ(seg.Name, QStringLiteral("seg"));
    EXPECT_EQ(seg.Folder, QStringLiteral("seg/%Y/%m/%d"));
    EXPECT_EQ(seg.FilesPerSlot, 114);
    ASSERT_TRUE(seg.Expect);
    EXPECT_EQ(seg.Expect->SlotMinutes.size(), 96u);
    EXPECT_EQ(seg.Limits.CriticalMinutes, 10);
    EXPECT_EQ(seg.KeepDays, 31);
    const TFamily& hourly = (*families)[2];
    EXPECT_EQ(hourly.Name, QStringLiteral("HOURLY"));
    EXPECT_EQ(hourly.Folder, DefaultFamilyFolder);
    EXPECT_EQ(hourly.Expect->SlotMinutes.size(), 24u);
    EXPECT_EQ(hourly.Delay, TDelaySource::NameTime);
    EXPECT_EQ(hourly.Limits.Missing, TMissingPolicy::Ok);
    EXPECT_EQ(hourly.KeepDays, 60);

    const auto chosen = SelectFamilies(*families, {QStringLiteral("hourly"), QStringLiteral("CRM")}, error);
    ASSERT_TRUE(chosen);
    ASSERT_EQ(chosen->size(), 2u);
    EXPECT_EQ((*chosen)[0].Name, QStringLiteral("crm"));
    EXPECT_FALSE(SelectFamilies(*families, {QStringLiteral("sge")}, error));
}

TEST(Families, RefusalsNameTheLineAndTheReason)
{
    struct TCase
    {
        std::string Text;
        const char* Error;
    } cases[] = {
        {"[a]\npattern = {time:%Y%j}\n[A]\npattern = {time:%Y%j}\n", "f:3: the family 'A' is named twice"},
        {"[a]\npatern = x\n", "f:2: unknown key 'patern'"},
        {"[a]\npattern = *.seg\n", "f:2: pattern: no {time:FORMAT}"},
        {"[a]\npattern = {time:%Y%q}\n", "f:2: pattern: unknown field '%q'"},
        {"[a]\npattern = {time:%Y%j}\nmissing = sometimes\n", "f:3: missing: 'sometimes' is none"},
        {"[a]\npattern = {time:%Y%j}\nexpect = 7m\n", "f:3: expect: '7m' is no whole part of a day"},
        {"[a b]\n", "f:1: 'a b' is no family name"},
        {"[a]\nno value here\n", "f:2: neither [NAME] nor key = value"},
        {"pattern = x\n", "f:1: a key before the first section"},
        {"[a]\nfolder = x\n", "f:1: [a] has no pattern"},
        {"[crm]\nkeep-days = 40\n", "f:1: [crm]: keep-days: the CRM ledger keeps every line"},
        {"[a]\npattern = {time:%Y%j}\nkeep-days = 30\n", "f:3: keep-days: 30 is below 31"},
        {"[defaults]\nkeep-days = 7\n", "f:2: keep-days: 7 is below 31"},
        {"[a]\npattern = AMV_{time:%Y%m%d%H}00.nc   # hourly\n", "f:2: the value of 'pattern' holds a comment"},
        {"[a]\npattern = {time:%Y%j}\nwarning = 5\t; soon\n", "f:3: the value of 'warning' holds a comment"},
        {"[a]\n\npattern = {time:%Y%j}" + std::string(4086, '*') + "\n",
         "f:3: the value of 'pattern' is longer than 4096 characters"},
        {"[crm]\nenabled = false\n", "f:1: every family is disabled"},
        {"[a]\n[defaults]\n", "f:2: [defaults] must come before the families"},
    };
    for (const TCase& c : cases) {
        QString error;
        EXPECT_FALSE(ParseFamilies(QString::fromStdString(c.Text), QStringLiteral("f"), error)) << c.Text;
        EXPECT_TRUE(error.startsWith(QString::fromUtf8(c.Error))) << c.Text << " gave " << qPrintable(error);
    }
}

TEST(Families, AFileBeyondItsLimitIsRefusedUnread)
{
    TempDir dir;
    // It would parse: a family and a long comment.
    const QString path =
        dir.Write("families.conf", "[a]\npattern = {time:%Y%j}\n" + QByteArray(MaxFamiliesFileBytes, '#'));
    QString error;
    EXPECT_FALSE(ReadFamiliesFile(path, true, error));
    EXPECT_EQ(error, path + ": the families file is larger than 1048576 bytes (1 MiB); a families file is a few "
                           "sections of text");
}

TEST(Families, CrmCanBeDroppedAndMissingDefaultFileMeansCrmAlone)
{
    QString error;
    const auto families = ParseFamilies(QStringLiteral("[crm]\nenabled = false\n[h]\npattern = h{time:%Y%m%d%H}\n"),
                                        QStringLiteral("f"), error);
    ASSERT_TRUE(families) << qPrintable(error);
    ASSERT_EQ(families->size(), 1u);
    EXPECT_EQ(families->front().Name, QStringLiteral("h"));
    const auto alone = ReadFamiliesFile(QStringLiteral("/nonexistent/families.conf"), false, error);
    ASSERT_TRUE(alone);
    EXPECT_TRUE(alone->front().BuiltInCrm);
    EXPECT_FALSE(ReadFamiliesFile(QStringLiteral("/nonexistent/families.conf"), true, error));
}

}  // namespace

#include "app/CommandLine.h"
#include "app/RegistryVariables.h"
#include "app/StartupConfig.h"

#include "tests/common/TempDir.h"

#include <gtest/gtest.h>

namespace {

TEST(CommandLine, RecognisesTheCloseSwitch)
{
    struct Case { const char* argument; bool isSwitch; };
    const Case cases[] = {
        {"/close", true}, {"-close", true}, {"/CLOSE", true}, {"-Close", true},
        {"close", false}, {"/closed", false}, {"--close", false}, {"-clos", false},
        {"", false}, {"/", false}, {"\\close", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsCloseSwitch(c.argument), c.isSwitch) << c.argument;
    EXPECT_TRUE(HasCloseSwitch({"/data", "/ledger", "-CLOSE"}));
    EXPECT_TRUE(HasCloseSwitch({"/close"}));
    EXPECT_FALSE(HasCloseSwitch({"/data", "close"}));
}

TEST(CommandLine, FindsThePngSwitchAndInfoRequests)
{
    EXPECT_EQ(PngSwitchFile({"/d", "/l", "-png=/tmp/a.png"}).value_or(""), "/tmp/a.png");
    EXPECT_EQ(PngSwitchFile({"/d", "/l", "/PNG=x.png", "-close"}).value_or(""), "x.png");
    EXPECT_FALSE(PngSwitchFile({"/d", "/l", "-png="}).has_value());
    EXPECT_FALSE(PngSwitchFile({"/d", "png=x"}).has_value());

    EXPECT_EQ(InfoRequest({"--help"}), TInfoRequest::Help);
    EXPECT_EQ(InfoRequest({"--version"}), TInfoRequest::Version);
    EXPECT_EQ(InfoRequest({"--help", "x"}), TInfoRequest::None);
    EXPECT_EQ(InfoRequest({"/data/"}), TInfoRequest::None);
    EXPECT_TRUE(UsageText().contains("-close"));
    EXPECT_TRUE(UsageText().contains("-png=FILE"));
}

TEST(CompanyKey, FollowsTheExecutableName)
{
    struct Case { const char* path; const char* key; };
    const Case cases[] = {
        {"/usr/bin/lagwatch", "Ashgrove"}, {"/opt/x/QUILLAN.EXE", "Fernleigh"},
        {"/opt/x/quillan.exe", "Fernleigh"}, {"/opt/x/Quillan", "Fernleigh"},
        {"quillan", "Fernleigh"}, {"/opt/x/quillan2", "Ashgrove"}, {"/opt/quillan/lagwatch", "Ashgrove"},
        {"", "Ashgrove"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CompanyKeyForExecutable(c.path), QString(c.key)) << c.path;
}

TEST(DataFolder, AddsTheDelimiterAndFindsMpef)
{
    TempDir dir;
    const QString plain = dir.MakeDir("plain");
    const QString withMpef = dir.MakeDir("station");
    dir.MakeDir("station/MPEF");
    const QString base = dir.Path();
    struct Case { QString settings; QStringList args; QString expected; };
    const Case cases[] = {
        {base + "plain/", {}, base + "plain/"},
        {base + "plain", {}, base + "plain/"},  // no longer composes ".../plain2021/06/23/"
        {base + "station", {}, base + "station/MPEF/"},
        {"", {base + "station"}, base + "station/MPEF/"},
        {base + "plain", {base + "station/"}, base + "station/MPEF/"},
        {"", {"/close"}, "/close/"},
        {"", {}, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ComposeDataFolder(c.settings, c.args), c.expected) << c.settings.toStdString();
}

TEST(LedgerLocation, PrefersArgumentTwoThenTheExecutableFolderThenTheDataHome)
{
    TempDir dir;
    const QString exe = dir.MakeDir("bin");
    const QString given = dir.Write("given.txt", "a=1\r\n");
    const QString home = dir.MakeDir("share");

    auto at = ChooseLedger({"/d", given, "-close"}, exe, home);
    EXPECT_EQ(at.Path, given);
    at = ChooseLedger({"/d", dir.FilePath("absent.txt")}, exe, home);
    EXPECT_EQ(at.Path, exe + "/CRM-received.txt");
    at = ChooseLedger({"/d", dir.Path()}, exe, home);  // a folder is not a ledger
    EXPECT_EQ(at.Path, exe + "/CRM-received.txt");

    if (geteuid() == 0)
        GTEST_SKIP() << "root can write every folder";
    const QString locked = dir.MakeDir("locked");
    dir.Write("locked/CRM-received.txt", "old=1\r\n");
    chmod(QFile::encodeName(locked).constData(), 0555);
    at = ChooseLedger({}, locked, home);
    EXPECT_EQ(at.Path, home + "/lagwatch/CRM-received.txt");
    EXPECT_EQ(at.LoadPath, locked + "/CRM-received.txt");
    chmod(QFile::encodeName(locked).constData(), 0755);
}

} // namespace

#include "app/CommandLine.h"
#include "station/RegistryVariables.h"
#include "station/StartupConfig.h"

#include "tests/common/Faults.h"
#include "tests/common/TempDir.h"

#include <gtest/gtest.h>

namespace {

TEST(CommandLine, RecognisesTheCloseSwitch)
{
    struct Case
    {
        const char* argument;
        bool isSwitch;
    };
    const Case cases[] = {
        {"/close", true}, {"-close", true},   {"/CLOSE", true},   {"-Close", true},
        {"close", false}, {"/closed", false}, {"--close", false}, {"-clos", false},
        {"", false},      {"/", false},       {"\\close", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseCommandLine({c.argument}).Line.Close, c.isSwitch) << c.argument;
}

QString Describe(const TCommandLine& l)
{
    QStringList parts;
    parts << "pos=" + l.Positional.join('|');
    if (l.Close)
        parts << "close";
    if (l.Check)
        parts << "check";
    if (l.PngFile)
        parts << "png=" + *l.PngFile;
    if (l.HistoryPngFile)
        parts << "history-png=" + *l.HistoryPngFile;
    if (l.PngScale != 1)
        parts << QString("scale=%1").arg(l.PngScale);
    if (l.MetricsFile)
        parts << "metrics=" + *l.MetricsFile;
    if (l.CsvFile)
        parts << "csv=" + *l.CsvFile;
    if (l.ReportFile)
        parts << "report=" + *l.ReportFile;
    if (l.Expect) {
        QStringList times;
        for (const int m : l.Expect->SlotMinutes)
            times << QString::number(m);
        parts << "expect=" +
                     (l.Expect->SlotMinutes.size() > 4 ? QString("%1 slots").arg(times.size()) : times.join(','));
    }
    const TFamilyLimits& m = l.Limits;
    if (m.MissingAfterMinutes != 90 || m.MissingWarning != 1 || m.MissingCritical != 3)
        parts << QString("missing=%1/%2/%3").arg(m.MissingAfterMinutes).arg(m.MissingWarning).arg(m.MissingCritical);
    if (m.WarningMinutes != 35 || m.CriticalMinutes != 45 || m.MaxAgeHours != 26)
        parts << QString("thresholds=%1/%2/%3").arg(m.WarningMinutes).arg(m.CriticalMinutes).arg(m.MaxAgeHours);
    if (l.RefreshMinutes != 0)
        parts << QString("refresh=%1").arg(l.RefreshMinutes);
    if (l.Info == TInfoRequest::Help)
        parts << "help";
    if (l.Info == TInfoRequest::Version)
        parts << "version";
    return parts.join(' ');
}

TEST(CommandLine, SwitchesStandAnywhereAndPositionalsAreTheRest)
{
    struct Case
    {
        QStringList args;
        const char* parsed;
    };
    const Case cases[] = {
        // The configured station's scheduled run: no folder on the line.
        {{"-close"}, "pos= close"},
        {{"/CLOSE"}, "pos= close"},
        {{"-close", "/data", "/ledger"}, "pos=/data|/ledger close"},
        {{"/data", "-close", "/ledger"}, "pos=/data|/ledger close"},
        {{"/data", "/ledger", "-Close"}, "pos=/data|/ledger close"},
        {{"-png=/tmp/a.png", "/data"}, "pos=/data png=/tmp/a.png"},
        {{"/data", "/PNG=x.png", "-png=y.png"}, "pos=/data png=y.png"},  // the last one counts
        // "--" ends the switches; a lone "-" and "/..." paths are positional.
        {{"--", "-close", "-data"}, "pos=-close|-data"},
        {{"-close", "--", "--"}, "pos=-- close"},
        {{"-", "/ledger"}, "pos=-|/ledger"},
        {{"/closed", "/help"}, "pos=/closed|/help"},
        {{"/data/close"}, "pos=/data/close"},
        // Monitoring switches, in both spellings, values with '=' kept whole.
        {{"-check", "-warning=30", "/critical=50.5", "-MAX-AGE=2"}, "pos= check thresholds=30/50.5/2"},
        {{"-metrics=/var/lib/x.prom", "/csv=-"}, "pos= metrics=/var/lib/x.prom csv=-"},
        {{"-csv=a=b.csv"}, "pos= csv=a=b.csv"},
        {{"-history-png=map.jpg", "/PNG-SCALE=4", "-png=c.png"}, "pos= png=c.png history-png=map.jpg scale=4"},
        {{"-png-scale=2", "-png-scale=1"}, "pos="},
        {{"-warning=45", "-critical=45"}, "pos= thresholds=45/45/26"},
        {{"-refresh=1", "/data"}, "pos=/data refresh=1"},
        {{"/REFRESH=1440"}, "pos= refresh=1440"},
        // The completeness switches.
        {{"-report=-", "-close"}, "pos= close report=-"},
        {{"-expect=15m", "/REPORT=r.csv"}, "pos= report=r.csv expect=96 slots"},
        {{"/expect=13:15,12:00", "-missing-after=120.5"}, "pos= expect=720,795 missing=120.5/1/3"},
        {{"-Missing-Warning=2", "-missing-critical=2"}, "pos= missing=90/2/2"},
        {{"-check", "-report=r.csv", "-csv=l.csv"}, "pos= check csv=l.csv report=r.csv"},
        // --help and --version answer wherever they stand, whatever else is there.
        {{"/data", "--help"}, "pos=/data help"},
        {{"-clsoe", "-h"}, "pos= help"},
        {{"--version", "/data"}, "pos=/data version"},
        {{"--version", "--help"}, "pos= help"},
    };
    for (const Case& c : cases) {
        const TParsedCommandLine p = ParseCommandLine(c.args);
        EXPECT_EQ(p.Error, "") << c.args.join(' ').toStdString();
        EXPECT_EQ(Describe(p.Line), c.parsed) << c.args.join(' ').toStdString();
    }
}

TEST(CommandLine, RefusesWhatItDoesNotKnow)
{
    struct Case
    {
        QStringList args;
        const char* error;
        bool check;
    };
    // One case for each way the parser refuses a line; -expect's own
    // sentences are the schedule parser's (CompletenessTest).
    const Case cases[] = {
        {{"-foo", "-bar"}, "unknown option '-foo'", false},  // the first one is named
        {{"/png="}, "option '/png' needs a value: /png=FILE", false},
        {{"/data", "/ledger", "/extra"},
         "unexpected argument '/extra' (a data folder and a ledger are already given)",
         false},
        {{"-check", "-warning=3,5"}, "option '-warning' needs a number of minutes, not '3,5'", true},
        {{"-png-scale"}, "option '-png-scale' needs a value: -png-scale=N", false},
        {{"-png-scale=1.5"}, "option '-png-scale' needs a whole number from 1 to 4, not '1.5'", false},
        {{"-refresh=0"}, "option '-refresh' needs a whole number of minutes from 1 to 1440, not '0'", false},
        {{"-refresh=1441"}, "option '-refresh' needs a whole number of minutes from 1 to 1440, not '1441'", false},
        {{"/refresh=2.5"}, "option '/refresh' needs a whole number of minutes from 1 to 1440, not '2.5'", false},
        {{"-check", "-warning=50", "-critical=45"}, "warning (50 minutes) is above critical (45 minutes)", true},
        {{"-expect=25:00"},
         "option '-expect': '25:00' is neither every N minutes (15m) nor a list of times of day from 00:00 to 23:59 "
         "(12:00,13:15)",
         false},
        {{"-expect"}, "option '-expect' needs a value: -expect=15m|HH:MM,...", false},
        {{"-check", "-csv=-"}, "-csv=- cannot share standard output with the line of -check", true},
        {{"-check", "-report=-"}, "-report=- cannot share standard output with the line of -check", true},
        {{"-csv=-", "-report=-"}, "-csv=- and -report=- cannot share standard output", false},
    };
    for (const Case& c : cases) {
        const TParsedCommandLine p = ParseCommandLine(c.args);
        EXPECT_EQ(p.Error, c.error) << c.args.join(' ').toStdString();
        EXPECT_EQ(p.Line.Check, c.check) << c.args.join(' ').toStdString();
    }
}

TEST(CompanyKey, FollowsTheExecutableName)
{
    struct Case
    {
        const char* path;
        const char* key;
    };
    const Case cases[] = {
        {"/usr/bin/lagwatch", "Ashgrove"},
        {"/opt/x/QUILLAN.EXE", "Fernleigh"},
        {"/opt/x/quillan.exe", "Fernleigh"},
        {"/opt/x/Quillan", "Fernleigh"},
        {"quillan", "Fernleigh"},
        {"/opt/x/quillan2", "Ashgrove"},
        {"/opt/quillan/lagwatch", "Ashgrove"},
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
    struct Case
    {
        QString settings;
        QStringList args;
        QString expected;
    };
    const Case cases[] = {
        {base + "plain/", {}, base + "plain/"},
        {base + "plain", {}, base + "plain/"},  // no longer composes ".../plain2021/06/23/"
        {base + "station", {}, base + "station/MPEF/"},
        {"", {base + "station"}, base + "station/MPEF/"},
        {base + "plain", {base + "station/"}, base + "station/MPEF/"},
        {"", {"/data/close"}, "/data/close/"},
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

    auto at = ChooseLedger({"/d", given, "-close"}, exe, home, "/d/", "/d/");
    EXPECT_EQ(at.Path, given);
    at = ChooseLedger({"/d", dir.FilePath("absent.txt")}, exe, home, "/d/", "/d/");
    EXPECT_EQ(at.Path, exe + "/CRM-received.txt");
    at = ChooseLedger({"/d", dir.Path()}, exe, home, "/d/", "/d/");  // a folder is not a ledger
    EXPECT_EQ(at.Path, exe + "/CRM-received.txt");

    // A folder the user cannot write binds an ordinary user only: that step runs as one.
    const QString locked = dir.MakeDir("locked");
    dir.Write("locked/CRM-received.txt", "old=1\r\n");
    GiveToNobody(dir.Path());
    chmod(QFile::encodeName(locked).constData(), 0555);
    EXPECT_EQ(RunAsNobody([&] {
                  const auto chosen = ChooseLedger({}, locked, home, "/d/", "/d/");
                  return chosen.Path == home + "/lagwatch/" + DataFolderLedgerName("/d/") + "/CRM-received.txt" &&
                         chosen.LoadPath == locked + "/CRM-received.txt";
              }),
              0)
        << "the ledger beside a read-only executable was chosen";
    chmod(QFile::encodeName(locked).constData(), 0755);
}

// The outages file may name any family of the families file, whatever
// -family selects; without a families file only crm is known.
TEST(CommandLine, OutagesNameTheStationsFamilies)
{
    TempDir dir;
    const QString outages = "-outages=" + dir.Write("o.conf", "[m]\nfamilies = seg\nstart = 2026-03-01 10:00\n"
                                                              "end = 2026-03-01 11:00\n");
    TParsedCommandLine p = ParseCommandLine(
        {outages, "-family=crm", "-families=" + dir.Write("f.conf", "[seg]\npattern = s{time:%Y%j}\n")});
    QString error;
    EXPECT_TRUE(ResolveFamilies(p.Line, error)) << error.toStdString();
    p = ParseCommandLine({outages, "-families=" + dir.Write("crm.conf", "")});
    EXPECT_FALSE(ResolveFamilies(p.Line, error));
    EXPECT_EQ(error, dir.FilePath("o.conf") + ":2: families: no family 'seg' (the families are crm)");
}

TEST(CommandLine, FamiliesFromTheFileWithTheSwitchesGivenOnTop)
{
    TempDir dir;
    const QString file = dir.Write("f.conf", "[defaults]\nwarning = 5\ncritical = 20\n[seg]\npattern = s{time:%Y%j}\n"
                                             "[hourly]\npattern = h{time:%Y%j}\nwarning = 10\n");
    TParsedCommandLine p = ParseCommandLine({"-families=" + file, "-family=HOURLY,crm", "-critical=40"});
    ASSERT_TRUE(p.Error.isEmpty()) << p.Error.toStdString();
    QString error;
    ASSERT_TRUE(ResolveFamilies(p.Line, error)) << error.toStdString();
    ASSERT_EQ(p.Line.Families.size(), 2u);
    EXPECT_EQ(p.Line.Families[0].Name, "crm");
    EXPECT_EQ(p.Line.Families[1].Limits.WarningMinutes, 10);  // the section's, not the switch's default
    EXPECT_EQ(p.Line.Families[1].Limits.CriticalMinutes, 40);
    EXPECT_EQ(p.Line.Families[0].Limits.CriticalMinutes, 40);
    // The switches may not leave a family's warning above its critical limit.
    p = ParseCommandLine({"-families=" + file, "-warning=25"});
    EXPECT_FALSE(ResolveFamilies(p.Line, error));
    EXPECT_EQ(error, "the family seg: warning (25 minutes) is above critical (20 minutes)");
    // One switch of a pair is weighed against each watched family's other limit.
    p = ParseCommandLine({"-families=" + file, "-family=seg", "-critical=8"});
    ASSERT_TRUE(p.Error.isEmpty()) << p.Error.toStdString();
    ASSERT_TRUE(ResolveFamilies(p.Line, error)) << error.toStdString();
    EXPECT_EQ(p.Line.Families[0].Limits.CriticalMinutes, 8);
    const QString crmAlone = dir.Write("crm.conf", "");
    p = ParseCommandLine({"-families=" + crmAlone, "-missing-warning=4"});
    EXPECT_FALSE(ResolveFamilies(p.Line, error));
    EXPECT_EQ(error, "missing-warning (4 products) is above missing-critical (3 products)");

    EXPECT_EQ(ParseCommandLine({"-family=a b"}).Error, "option '-family': 'a b' is no family name");
    p = ParseCommandLine({"-families=" + dir.FilePath("absent.conf")});
    EXPECT_FALSE(ResolveFamilies(p.Line, error));
    EXPECT_TRUE(error.contains("cannot read the families file")) << error.toStdString();
}

}  // namespace

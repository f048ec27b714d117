// Where the ledger lives when no ledger file is given: beside an executable
// run from its build folder (or a copy of it), in the user's data folder for
// an installed one, even when the install folder is writable (as for root).
#include "station/StartupConfig.h"

#include "tests/common/TempDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

TEST(LedgerLocation, InstalledProgramKeepsItsLedgerInTheDataHome)
{
    enum class TBeside { None, Ledger };
    enum class TOwn { None, Ledger };
    struct Case
    {
        const char* name;
        bool installLayout;  // <bin>/../share/lagwatch exists
        TBeside beside;      // CRM-received.txt beside the executable
        TOwn own;            // <dataHome>/lagwatch/CRM-received.txt
        bool savedBeside;    // else saved in the data home
        bool loadedBeside;   // else loaded from where it is saved
    };
    const Case cases[] = {
        // A build run from its build folder, or a copy in a writable folder.
        {"build folder", false, TBeside::None, TOwn::None, true, true},
        {"build folder, ledger beside", false, TBeside::Ledger, TOwn::None, true, true},
        {"build folder, data-home ledger too", false, TBeside::Ledger, TOwn::Ledger, true, true},
        // Installed: the folder is writable here, yet nothing is written there.
        {"installed", true, TBeside::None, TOwn::None, false, false},
        {"installed, old ledger beside is carried over", true, TBeside::Ledger, TOwn::None, false, true},
        {"installed, carried over once", true, TBeside::Ledger, TOwn::Ledger, false, false},
        {"installed, own ledger", true, TBeside::None, TOwn::Ledger, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const QString bin = dir.MakeDir("prefix/bin");
        if (c.installLayout) {
            ASSERT_TRUE(QDir().mkpath(QDir::cleanPath(bin + "/" + LAGWATCH_DATA_FROM_BIN)));
        }
        if (c.beside == TBeside::Ledger)
            dir.Write("prefix/bin/CRM-received.txt", "old=1\r\n");
        const QString home = dir.MakeDir("share");
        if (c.own == TOwn::Ledger)
            dir.Write("share/lagwatch/CRM-received.txt", "new=1\r\n");

        EXPECT_EQ(RunsFromInstallLocation(bin), c.installLayout);
        const QString beside = bin + "/CRM-received.txt";
        const QString own = home + "/lagwatch/CRM-received.txt";
        const TLedgerLocation at = ChooseLedger({"/data"}, bin, home);
        EXPECT_EQ(at.Path, c.savedBeside ? beside : own);
        EXPECT_EQ(at.LoadPath, c.loadedBeside ? beside : at.Path);

        // A ledger named on the command line wins over every default.
        const QString given = dir.Write("given.txt", "a=1\r\n");
        const TLedgerLocation named = ChooseLedger({"/data", given}, bin, home);
        EXPECT_EQ(named.Path, given);
        EXPECT_EQ(named.LoadPath, given);
    }
}

TEST(LedgerLocation, InstallLayoutIsTheSharedDataFolderBesideBin)
{
    // Only a folder counts: a stray file of that name is no install layout.
    TempDir dir;
    const QString bin = dir.MakeDir("usr/bin");
    const QString data = QDir::cleanPath(bin + "/" + LAGWATCH_DATA_FROM_BIN);
    EXPECT_FALSE(RunsFromInstallLocation(bin));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(data).absolutePath()));
    QFile stray(data);
    ASSERT_TRUE(stray.open(QIODevice::WriteOnly));
    stray.close();
    EXPECT_FALSE(RunsFromInstallLocation(bin));
    ASSERT_TRUE(QFile::remove(data));
    ASSERT_TRUE(QDir().mkpath(data));
    EXPECT_TRUE(RunsFromInstallLocation(bin));
    EXPECT_TRUE(RunsFromInstallLocation(bin + "/"));
}

}  // namespace

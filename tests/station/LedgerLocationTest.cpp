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

TEST(LedgerLocation, InstalledProgramKeepsEachDataFoldersLedgerInTheDataHome)
{
    enum class TFrom { Beside, Shared, Own };
    struct Case
    {
        const char* name;
        bool installLayout;   // <bin>/../share/lagwatch exists
        bool beside;          // CRM-received.txt beside the executable
        bool shared;          // <dataHome>/lagwatch/CRM-received.txt, of earlier versions
        bool own;             // the data folder's own ledger
        bool settingsFolder;  // the data folder is the settings' one
        bool savedBeside;     // else saved as the data folder's own
        TFrom loaded;
    };
    const Case cases[] = {
        // A build run from its build folder, or a copy in a writable folder.
        {"build folder", false, false, false, false, true, true, TFrom::Beside},
        {"build folder, ledgers elsewhere too", false, true, true, true, true, true, TFrom::Beside},
        // Installed: the folder is writable here, yet nothing is written there.
        {"installed", true, false, false, false, true, false, TFrom::Own},
        {"installed, shared ledger carried over", true, true, true, false, true, false, TFrom::Shared},
        {"installed, ledger beside carried over", true, true, false, false, true, false, TFrom::Beside},
        {"installed, carried over once", true, true, true, true, true, false, TFrom::Own},
        // Another data folder (the demo tree) never takes the station's ledger.
        {"installed, another data folder", true, true, true, false, false, false, TFrom::Own},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const QString bin = dir.MakeDir("prefix/bin");
        if (c.installLayout) {
            ASSERT_TRUE(QDir().mkpath(QDir::cleanPath(bin + "/" + LAGWATCH_DATA_FROM_BIN)));
        }
        if (c.beside)
            dir.Write("prefix/bin/CRM-received.txt", "old=1\r\n");
        const QString home = dir.MakeDir("share");
        if (c.shared)
            dir.Write("share/lagwatch/CRM-received.txt", "shared=1\r\n");
        const QString data = dir.MakeDir("station data") + "/";
        const QString ownFolder = "share/lagwatch/" + DataFolderLedgerName(data);
        if (c.own)
            dir.Write(ownFolder + "/CRM-received.txt", "new=1\r\n");
        const QString settings = c.settingsFolder ? data : dir.MakeDir("demo") + "/";

        EXPECT_EQ(RunsFromInstallLocation(bin), c.installLayout);
        const QString beside = bin + "/CRM-received.txt";
        const QString own = dir.Path() + ownFolder + "/CRM-received.txt";
        const TLedgerLocation at = ChooseLedger({data}, bin, home, data, settings);
        EXPECT_EQ(at.Path, c.savedBeside ? beside : own);
        EXPECT_EQ(at.LoadPath, c.loaded == TFrom::Beside   ? beside
                               : c.loaded == TFrom::Shared ? home + "/lagwatch/CRM-received.txt"
                                                           : at.Path);

        // A ledger named on the command line wins over every default.
        const QString given = dir.Write("given.txt", "a=1\r\n");
        const TLedgerLocation named = ChooseLedger({data, given}, bin, home, data, settings);
        EXPECT_EQ(named.Path, given);
        EXPECT_EQ(named.LoadPath, given);
    }
    // Readable, and apart even where the readable parts agree.
    EXPECT_TRUE(DataFolderLedgerName("/srv/images/MPEF/").startsWith("srv_images_MPEF-"));
    EXPECT_NE(DataFolderLedgerName("/a_b"), DataFolderLedgerName("/a/b"));
    EXPECT_EQ(DataFolderLedgerName("/a/b/"), DataFolderLedgerName("/a/b"));
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

#pragma once
// A station of June 2021 seen on 23 June at 14:00 UTC (the clock pinned),
// with a settings folder of its own, and the main window over it after its
// first scan. For the window's tests alone, which link the desktop library.
#include "app/CommandLine.h"
#include "app/StationRun.h"
#include "desktop/LagwatchPlotForm.h"
#include "platform/FileTimes.h"
#include "tests/common/ScopedEnvironment.h"
#include "tests/common/TempDir.h"
#include "tests/common/TestDates.h"

#include <QFile>
#include <gtest/gtest.h>
#include <memory>

struct TWindowStation
{
    // A file below data/2021/06/DD/ (DD follows "202106" in its name) that
    // came `minutes` late.
    void Deliver(const QString& name, int minutes)
    {
        const QString day = name.mid(name.indexOf("202106") + 6, 2);
        const QString path = Dir.Write(Folder + "data/2021/06/" + day + "/" + name, "DATA");
        const auto times = ReadFileTimes(QFile::encodeName(path));
        ASSERT_TRUE(times && SetLastWriteMs(path, times->CreationMs - minutes * 60000));
    }
    // The data folder and the ledger below Folder, made at their first use.
    QString Data()
    {
        // Not made again once made: a test may take it away.
        if (FData != Dir.FilePath(Folder + "data"))
            FData = Dir.MakeDir(Folder + "data");
        return FData;
    }
    QString Ledger()
    {
        const QString path = Dir.FilePath(Folder + "ledger.txt");
        return QFile::exists(path) ? path : Dir.Write(Folder + "ledger.txt", "");
    }
    // The window over the station with the switches (and a families file).
    std::unique_ptr<TFormLagwatchPlot> Open(QStringList switches = {}, const QString& families = {})
    {
        if (!families.isEmpty())
            switches.append("-families=" + Dir.Write(Folder + "families.conf", families.toUtf8()));
        TParsedCommandLine parsed = ParseCommandLine(switches + QStringList{Data(), Ledger()});
        EXPECT_TRUE(parsed.Error.isEmpty() && ResolveFamilies(parsed.Line, parsed.Error)) << parsed.Error.toStdString();
        Run = std::make_unique<TStationRun>(parsed.Line);
        auto form = std::make_unique<TFormLagwatchPlot>(*Run);
        form->TimerOnStartTimer();
        return form;
    }

    TPinnedClock Clock{At(2021, 6, 23, 14)};
    TempDir Dir;
    QString Folder;  // below Dir, of the station
    std::unique_ptr<TStationRun> Run;
    TScopedEnvironment ConfigHome{"XDG_CONFIG_HOME", QFile::encodeName(Dir.Path() + "config")};

private:
    QString FData;
};

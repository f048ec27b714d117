#include "DemoFamilies.h"

#include "DemoFiles.h"
#include "platform/PathBytes.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <iterator>
#include <random>

namespace DemoData {

namespace {

constexpr int64_t Quarter = 15 * 60, Hour = 60 * 60, Day = 24 * Hour;
// A slot's files, in the order their names sort: the last channel's last
// segment sorts last.
constexpr const char* Channels[] = {"IR108", "VIS06", "WV062"};
constexpr int SegmentsPerChannel = 4;
constexpr int FilesPerSlot = static_cast<int>(std::size(Channels)) * SegmentsPerChannel;
// The late slot's late file (neither first nor last of its slot), and the
// files the incomplete slot lacks (its last channel's last two segments).
constexpr int LateFile = 1;
constexpr int MissingFiles = 2;

// The families file: the README's example, with a heading.
const char FamiliesText[] = R"(# The product families of lagwatch-demo-data's station; lagwatch(1), FAMILIES,
# describes every key. The CRM products are the built-in first family, crm.

# 12 image segments every 15 minutes, in day folders of their own
[segments]
folder = IMG/%Y/%m/%d
pattern = IMG_{channel}_{segment}_{time:%Y%m%d%H%M}.seg
expect = 15m
files-per-slot = 12
warning = 5
critical = 10

# an hourly product, all in one folder
[hourly]
folder = derived
pattern = AMV_{time:%Y%m%d%H}00.nc
expect = 1h
)";

// "2026/12/08/" and "202612080300" of a time.
QString DayFolder(int64_t seconds)
{
    const time_t t = static_cast<time_t>(seconds);
    tm parts{};
    gmtime_r(&t, &parts);
    return QString::asprintf("%04d/%02d/%02d/", parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday);
}

QString Stamp(int64_t seconds, const char* format)
{
    const time_t t = static_cast<time_t>(seconds);
    tm parts{};
    gmtime_r(&t, &parts);
    char text[32];
    std::strftime(text, sizeof text, format, &parts);
    return QString::fromLatin1(text);
}

}  // namespace

bool WriteFamilies(const QString& dataFolder, const QString& familiesFile, int days, unsigned seed, int64_t nowSeconds,
                   int& files)
{
    if (!WriteText(familiesFile, FamiliesText)) {
        PrintPath("lagwatch-demo-data: cannot write %s\n", familiesFile);
        return false;
    }
    // Each family draws apart, from the oldest product on, and apart from the
    // CRM products: a seed gives the same older days whatever the hour.
    std::mt19937 segments(seed + 1), hourly(seed + 2);
    auto uniform = [](std::mt19937& random, int lo, int hi) {
        return lo + static_cast<int>(random() % static_cast<unsigned>(hi - lo + 1));
    };
    const QString base = dataFolder.endsWith('/') ? dataFolder : dataFolder + '/';
    const int64_t first = (nowSeconds / Day - (std::min(days, FamilyDays) - 1)) * Day;
    // Two and three hours before the newest slot: among the window's newest bars.
    const int64_t newest = nowSeconds / Quarter * Quarter;
    const int64_t lateSlot = newest - 8 * Quarter, shortSlot = newest - 12 * Quarter;

    QString lateName;
    int64_t lateDelay = 0;
    for (int64_t slot = first; slot <= newest; slot += Quarter) {
        const QString folder = base + "IMG/" + DayFolder(slot);
        if (slot % Day == 0 && !MakePath(folder)) {
            PrintPath("lagwatch-demo-data: cannot create %s\n", folder);
            return false;
        }
        const QString stamp = Stamp(slot, "%Y%m%d%H%M");
        for (int i = 0; i < FilesPerSlot; ++i) {
            int64_t delay = uniform(segments, 60, 240);
            const QString name =
                QString::asprintf("IMG_%s_S%02d_", Channels[i / SegmentsPerChannel], i % SegmentsPerChannel + 1) +
                stamp + ".seg";
            if (slot == shortSlot && i >= FilesPerSlot - MissingFiles)
                continue;
            if (slot == lateSlot && i == LateFile) {
                delay = 900 + uniform(segments, 0, 60);
                lateName = name;
                lateDelay = delay;
            }
            if (!WriteProduct(folder + name, delay, uniform(segments, 512, 1024))) {
                PrintPath("lagwatch-demo-data: cannot write %s\n", folder + name);
                return false;
            }
            ++files;
        }
    }

    const QString derived = base + "derived/";
    if (!MakePath(derived)) {
        PrintPath("lagwatch-demo-data: cannot create %s\n", derived);
        return false;
    }
    for (int64_t hour = first; hour <= nowSeconds; hour += Hour) {
        // Mostly 3 to 30 minutes, some 35 to 45, a few above 45, as the CRM products.
        const int roll = uniform(hourly, 1, 100);
        const int64_t delay = roll <= 80   ? uniform(hourly, 180, 1800)
                              : roll <= 93 ? uniform(hourly, 2100, 2700)
                                           : uniform(hourly, 2760, 4200);
        const QString name = "AMV_" + Stamp(hour, "%Y%m%d%H") + "00.nc";
        if (!WriteProduct(derived + name, delay, uniform(hourly, 2048, 8192))) {
            PrintPath("lagwatch-demo-data: cannot write %s\n", derived + name);
            return false;
        }
        ++files;
    }

    std::printf("lagwatch-demo-data: families crm, segments (%d files every 15 minutes) and hourly in %s\n",
                FilesPerSlot, EncodePath(familiesFile).constData());
    if (!lateName.isEmpty())
        std::printf("lagwatch-demo-data: segments slot %s is late: %s came %.1f minutes late\n",
                    qPrintable(Stamp(lateSlot, "%Y-%m-%d %H:%M")), EncodePath(lateName).constData(), lateDelay / 60.0);
    if (shortSlot >= first)
        std::printf("lagwatch-demo-data: segments slot %s is incomplete: %d of %d files\n",
                    qPrintable(Stamp(shortSlot, "%Y-%m-%d %H:%M")), FilesPerSlot - MissingFiles, FilesPerSlot);
    return true;
}

}  // namespace DemoData

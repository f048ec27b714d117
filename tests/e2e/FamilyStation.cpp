#include "tests/e2e/FamilyStation.h"

#include "platform/DateTime.h"
#include "platform/FileTimes.h"
#include "station/Utils.h"
#include "tests/common/TempDir.h"

#include <QDir>
#include <QFile>

namespace {

constexpr int64_t Minute = 60000;

// "2026/12/07/" and "202612071215" of a time.
void Names(int64_t ms, QString& day, QString& stamp)
{
    TDateParts d;
    TTimeParts t;
    const TDateTime at = UnixMsToDateTime(ms);
    TryDecodeDate(at, d);
    TryDecodeTime(at, t);
    day = QString::asprintf("%04d/%02d/%02d/", d.Year, d.Month, d.Day);
    stamp = QString::asprintf("%04d%02d%02d%02d%02d", d.Year, d.Month, d.Day, t.Hour, t.Minute);
}

// An empty file last written `delayMs` before it was created. Measured from
// its own creation, not the station's now: writing thousands of files takes
// seconds on a busy machine, which would lengthen the later files' delays.
bool Product(const TFamilyStation& station, int64_t nominalMs, const QString& nameOfStamp, int64_t delayMs)
{
    QString day, stamp;
    Names(nominalMs, day, stamp);
    QDir().mkpath(station.DataFolder + day);
    QFile f(station.DataFolder + day + nameOfStamp.arg(stamp));
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.close();
    const std::optional<TFileTimes> times = ReadFileTimes(QFile::encodeName(f.fileName()));
    return times && SetLastWriteMs(f.fileName(), times->CreationMs - delayMs);
}

}  // namespace

bool WriteFamilyStation(const QString& folder, TFamilyStation& station)
{
    station.DataFolder = folder + QStringLiteral("/data/");
    station.Ledger = folder + QStringLiteral("/CRM-received.txt");
    station.FamiliesFile = folder + QStringLiteral("/families.conf");
    station.NowMs = DateTimeToUnixMs(NowUTC());
    const int64_t quarter = 15 * Minute, hour = 60 * Minute;
    const int64_t lastSlot = (station.NowMs - 20 * Minute) / quarter * quarter;
    station.ShortSlotMs = lastSlot - 12 * quarter;
    station.LateSlotMs = lastSlot - 8 * quarter;
    // A ledger named but absent would be the one beside the program.
    QFile ledger(station.Ledger);
    if (!ledger.open(QIODevice::WriteOnly))
        return false;
    ledger.close();
    QFile families(station.FamiliesFile);
    if (!families.open(QIODevice::WriteOnly))
        return false;
    families.write("# Three families: the CRM products come first of themselves.\n"
                   "[seg]\n"
                   "pattern = IMG_{channel}_{segment}_{time:%Y%m%d%H%M}.seg\n"
                   "expect = 15m\n"
                   "files-per-slot = 114\n"
                   "warning = 5\n"
                   "critical = 15\n"
                   "missing-after = 30\n"
                   "\n"
                   "[hourly]\n"
                   "pattern = HRLY_{time:%Y%m%d%H%M}.dat\n"
                   "expect = 60m\n");
    families.close();
    bool written = true;
    // Six hours of segments: 6 channels of 19 segments.
    for (int64_t slot = lastSlot - 23 * quarter; slot <= lastSlot; slot += quarter)
        for (int i = 0; i < SegmentsPerSlot - (slot == station.ShortSlotMs ? 2 : 0); ++i)
            written = written && Product(station, slot, QString::asprintf("IMG_C%02d_S%02d_%%1.seg", i / 19, i % 19),
                                         slot == station.LateSlotMs ? 10 * Minute : Minute);
    for (int64_t at = (station.NowMs - 20 * Minute) / hour * hour, n = 0; n < 6; at -= hour, ++n)
        written = written && Product(station, at, QStringLiteral("HRLY_%1.dat"), Minute);
    // The CRM products of today (once their time has passed) and the four days before.
    const int64_t today = station.NowMs / (24 * hour) * (24 * hour);
    for (int day = 0; day <= 4; ++day)
        for (const int64_t time : {12 * hour, 13 * hour + quarter})
            if (today - day * 24 * hour + time <= station.NowMs - 20 * Minute)
                written =
                    written && Product(station, today - day * 24 * hour + time, QStringLiteral("%1-crm.grb"), Minute);
    return written;
}

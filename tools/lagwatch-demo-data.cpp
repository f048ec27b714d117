// Writes a demo station tree: day folders yyyy/mm/dd/ for the last N UTC days
// with each day's 12:00 and 13:15 CRM products and a few other products around
// them, a few days missing. Each CRM file's last-write time is set before its
// creation time by a realistic delay, so the checker has something to show.
//
//   lagwatch-demo-data [--days N] [--seed S] [--manifest FILE] FOLDER
//
// --manifest writes the expected ledger lines ("name=seconds") of every CRM
// product, for end-to-end tests.
#include "platform/DateFormat.h"
#include "platform/FileTimes.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QString>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <random>
#include <set>
#include <sys/stat.h>

namespace {

struct TOptions
{
    QString Folder;
    QString Manifest;
    int Days = 60;
    unsigned Seed = 20210623;
};

void Usage(FILE* to)
{
    std::fputs("Usage: lagwatch-demo-data [--days N] [--seed S] [--manifest FILE] FOLDER\n"
               "Writes a demo station tree FOLDER/yyyy/mm/dd/ for the last N UTC days (default 60).\n",
               to);
}

bool ParseOptions(int argc, char** argv, TOptions& options)
{
    for (int i = 1; i < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        const bool hasValue = i + 1 < argc;
        if (a == "--days" && hasValue)
            options.Days = QString::fromLocal8Bit(argv[++i]).toInt();
        else if (a == "--seed" && hasValue)
            options.Seed = QString::fromLocal8Bit(argv[++i]).toUInt();
        else if (a == "--manifest" && hasValue)
            options.Manifest = QString::fromLocal8Bit(argv[++i]);
        else if (a.startsWith('-'))
            return false;
        else
            options.Folder = a;
    }
    return !options.Folder.isEmpty() && options.Days > 0 && options.Days <= 3650;
}

// Creates the file and sets its last-write time `delaySeconds` before the
// creation time the file system recorded.
bool WriteProduct(const QString& path, int64_t delaySeconds, qsizetype size)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    file.write(QByteArray(size, 'G'));
    file.close();
    const QByteArray native = QFile::encodeName(path);
    const auto times = ReadFileTimes(native);
    if (!times)
        return false;
    const int64_t writeMs = times->CreationMs - delaySeconds * 1000;
    timespec ts[2];
    ts[0].tv_sec = 0;
    ts[0].tv_nsec = UTIME_OMIT;
    ts[1].tv_sec = static_cast<time_t>(std::floor(writeMs / 1000.0));
    ts[1].tv_nsec = static_cast<long>((writeMs - int64_t(ts[1].tv_sec) * 1000) * 1000000);
    return utimensat(AT_FDCWD, native.constData(), ts, 0) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    TOptions options;
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        Usage(stdout);
        return 0;
    }
    if (!ParseOptions(argc, argv, options)) {
        Usage(stderr);
        return 2;
    }

    std::mt19937 random(options.Seed);
    auto uniform = [&](int lo, int hi) { return lo + static_cast<int>(random() % static_cast<unsigned>(hi - lo + 1)); };

    const QLocale c = QLocale::c();
    const double today = std::floor(25569.0 + QDateTime::currentDateTimeUtc().toMSecsSinceEpoch() / 86400000.0);
    // A few missing days, never today or yesterday.
    std::set<int> missing;
    while (static_cast<int>(missing.size()) < std::min(3, options.Days / 10))
        missing.insert(uniform(2, options.Days - 1));
    const int longDelayDay = uniform(5, std::max(5, options.Days - 1));

    std::map<QString, int64_t> manifest;
    int files = 0;
    for (int back = 0; back < options.Days; ++back) {
        if (missing.count(back))
            continue;
        const double day = today - back;
        const QString folder = QDir(options.Folder).filePath(FormatDateTime("yyyy/mm/dd/", day, c));
        if (!QDir().mkpath(folder)) {
            std::fprintf(stderr, "lagwatch-demo-data: cannot create %s\n", folder.toLocal8Bit().constData());
            return 1;
        }
        const QString stamp = FormatDateTime("yyyymmdd", day, c);
        for (const char* time : {"1200", "1315"}) {
            // Mostly 3 to 30 minutes, some 35 to 45, a few above 45, one above a day.
            int64_t delay;
            const int roll = uniform(1, 100);
            if (back == longDelayDay && std::strcmp(time, "1200") == 0)
                delay = uniform(86460, 90000);
            else if (roll <= 80)
                delay = uniform(180, 1800);
            else if (roll <= 93)
                delay = uniform(2100, 2700);
            else
                delay = uniform(2760, 4200);
            const QString name = stamp + time + "-crm.grb";
            if (!WriteProduct(folder + name, delay, 4096 + uniform(0, 60000))) {
                std::fprintf(stderr, "lagwatch-demo-data: cannot write %s\n", (folder + name).toLocal8Bit().constData());
                return 1;
            }
            manifest[name] = delay;
            ++files;
        }
        // Products the checker must leave alone.
        const char* others[] = {"0000-msg.grb", "0600-cld.grb", "1200-crm.txt", "1800-fog.grb"};
        for (const char* other : others)
            if (uniform(0, 3) != 0 && WriteProduct(folder + stamp + other, uniform(60, 600), 2048))
                ++files;
    }

    if (!options.Manifest.isEmpty()) {
        QFile out(options.Manifest);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            std::fprintf(stderr, "lagwatch-demo-data: cannot write %s\n", options.Manifest.toLocal8Bit().constData());
            return 1;
        }
        for (const auto& [name, delay] : manifest)
            out.write((name + "=" + QString::number(delay) + "\n").toUtf8());
    }
    std::printf("lagwatch-demo-data: %d files in %d day folders below %s\n", files,
                options.Days - static_cast<int>(missing.size()), options.Folder.toLocal8Bit().constData());
    return 0;
}

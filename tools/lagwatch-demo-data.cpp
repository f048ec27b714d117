// Writes a demo station tree: day folders yyyy/mm/dd/ for the last N UTC days
// with each day's 12:00 and 13:15 CRM products and a few other products around
// them, a few days missing; today's only where their time has passed. Each CRM file's last-write time is set before its
// creation time by a realistic delay, so the checker has something to show.
// --families FILE adds the products of more families (demo/DemoFamilies.h)
// and writes their families file.
//
//   lagwatch-demo-data [--days N] [--seed S] [--manifest FILE] [--families FILE] FOLDER
//
// --manifest writes the expected ledger lines ("name=seconds") of every CRM
// product, for end-to-end tests.
#include "demo/DemoFamilies.h"
#include "demo/DemoFiles.h"
#include "platform/DateFormat.h"
#include "platform/PathBytes.h"

#include <QDateTime>
#include <QLocale>
#include <QString>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <set>

namespace {

struct TOptions
{
    QString Folder;
    QString Manifest;
    QString Families;
    int Days = 60;
    unsigned Seed = 20210623;
};

void Usage(FILE* to)
{
    std::fputs("Usage: lagwatch-demo-data [--days N] [--seed S] [--manifest FILE] [--families FILE] FOLDER\n"
               "Writes a demo station tree FOLDER/yyyy/mm/dd/ for the last N UTC days (default 60).\n"
               "--families FILE adds image segments and an hourly product and writes their families file.\n",
               to);
}

bool ParseOptions(int argc, char** argv, TOptions& options)
{
    for (int i = 1; i < argc; ++i) {
        // Paths are file-system bytes: a folder name need not be valid UTF-8.
        const QString a = DecodePath(QByteArray(argv[i]));
        const bool hasValue = i + 1 < argc;
        if (a == "--days" && hasValue)
            options.Days = QString::fromLocal8Bit(argv[++i]).toInt();
        else if (a == "--seed" && hasValue)
            options.Seed = QString::fromLocal8Bit(argv[++i]).toUInt();
        else if (a == "--manifest" && hasValue)
            options.Manifest = DecodePath(QByteArray(argv[++i]));
        else if (a == "--families" && hasValue)
            options.Families = DecodePath(QByteArray(argv[++i]));
        else if (a.startsWith('-'))
            return false;
        else
            options.Folder = a;
    }
    return !options.Folder.isEmpty() && options.Days > 0 && options.Days <= 3650;
}

}  // namespace

using namespace DemoData;

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
    const int64_t nowMs = QDateTime::currentDateTimeUtc().toMSecsSinceEpoch();
    const double now = 25569.0 + nowMs / 86400000.0;
    const double today = std::floor(now);
    // A product's name is its nominal time: none from the future. The random
    // numbers are drawn all the same, so a seed gives the same older days
    // whatever the hour.
    auto passed = [&](double day, const char* hhmm) {
        const int minutes = (hhmm[0] - '0') * 600 + (hhmm[1] - '0') * 60 + (hhmm[2] - '0') * 10 + (hhmm[3] - '0');
        return day + minutes / 1440.0 <= now;
    };
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
        const QString base = options.Folder.endsWith('/') ? options.Folder : options.Folder + '/';
        const QString folder = base + FormatDateTime("yyyy/mm/dd/", day, c);
        if (!MakePath(folder)) {
            PrintPath("lagwatch-demo-data: cannot create %s\n", folder);
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
            const qsizetype size = 4096 + uniform(0, 60000);
            if (!passed(day, time))
                continue;
            if (!WriteProduct(folder + name, delay, size)) {
                PrintPath("lagwatch-demo-data: cannot write %s\n", folder + name);
                return 1;
            }
            manifest[name] = delay;
            ++files;
        }
        // Products the checker must leave alone.
        const char* others[] = {"0000-msg.grb", "0600-cld.grb", "1200-crm.txt", "1800-fog.grb"};
        for (const char* other : others) {
            if (uniform(0, 3) == 0)
                continue;
            const int delay = uniform(60, 600);
            if (passed(day, other) && WriteProduct(folder + stamp + other, delay, 2048))
                ++files;
        }
    }

    if (!options.Manifest.isEmpty()) {
        QByteArray text;
        for (const auto& [name, delay] : manifest)
            text += (name + "=" + QString::number(delay) + "\n").toUtf8();
        if (!WriteText(options.Manifest, text)) {
            PrintPath("lagwatch-demo-data: cannot write %s\n", options.Manifest);
            return 1;
        }
    }
    if (!options.Families.isEmpty() &&
        !WriteFamilies(options.Folder, options.Families, options.Days, options.Seed, nowMs / 1000, files))
        return 1;
    std::printf("lagwatch-demo-data: %d files in %d day folders below %s\n", files,
                options.Days - static_cast<int>(missing.size()), EncodePath(options.Folder).constData());
    return 0;
}

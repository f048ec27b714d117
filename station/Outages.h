#pragma once
// The outage calendar: the windows in which a station was told that products
// would not come (eclipse seasons, manoeuvres, a ground segment's
// maintenance), each covering some families. A slot whose nominal time lies
// in a window that covers its family is not due. The file has the families
// file's form, one section per window, and lives apart from it so that a
// script can rewrite it from an announcement; a file that cannot be used is
// refused whole, with its line and the reason, before anything is read or
// written.
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

// One window, all times UTC in milliseconds since 1970. Daily: the span from
// StartMinute to EndMinute of every day from FromDay to UntilDay (days since
// 1970, both inclusive), running into the next day when it crosses midnight
// (EndMinute <= StartMinute). One-off: [StartMs, EndMs).
struct TOutageWindow
{
    QString Name;          // the section's
    QString Reason;        // as written; empty when none is given
    QStringList Families;  // as written; empty: every family
    int Line = 0;          // the section's line in the file
    bool Daily = false;
    int StartMinute = 0, EndMinute = 0;
    int64_t FromDay = 0, UntilDay = 0;
    int64_t StartMs = 0, EndMs = 0;

    bool Covers(const QString& family) const;
    // The occurrence [start, end) that holds ms, if one does.
    std::optional<std::pair<int64_t, int64_t>> OccurrenceAt(int64_t ms) const;
    // The reason, or else the name.
    QString Told() const { return Reason.isEmpty() ? Name : Reason; }
};

// The outage active at some moment: its window, and when the family's
// outage ends (the window's occurrence, and any of the family's windows that
// adjoins or overlaps it).
struct TActiveOutage
{
    int Window = 0;  // index in TFamilyOutages::Windows
    int64_t UntilMs = 0;
};

// The windows of the calendar that cover one family.
struct TFamilyOutages
{
    // The station keeps an outages file: the outputs then tell the excused
    // slots, also when none of its windows covers this family.
    bool Calendar = false;
    std::vector<TOutageWindow> Windows;

    // The window holding a nominal time: its index, or -1.
    int Excusing(int64_t ms) const;
    std::optional<TActiveOutage> ActiveAt(int64_t ms) const;
    // How much of [fromMs, toMs) the windows cover, overlaps counted once.
    int64_t CoveredMs(int64_t fromMs, int64_t toMs) const;
};

struct TOutageCalendar
{
    bool Present = false;  // read from a file
    std::vector<TOutageWindow> Windows;

    TFamilyOutages For(const QString& family) const;
};

// "2026-03-01 10:00" (and ":SS" when the seconds are not 0): a time as the
// calendar writes it (UTC).
QString FormatOutageTime(int64_t ms);

// $XDG_CONFIG_HOME/lagwatch/outages.conf (default ~/.config).
QString DefaultOutagesFile();

// The windows of the text; families: the station's family names, which a
// window may name (ignoring case). Nothing, with error set
// ("FILE:LINE: reason"), for a text that cannot be used.
std::optional<TOutageCalendar> ParseOutages(const QString& text, const QString& fileName, const QStringList& families,
                                            QString& error);

// The calendar of the file; without the file, an empty calendar when it need
// not exist (the default file), an error otherwise.
std::optional<TOutageCalendar> ReadOutagesFile(const QString& path, bool mustExist, const QStringList& families,
                                               QString& error);

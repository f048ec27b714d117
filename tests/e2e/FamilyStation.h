#pragma once
// A station that receives three product families, for the end-to-end runs:
// image segments every 15 minutes at 114 a slot, an hourly product and the
// CRM products, each in the day folders. The 15-minute slot of three hours
// ago lacks 2 segments and the one of two hours ago arrived 10 minutes late;
// everything else arrived a minute after it was written.
#include <QString>
#include <cstdint>

struct TFamilyStation
{
    QString DataFolder;    // with its trailing '/'
    QString FamiliesFile;  // for -families=
    QString Ledger;        // the CRM ledger, the others beside it
    int64_t NowMs = 0;
    int64_t ShortSlotMs = 0;  // the slot lacking 2 segments
    int64_t LateSlotMs = 0;   // the slot 10 minutes late
};

constexpr int SegmentsPerSlot = 114;

// Writes the station below folder; false when a file could not be written.
bool WriteFamilyStation(const QString& folder, TFamilyStation& station);

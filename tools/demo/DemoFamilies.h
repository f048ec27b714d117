#pragma once
// A station of several product families beside the CRM products: image
// segments in 15-minute slots of many files, with one slot late by a file that
// does not sort last and one slot short of files, and an hourly product; with
// the families file that tells lagwatch about them.
#include <QString>
#include <cstdint>

namespace DemoData {

// The newest days the families' products cover: enough for a schedule and a
// slot size to be learned, few enough files for a quick demo.
constexpr int FamilyDays = 8;

// Writes the families' products below `dataFolder` for the newest `days` UTC
// days up to `nowSeconds` (each only once its nominal time has passed), and
// the families file; adds the products written to `files` and prints the
// planned late and incomplete slots. False, with a message, when a file could
// not be written.
bool WriteFamilies(const QString& dataFolder, const QString& familiesFile, int days, unsigned seed, int64_t nowSeconds,
                   int& files);

}  // namespace DemoData

#pragma once
// The files of a demo station: each product is written now and its last-write
// time set before the creation time the file system recorded, by the delay
// lagwatch is to measure.
#include <QString>
#include <cstdint>

namespace DemoData {

// Creates the file with `size` bytes and sets its last-write time
// `delaySeconds` before its creation time.
bool WriteProduct(const QString& path, int64_t delaySeconds, qsizetype size);

// Creates the folder and the folders above it.
bool MakePath(const QString& folder);

// Writes the text to the file whole; false when it could not.
bool WriteText(const QString& path, const QByteArray& text);

// "lagwatch-demo-data: cannot ..." with the path, on standard error.
void PrintPath(const char* format, const QString& path);

}  // namespace DemoData

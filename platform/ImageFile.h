#pragma once
// Images written whole or not at all.
#include <QImage>
#include <QString>

// Writes the image to path in the format its extension names (any format
// Qt's image writers know: png, jpg, bmp, ...); a name without an extension
// (a device such as /dev/stdout, or "chart") gets defaultFormat, and without
// one is refused, as is an extension no writer knows. The image is encoded
// in memory first, then written like every output file (AtomicFile.h): a
// temporary file beside the target, flushed to the disk, renamed over it, so
// a full disk or a kill leaves the old file or none, never a partial image.
// The path's characters are file-system bytes (PathBytes.h). False with
// "cannot write the image <path>: <reason>".
bool SaveImageFile(const QImage& image, const QString& path, QString& error, const char* defaultFormat = nullptr);

// The same, always as PNG whatever the name's extension (a picture whose
// format the program fixes, not the user).
bool SavePngFile(const QImage& image, const QString& path, QString& error);

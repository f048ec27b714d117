#pragma once
// File names are bytes on Linux, and not every name is valid UTF-8. A path
// decoded here keeps every byte that is not part of valid UTF-8 as a lone
// surrogate U+DC80..U+DCFF, so EncodePath gives back exactly the bytes the
// user typed or the file system listed. Valid UTF-8 decodes as usual.
#include <QByteArray>
#include <QString>

QString DecodePath(const QByteArray& bytes);
QByteArray EncodePath(const QString& path);

// A folder (or a link to one) at the path; the empty path is the current folder.
bool IsFolderPath(const QString& path);

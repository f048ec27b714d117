#pragma once
// The tool's image writer, alone in its unit so that a shared one can take
// its place.
#include <QImage>
#include <QString>

namespace MapTool {

// Writes Image in the format that Path's extension names, through a temporary
// file and a rename; false with a message when no image writer knows the
// extension or the file cannot be written.
bool SaveImageFile(const QImage& Image, const QString& Path, QString& Error);

}  // namespace MapTool

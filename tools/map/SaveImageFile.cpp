#include "SaveImageFile.h"

#include <QFileInfo>
#include <QImageWriter>
#include <QSaveFile>
#include <QStringList>

namespace MapTool {

// Writes Image in the format that Path's extension names, through a temporary
// file and a rename; false with a message when no image writer knows the
// extension or the file cannot be written.
bool SaveImageFile(const QImage& Image, const QString& Path, QString& Error)
{
    const QByteArray suffix = QFileInfo(Path).suffix().toLower().toLatin1();
    const QList<QByteArray> formats = QImageWriter::supportedImageFormats();
    if (suffix.isEmpty() || !formats.contains(suffix))
    {
        QStringList known;
        for (const QByteArray& f : formats)
            known << QString::fromLatin1(f);
        Error = QStringLiteral("cannot write %1: %2 (image formats: %3)")
                    .arg(Path,
                         suffix.isEmpty() ? QStringLiteral("the name has no extension to tell the image format")
                                          : QStringLiteral("no image format is called \"%1\"").arg(QString::fromLatin1(suffix)),
                         known.join(QStringLiteral(", ")));
        return false;
    }
    QSaveFile file(Path);
    if (!file.open(QIODevice::WriteOnly))
    {
        Error = QStringLiteral("cannot write %1: %2").arg(Path, file.errorString());
        return false;
    }
    QImageWriter writer(&file, suffix);
    if (!writer.write(Image))
    {
        Error = QStringLiteral("cannot write %1: %2").arg(Path, writer.errorString());
        file.cancelWriting();
        return false;
    }
    if (!file.commit())
    {
        Error = QStringLiteral("cannot write %1: %2").arg(Path, file.errorString());
        return false;
    }
    return true;
}

}  // namespace MapTool

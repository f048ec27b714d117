#include "platform/ImageFile.h"

#include "platform/AtomicFile.h"

#include <QBuffer>
#include <QImageWriter>

namespace {

// The extension of the path's last part, in lower case; empty when it has
// none (a leading dot starts a hidden name, not an extension).
QByteArray ExtensionOf(const QString& path)
{
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0 || dot + 1 == name.size())
        return {};
    return name.mid(dot + 1).toLower().toUtf8();
}

// Encodes in the given format (lower case) and writes the file atomically.
bool SaveImageAs(const QImage& image, const QString& path, const QByteArray& format, QString& error)
{
    auto fail = [&](const QString& reason) {
        error = QStringLiteral("cannot write the image %1: %2").arg(path, reason);
        return false;
    };
    if (!QImageWriter::supportedImageFormats().contains(format))
        return fail(QStringLiteral("no image writer for the format '%1'").arg(QString::fromUtf8(format)));
    if (image.isNull())
        return fail(QStringLiteral("the image is empty"));

    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly))
        return fail(buffer.errorString());
    QImageWriter writer(&buffer, format);
    if (!writer.write(image))
        return fail(writer.errorString());
    buffer.close();
    if (bytes.isEmpty())
        return fail(QStringLiteral("the image writer produced nothing"));

    QString writeError;
    if (WriteFileAtomically(path, bytes, QStringLiteral("the image"), writeError))
        return true;
    error = writeError;
    return false;
}

}  // namespace

bool SaveImageFile(const QImage& image, const QString& path, QString& error, const char* defaultFormat)
{
    QByteArray format = ExtensionOf(path);
    if (format.isEmpty()) {
        if (!defaultFormat) {
            error = QStringLiteral("cannot write the image %1: the name has no extension to choose the image format by")
                        .arg(path);
            return false;
        }
        format = QByteArray(defaultFormat).toLower();
    }
    return SaveImageAs(image, path, format, error);
}

bool SavePngFile(const QImage& image, const QString& path, QString& error)
{
    return SaveImageAs(image, path, QByteArrayLiteral("png"), error);
}

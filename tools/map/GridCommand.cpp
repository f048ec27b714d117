#include "GridCommand.h"

#include "mapping/ImageGridCanvas.h"
#include "platform/ImageFile.h"
#include "platform/PathBytes.h"
#include "platform/QuietMessages.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace MapTool {

int RunGridCommand(const TMapping& source, const std::string& input, const std::string& output,
                   const TGridOptions& options, const char* program)
{
    // Painting needs a GUI application; without a display use the off-screen platform.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    InstallQuietMessageHandler();
    // Our arguments are not Qt's: a file called "-platform" stays a file.
    int qtArgc = 1;
    char* qtArgv[] = {const_cast<char*>(program), nullptr};
    QGuiApplication app(qtArgc, qtArgv);
    QImage image;
    if (input == "-")
    {
        image = QImage(source.Width, source.Height, QImage::Format_RGB32);
        if (image.isNull())
        {
            std::fprintf(stderr, "lagwatch-map: no memory for a %dx%d image\n", source.Width, source.Height);
            return 1;
        }
        image.fill(Qt::black);
    }
    else
    {
        // Opened by its bytes: a name that is not valid UTF-8 is still found.
        QFile file;
        const int fd = ::open(input.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        {
            std::fprintf(stderr, "lagwatch-map: cannot read %s: %s\n", input.c_str(), std::strerror(errno));
            if (fd >= 0)
                ::close(fd);
            return 1;
        }
        QImageReader::setAllocationLimit(static_cast<int>(ImageByteLimit >> 20));
        QImageReader reader(&file);
        if (!reader.read(&image))
        {
            std::fprintf(stderr, "lagwatch-map: cannot read %s: %s\n", input.c_str(),
                         reader.errorString().toLocal8Bit().constData());
            return 1;
        }
        image = image.convertToFormat(QImage::Format_ARGB32);
        if (image.width() != source.Width || image.height() != source.Height)
            std::fprintf(stderr,
                         "lagwatch-map: warning: %s is %dx%d, the mapping %dx%d; the grid is drawn in the "
                         "mapping's pixels\n",
                         input.c_str(), image.width(), image.height(), source.Width, source.Height);
    }
    TMapping mapping = source;  // an exact copy, derived constants included
    {
        TImageGridBitmap bitmap(image);
        mapping.DrawGridOnBitmap(&bitmap, options.LonStep, options.LatStep, options.TextColour, options.LineColour, 0,
                                 0, options.NoLabels, options.Special, options.HaloColour);
    }
    QString error;
    if (!SaveImageFile(image, DecodePath(QByteArray::fromStdString(output)), error))
    {
        std::fprintf(stderr, "lagwatch-map: %s\n", error.toLocal8Bit().constData());
        return 1;
    }
    return 0;
}

}  // namespace MapTool

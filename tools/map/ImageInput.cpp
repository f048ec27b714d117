#include "map/ImageInput.h"

#include "map/Report.h"
#include "platform/QuietMessages.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace MapTool {

std::unique_ptr<QGuiApplication> StartImageApplication(const char* program)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    InstallQuietMessageHandler();
    // Our arguments are not Qt's: a file called "-platform" stays a file.
    static int qtArgc = 1;
    static char* qtArgv[] = {const_cast<char*>(program), nullptr};
    return std::make_unique<QGuiApplication>(qtArgc, qtArgv);
}

bool ReadImageFile(const std::string& path, QImage& image, QByteArray* bytes)
{
    QFile file;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        Report(TReport::Error, "cannot read " + path + ": " + std::strerror(errno));
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    QImageReader::setAllocationLimit(static_cast<int>(ImageByteLimit >> 20));
    QBuffer buffer;
    QImageReader reader;
    if (bytes) {
        if (file.size() > ImageByteLimit) {
            Report(TReport::Error, "cannot read " + path + ": larger than 1 GiB");
            return false;
        }
        *bytes = file.readAll();
        if (file.error() != QFileDevice::NoError) {
            Report(TReport::Error, "cannot read " + path + ": " + file.errorString().toLocal8Bit().constData());
            return false;
        }
        buffer.setData(*bytes);
        buffer.open(QIODevice::ReadOnly);
        reader.setDevice(&buffer);
    } else
        reader.setDevice(&file);
    if (!reader.read(&image)) {
        Report(TReport::Error, "cannot read " + path + ": " + reader.errorString().toLocal8Bit().constData());
        return false;
    }
    return true;
}

}  // namespace MapTool

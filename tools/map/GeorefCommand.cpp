#include "map/GeorefCommand.h"

#include "map/GdalFiles.h"
#include "map/ImageInput.h"
#include "map/ProjCommand.h"
#include "map/Report.h"
#include "platform/AtomicFile.h"
#include "platform/PathBytes.h"

#include <QDir>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

namespace MapTool {

namespace {

struct TOutputFile
{
    std::string Path;
    QByteArray Content;
    const char* What;
};

bool SameFile(const std::string& a, const std::string& b)
{
    struct stat sa
    {
    }, sb{};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

// The image as the VRT names it: relative to the VRT's folder, so that the
// two move together.
void SourceName(const std::string& image, const std::string& vrt, std::string& source, bool& relative)
{
    const QString imagePath = QFileInfo(DecodePath(QByteArray::fromStdString(image))).absoluteFilePath();
    // Written through a device (/dev/stdout, /proc/self/fd/1), the VRT's folder is none the reader knows.
    const QString vrtFolder = QFileInfo(DecodePath(QByteArray::fromStdString(vrt))).absolutePath();
    relative = !(vrtFolder + "/").startsWith("/dev/") && !(vrtFolder + "/").startsWith("/proc/");
    source = EncodePath(relative ? QDir(vrtFolder).relativeFilePath(imagePath) : imagePath).toStdString();
}

// Every file or none: links are checked before the first is written, and a
// failed write takes back the files this run created.
int WriteAll(const std::vector<TOutputFile>& files)
{
    for (const TOutputFile& f : files) {
        QByteArray refused;
        if (!OutputTarget(QByteArray::fromStdString(f.Path), refused))
            return Report(TReport::Error, "cannot write " + std::string(f.What) + " " + f.Path + ": " +
                                              refused.constData() +
                                              " is another user's symbolic link in a shared folder");
    }
    std::vector<std::string> created;
    for (const TOutputFile& f : files) {
        const bool existed = ::access(f.Path.c_str(), F_OK) == 0;
        QString error;
        if (!WriteFileAtomically(DecodePath(QByteArray::fromStdString(f.Path)), f.Content, f.What, error)) {
            const int status = Report(TReport::Error, error.toLocal8Bit().constData());
            for (const std::string& path : created)
                ::unlink(path.c_str());
            return status;
        }
        if (!existed)
            created.push_back(f.Path);
    }
    return 0;
}

}  // namespace

int RunGeorefCommand(const TMapping& Mapping, const std::string& KindName, const TGeorefRequest& Request,
                     const char* Program)
{
    // Where the pixels lie is settled before the image is read.
    TProjDefinition definition;
    TPlacement placement;
    const TProjStatement statement = StateForProj(Mapping, definition);
    if (statement == TProjStatement::Stated)
        placement.Definition = &definition;
    else if (statement == TProjStatement::NoDefinition && Mapping.Kind == pkLinearOrthographic) {
        if (Request.WorldFile)
            return Report(TReport::Usage,
                          "kind " + KindName +
                              " places its pixels by control points, which a world file cannot hold; its VRT "
                              "holds them");
        placement.ControlPoints = LatticeControlPoints(Mapping);
        if (placement.ControlPoints.empty())
            return Report(TReport::Usage, "kind " + KindName + " places no point on the image with these parameters");
    } else
        return Report(TReport::Usage, statement == TProjStatement::NoDefinition
                                          ? "kind " + KindName + " converts nothing, so it places no image"
                                          : NoStatementReason(statement, KindName));
    if (SameFile(Request.Image, Request.Vrt))
        return Report(TReport::Usage, "the VRT " + Request.Vrt + " would replace the image itself");

    const std::unique_ptr<QGuiApplication> app = StartImageApplication(Program);
    QImage image;
    QByteArray bytes;
    if (!ReadImageFile(Request.Image, image, &bytes))
        return 1;
    if (image.width() != Mapping.Width || image.height() != Mapping.Height)
        return Report(TReport::Usage, Request.Image + " is " + std::to_string(image.width()) + "x" +
                                          std::to_string(image.height()) + ", the mapping " +
                                          std::to_string(Mapping.Width) + "x" + std::to_string(Mapping.Height) +
                                          ": its pixels are not the mapping's");
    TRasterLayout layout;
    std::string why;
    if (!ReadRasterLayout(bytes, layout, why))
        return Report(TReport::Error, "cannot georeference " + Request.Image + ": " + why);
    std::string source;
    bool relative = true;
    SourceName(Request.Image, Request.Vrt, source, relative);
    std::vector<TOutputFile> files;
    if (Request.WorldFile) {
        files.push_back({WorldFileName(Request.Image), WorldFile(definition), "the world file"});
        files.push_back({Request.Image + ".aux.xml", AuxFile(definition), "the sidecar"});
    }
    files.push_back(
        {Request.Vrt, VrtFile(placement, Mapping.Width, Mapping.Height, layout, source, relative), "the VRT"});
    return WriteAll(files);
}

}  // namespace MapTool

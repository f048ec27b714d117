#include "GridCommand.h"

#include "ImageInput.h"
#include "mapping/ImageGridCanvas.h"
#include "platform/ImageFile.h"
#include "platform/PathBytes.h"

#include <cstdio>

namespace MapTool {

int RunGridCommand(const TMapping& source, const std::string& input, const std::string& output,
                   const TGridOptions& options, const char* program)
{
    const std::unique_ptr<QGuiApplication> app = StartImageApplication(program);
    QImage image;
    if (input == "-") {
        image = QImage(source.Width, source.Height, QImage::Format_RGB32);
        if (image.isNull()) {
            std::fprintf(stderr, "lagwatch-map: no memory for a %dx%d image\n", source.Width, source.Height);
            return 1;
        }
        image.fill(Qt::black);
    } else {
        if (!ReadImageFile(input, image))
            return 1;
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
    if (!SaveImageFile(image, DecodePath(QByteArray::fromStdString(output)), error)) {
        std::fprintf(stderr, "lagwatch-map: %s\n", error.toLocal8Bit().constData());
        return 1;
    }
    return 0;
}

}  // namespace MapTool

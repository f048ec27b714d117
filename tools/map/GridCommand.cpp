#include "map/GridCommand.h"

#include "map/ImageInput.h"
#include "map/Report.h"
#include "mapping/ImageGridCanvas.h"
#include "platform/ImageFile.h"
#include "platform/PathBytes.h"

namespace MapTool {

namespace {

std::string Size(int width, int height) { return std::to_string(width) + "x" + std::to_string(height); }

}  // namespace

std::string GridRefusal(const TMapping& mapping, const std::string& input)
{
    if (input != "-")
        return {};
    if (mapping.Width <= 0 || mapping.Height <= 0)
        return "the mapping's size " + Size(mapping.Width, mapping.Height) + " is no image size for \"-\"";
    // Counted in pixels: the largest sizes (2^31 - 1 squared) overflow 64 bits as bytes.
    const int64_t pixels = int64_t(mapping.Width) * mapping.Height;
    if (pixels > ImageByteLimit / 4)
        return "a blank image of " + Size(mapping.Width, mapping.Height) + " pixels would take " +
               std::to_string(pixels >> 18) + " MiB, more than the 1 GiB allowed";
    return {};
}

int RunGridCommand(const TMapping& source, const std::string& input, const std::string& output,
                   const TGridOptions& options, const char* program)
{
    const std::unique_ptr<QGuiApplication> app = StartImageApplication(program);
    QImage image;
    if (input == "-") {
        image = QImage(source.Width, source.Height, QImage::Format_RGB32);
        if (image.isNull())
            return Report(TReport::Error, "no memory for a " + Size(source.Width, source.Height) + " image");
        image.fill(Qt::black);
    } else {
        if (!ReadImageFile(input, image))
            return 1;
        image = image.convertToFormat(QImage::Format_ARGB32);
        if (image.width() != source.Width || image.height() != source.Height)
            Report(TReport::Warning, input + " is " + Size(image.width(), image.height()) + ", the mapping " +
                                         Size(source.Width, source.Height) +
                                         "; the grid is drawn in the mapping's pixels");
    }
    TMapping mapping = source;  // an exact copy, derived constants included
    {
        TImageGridBitmap bitmap(image);
        mapping.DrawGridOnBitmap(&bitmap, options.LonStep, options.LatStep, options.TextColour, options.LineColour, 0,
                                 0, options.NoLabels, options.Special, options.HaloColour);
    }
    QString error;
    if (!SaveImageFile(image, DecodePath(QByteArray::fromStdString(output)), error))
        return Report(TReport::Error, error.toLocal8Bit().constData());
    return 0;
}

}  // namespace MapTool

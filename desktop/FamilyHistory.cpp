#include "desktop/FamilyHistory.h"

#include "app/UserMessage.h"
#include "desktop/HistoryMap.h"
#include "platform/ImageFile.h"

#include <QPainter>

#include <algorithm>

QImage StackImages(const std::vector<QImage>& images)
{
    if (images.size() <= 1)
        return images.empty() ? QImage() : images.front();
    int width = 0, height = 0;
    for (const QImage& image : images) {
        if (image.isNull())
            return {};
        width = std::max(width, image.width());
        height += image.height();
    }
    QImage stacked(width, height, QImage::Format_RGB32);
    if (stacked.isNull())
        return stacked;
    stacked.fill(images.front().pixel(0, 0));
    QPainter painter(&stacked);
    int top = 0;
    for (const QImage& image : images) {
        painter.drawImage(0, top, image);
        top += image.height();
    }
    return stacked;
}

QImage RenderFamilyHistory(const std::vector<TFamilyCompleteness>& families, const QString& dataFolder, int scale)
{
    std::vector<QImage> maps;
    for (const TFamilyCompleteness& family : families) {
        // Titled with the family, also when it is the only one a run shows.
        maps.push_back(RenderHistoryMap(*family.Completeness, dataFolder, HistoryMapNaturalSize(*family.Completeness),
                                        scale, family.Family));
    }
    return StackImages(maps);
}

bool SaveFamilyHistoryImage(const std::vector<TFamilyCompleteness>& families, const QString& dataFolder,
                            const QString& file, int scale, QString& error)
{
    return SavePngFile(RenderFamilyHistory(families, dataFolder, scale), file, error);
}

TSaveHistory HistoryImageWriter(int scale)
{
    return [scale](const QString& dataFolder, const std::vector<TFamilyReading>& families, const QString& file) {
        QString error;
        if (SaveFamilyHistoryImage(FamilyCompletenesses(families), dataFolder, file, scale, error))
            return true;
        TellUser(error);
        return false;
    };
}

#include "desktop/FamilyHistory.h"

#include "app/UserMessage.h"
#include "desktop/HistoryMap.h"
#include "platform/ImageFile.h"

#include <QPainter>

#include <algorithm>

QImage RenderFamilyHistory(const std::vector<TFamilyCompleteness>& families, const QString& dataFolder, int scale)
{
    if (families.size() == 1)
        return RenderHistoryMap(*families.front().Completeness, dataFolder,
                                HistoryMapNaturalSize(*families.front().Completeness), scale);
    std::vector<QImage> maps;
    int width = 0, height = 0;
    for (const TFamilyCompleteness& family : families) {
        maps.push_back(RenderHistoryMap(*family.Completeness, dataFolder, HistoryMapNaturalSize(*family.Completeness),
                                        scale, family.Family));
        if (maps.back().isNull())
            return {};
        width = std::max(width, maps.back().width());
        height += maps.back().height();
    }
    QImage stacked(width, height, QImage::Format_RGB32);
    if (stacked.isNull())
        return stacked;
    // A narrower map leaves the right-hand side in the maps' own background.
    stacked.fill(maps.front().pixel(0, 0));
    QPainter painter(&stacked);
    int top = 0;
    for (const QImage& map : maps) {
        painter.drawImage(0, top, map);
        top += map.height();
    }
    return stacked;
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

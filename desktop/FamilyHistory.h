#pragma once
// The picture of -history-png over several product families: each family's
// completeness map at its natural size, titled with the family, one under the
// other in the families file's order. One family: its map alone.
#include "app/StationRun.h"
#include "report/CompletenessReport.h"

#include <QImage>
#include <QString>
#include <vector>

QImage RenderFamilyHistory(const std::vector<TFamilyCompleteness>& families, const QString& dataFolder, int scale);

// Pictures one under the other, at the widest one's width (a narrower one
// leaves the rest in the first one's corner colour); one picture as it is,
// a null one or none a null image.
QImage StackImages(const std::vector<QImage>& images);

// Written as a PNG whatever the name's extension, whole or not at all; false
// with the error when it cannot.
bool SaveFamilyHistoryImage(const std::vector<TFamilyCompleteness>& families, const QString& dataFolder,
                            const QString& file, int scale, QString& error);

// The drawing of -history-png for a scan (StationRun.h): SaveFamilyHistoryImage
// at the scale, a failure told to the user.
TSaveHistory HistoryImageWriter(int scale);

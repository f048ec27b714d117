#pragma once
// The picture of -png over several product families: each family's delay
// chart, titled with the family, one under the other in the families file's
// order. One family: its chart alone, as ever.
#include "app/StationRun.h"
#include "report/FamilyReading.h"

#include <QImage>
#include <QString>
#include <vector>

QImage RenderFamilyCharts(const std::vector<TFamilyReading>& families, const QString& dataFolder, int scale);

// The drawing of -png for a scan (StationRun.h): RenderFamilyCharts at the
// scale, written as a PNG whatever the name's extension; a failure told to
// the user.
TSaveChart ChartImageWriter(int scale);

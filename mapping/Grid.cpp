// Latitude/longitude grid: meridians and parallels projected point by point,
// broken where the projection refuses a point, with haloed degree labels.
#include "mapping/GridCanvas.h"
#include "mapping/ProjectionKinds.h"
#include "mapping/ProjectionMath.h"
#include "mapping/ormMapping.h"
#include "platform/DegreeSign.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <vector>

using namespace Projection;

namespace {

// Special parallels by set element: polar circles, tropics, equator.
const float SpecialLatitudes[5] = {66.56083f, 23.43917f, 0.0f, -23.43917f, -66.56083f};

int32_t ClampToInt(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

QString MeridianLabel(int n)
{
    if (n == 0)
        return QStringLiteral("0") + DegreeSign;
    if (n == 180 || n == -180)
        return QStringLiteral("180") + DegreeSign;
    if (n < 0)
        return QString::number(-n) + DegreeSign + QStringLiteral("W");
    return QString::number(n) + DegreeSign + QStringLiteral("E");
}

QString ParallelLabel(int h)
{
    if (h == 0)
        return QStringLiteral("0") + DegreeSign;
    if (h < 0)
        return QString::number(-h) + DegreeSign + QStringLiteral("S");
    return QString::number(h) + DegreeSign + QStringLiteral("N");
}

// Range bounds are kept within one and a half turns, so no loop below runs long
// and no integer overflows, whatever the spans hold.
int32_t RangeBound(double v, bool truncate)
{
    if (std::isnan(v))
        v = 0;
    v = std::clamp(v, -540.0, 540.0);
    return truncate ? TruncIntClamped(v) : NearestIntClamped(v);
}

}  // namespace

class TGridPainter
{
public:
    TGridPainter(const TMapping& Mapping, TGridCanvas& Canvas, int32_t LonStep, int32_t LatStep, TColor TextColour,
                 int32_t OffsetX, int32_t OffsetY, bool NoLabels, TColor HaloColour)
        : M(Mapping), C(Canvas), FRules(TKindTraits::Of(Mapping.Kind).Grid), FLonStep(LonStep), FLatStep(LatStep),
          FTextColour(TextColour), FOffsetX(OffsetX), FOffsetY(OffsetY), FNoLabels(NoLabels), FHaloColour(HaloColour)
    {
        FRun.reserve(361);
    }

    void Draw(uint8_t SpecialParallels);

private:
    const TMapping& M;
    TGridCanvas& C;
    const TGridRules& FRules;
    int32_t FLonStep, FLatStep;
    TColor FTextColour;
    int32_t FOffsetX, FOffsetY;
    bool FNoLabels;
    TColor FHaloColour;
    std::vector<QPoint> FRun;
    // The projection's outputs are in/out: refusals leave the last values shifted.
    int32_t FX = 0, FY = 0;

    bool Project(float Lon, float Lat) { return M.LonLatToXY(Lon, Lat, FX, FY); }
    // Some kinds refuse points outside the image but still give their position.
    bool Usable(bool Accepted) const { return Accepted || FRules.LabelsOffImage; }
    int64_t ClampX(int64_t x) const;
    int64_t ClampY(int64_t y) const;
    QPoint Point(int64_t x, int64_t y) const;
    // A label stands only where its own line's point lies inside the picture.
    // Its edges belong to the picture, the right and bottom ones too.
    bool Inside(int64_t x, int64_t y) const { return x >= 0 && x <= M.Width && y >= 0 && y <= M.Height; }
    void AddToRun(float Lon, float Lat);
    void FlushRun();
    void StraightLine(int64_t x1, int64_t y1, int64_t x2, int64_t y2);
    void DrawMeridians(int32_t LonFrom, int32_t LonTo, int32_t LatFrom, int32_t LatTo);
    void DrawParallels(int32_t LonFrom, int32_t LonTo, int32_t LatFrom, int32_t LatTo);
    void ParallelLine(float Lat, int32_t LonFrom, int32_t LonTo, int64_t StartX);
    void DrawLabel(int64_t X, int64_t Y, const QString& Text);
};

int64_t TGridPainter::ClampX(int64_t x) const
{
    x = std::max<int64_t>(x, -100);
    const int64_t limit = static_cast<int64_t>(M.GetXExtent()) + 100;
    return x >= limit ? limit : x;
}

int64_t TGridPainter::ClampY(int64_t y) const
{
    y = std::max<int64_t>(y, -100);
    const int64_t limit = static_cast<int64_t>(M.GetMaxSize()) + std::abs(static_cast<int64_t>(M.GetYOffset())) + 100;
    return y >= limit ? limit : y;
}

QPoint TGridPainter::Point(int64_t x, int64_t y) const
{
    return QPoint(ClampToInt(FOffsetX + x), ClampToInt(FOffsetY + y));
}

void TGridPainter::AddToRun(float Lon, float Lat)
{
    if (Project(Lon, Lat))
        FRun.push_back(Point(ClampX(FX), ClampY(FY)));
    else
        FlushRun();
}

void TGridPainter::FlushRun()
{
    if (FRun.size() > 1)
        C.Polyline(FRun.data(), static_cast<int>(FRun.size()));
    FRun.clear();
}

void TGridPainter::StraightLine(int64_t x1, int64_t y1, int64_t x2, int64_t y2)
{
    // Pulled in like the curved lines, so the canvas never gets huge coordinates.
    const QPoint points[2] = {Point(ClampX(x1), ClampY(y1)), Point(ClampX(x2), ClampY(y2))};
    C.Polyline(points, 2);
}

void TGridPainter::DrawLabel(int64_t X, int64_t Y, const QString& Text)
{
    const int w = C.TextWidth(Text), hgt = C.TextHeight(Text);
    if (X + w > M.Width)
        return;
    X -= w / 2;
    if (X < 0)
        return;
    Y -= hgt / 2;
    C.SetFontColour(FHaloColour);
    static const int halo[4][2] = {{-1, -1}, {-1, 1}, {1, -1}, {1, 1}};
    for (const auto& d : halo)
        C.TextOut(ClampToInt(X + d[0] + FOffsetX), ClampToInt(Y + d[1] + FOffsetY), Text);
    C.SetFontColour(FTextColour);
    C.TextOut(ClampToInt(X + FOffsetX), ClampToInt(Y + FOffsetY), Text);
}

void TGridPainter::DrawMeridians(int32_t LonFrom, int32_t LonTo, int32_t LatFrom, int32_t LatTo)
{
    for (int32_t k = LonFrom / FLonStep; k <= LonTo / FLonStep; ++k) {
        int32_t n = k * FLonStep;
        while (n > 180)
            n -= 360;
        while (n < -180)
            n += 360;
        const QString label = MeridianLabel(n);
        const int th = C.TextHeight(label);
        if (FRules.StraightLines) {
            Project(n, LatFrom);
            const int64_t x1 = FX;
            Project(n, LatTo);
            StraightLine(x1, static_cast<int64_t>(M.Height) - th, FX, FY);
        } else {
            for (int32_t lat = LatTo; lat >= LatFrom; --lat)
                AddToRun(n, lat);
            FlushRun();
        }
        if (FNoLabels)
            continue;
        const int64_t bottomY = static_cast<int64_t>(M.Height) - (3 * th) / 4;
        switch (FRules.MeridianLabels) {
        case TMeridianLabels::SouthOfEquator:
            if (Project(n, -3) && Inside(FX, FY))
                DrawLabel(FX, FY, label);
            break;
        case TMeridianLabels::CentreParallel:
            if (Project(n, M.CentreLat) && Inside(FX, FY))
                DrawLabel(FX, FY, label);
            break;
        case TMeridianLabels::ConeBottom: {
            // The first latitude whose point lies above the label row.
            bool found = false;
            if (M.SouthernHemisphere) {
                int lat = -90;
                do {
                    ++lat;
                    found = Project(n, lat) && M.Height > static_cast<int64_t>(FY) + th;
                } while (!found && lat <= 0);
                if (found && lat < 0 && Inside(FX, FY))
                    DrawLabel(FX, bottomY, label);
            } else {
                int lat = 0;
                do {
                    ++lat;
                    found = Project(n, lat) && M.Height > static_cast<int64_t>(FY) + th;
                } while (!found && lat <= 87);
                if (found && lat < 87 && Inside(FX, FY))
                    DrawLabel(FX, bottomY, label);
            }
            break;
        }
        case TMeridianLabels::CentreOrEquator: {
            const float lat = std::fabs(M.CentreLat) < 10 ? 0.0f : M.CentreLat;
            if (Project(n, lat) && Inside(FX, FY))
                DrawLabel(FX, FY, label);
            break;
        }
        case TMeridianLabels::BottomEdge:
            if (Usable(Project(n, 0)) && Inside(FX, bottomY))
                DrawLabel(FX, bottomY, label);
            break;
        }
    }
}

void TGridPainter::ParallelLine(float Lat, int32_t LonFrom, int32_t LonTo, int64_t StartX)
{
    if (FRules.StraightLines) {
        Project(LonFrom, Lat);
        StraightLine(StartX, FY, static_cast<int64_t>(M.Width) - 2, FY);
        return;
    }
    for (int32_t lon = LonTo; lon >= LonFrom; --lon)
        AddToRun(lon, Lat);
    FlushRun();
}

void TGridPainter::DrawParallels(int32_t LonFrom, int32_t LonTo, int32_t LatFrom, int32_t LatTo)
{
    for (int32_t k = LatFrom / FLatStep; k <= LatTo / FLatStep; ++k) {
        const int32_t h = k * FLatStep;
        const QString label = ParallelLabel(h);
        const int tw = C.TextWidth(label);
        ParallelLine(h, LonFrom, LonTo, static_cast<int64_t>(tw) + 4);
        if (FNoLabels)
            continue;
        switch (FRules.ParallelLabels) {
        case TParallelLabels::LeftEdge:
            if (Usable(Project(LonFrom, h)) && Inside(tw / 2 + 2, FY))
                DrawLabel(tw / 2 + 2, FY, label);
            break;
        case TParallelLabels::ConeLeftEdge: {
            // The first longitude from the west whose point lies near the left edge.
            int lon = -180;
            bool found = false;
            do {
                ++lon;
                found = Project(lon, h) && FX > 0 && FX < 2 * static_cast<int64_t>(tw) && FY > 10 && FY < M.GetHeight();
            } while (!found && lon < 178);
            if (found && lon < 178 && Inside(FX, FY))
                DrawLabel(tw / 2 + 2, FY, label);
            break;
        }
        case TParallelLabels::CentreMeridian: {
            // On the grid meridian nearest the centre.
            const int64_t lon =
                static_cast<int64_t>(FLonStep) * RangeBound(static_cast<double>(M.CentreLon) / FLonStep, false);
            if (Project(static_cast<float>(lon), h) && Inside(FX, FY))
                DrawLabel(static_cast<int64_t>(FX) - (4 * tw) / 5, FY, label);
            break;
        }
        case TParallelLabels::None:
            break;
        }
    }
}

void TGridPainter::Draw(uint8_t SpecialParallels)
{
    int32_t lonFrom = -179, lonTo = 179, latFrom = -89, latTo = 89;
    std::optional<std::pair<int32_t, int32_t>> second;
    switch (FRules.Steps) {
    case TGridSteps::Coarse:
        FLonStep = 30;
        FLatStep = 15;
        break;
    case TGridSteps::CoarseWithoutSpan:
        if (M.LatSpan == 0) {
            FLonStep = 30;
            FLatStep = 30;
        }
        break;
    case TGridSteps::FineForFifteen:
        if (FLonStep == 15)
            FLonStep = 5;
        if (FLatStep == 15)
            FLatStep = 5;
        break;
    case TGridSteps::AsGiven:
        break;
    }
    switch (FRules.Range) {
    case TGridRange::FromAntimeridian:
        lonFrom = -180;
        break;
    case TGridRange::AroundCentre: {
        const int32_t r = RangeBound(M.CentreLon, false);
        lonFrom = r - 179;
        lonTo = r + 179;
        break;
    }
    case TGridRange::Spans: {
        const double lonSpan = M.LonSpan, latSpan = M.LatSpan;
        lonFrom = RangeBound(M.CentreLon - lonSpan / 2, true) - 1;
        lonTo = RangeBound(M.CentreLon + lonSpan / 2, false) + 1;
        latFrom = RangeBound(M.CentreLat - latSpan / 2, true) - 1;
        latTo = RangeBound(M.CentreLat + latSpan / 2, false) + 1;
        if (lonFrom < -179) {
            second = std::make_pair(lonFrom + 360, 180);
            lonFrom = -179;
        }
        if (lonTo > 179) {
            second = std::make_pair(-180, lonTo - 360);
            lonTo = 179;
        }
        latFrom = std::max(latFrom, -89);
        latTo = std::min(latTo, 89);
        break;
    }
    case TGridRange::NorthernHemisphere:
        latFrom = 0;
        break;
    case TGridRange::World:
        break;
    }
    // Never more than one turn of meridians per range.
    lonFrom = std::max(lonFrom, lonTo - 360);
    if (second)
        second->first = std::max(second->first, second->second - 360);

    DrawMeridians(lonFrom, lonTo, latFrom, latTo);
    if (second)
        DrawMeridians(second->first, second->second, latFrom, latTo);
    DrawParallels(lonFrom, lonTo, latFrom, latTo);

    const TGridPenStyle style = C.PenStyle();
    C.SetPenStyle(TGridPenStyle::Dot);
    for (int i = 0; i < 5; ++i)
        if (SpecialParallels & (1u << i))
            ParallelLine(SpecialLatitudes[i], -179, 179, 0);
    C.SetPenStyle(style);
}

void TMapping::DrawGrid(TGridCanvas* Canvas, int32_t LonStep, int32_t LatStep, TColor TextColour, TColor LineColour,
                        int32_t OffsetX, int32_t OffsetY, bool NoLabels, uint8_t SpecialParallels, TColor HaloColour)
{
    if (!Canvas || LatStep == 0 || LonStep == 0)
        return;
    Canvas->SaveFont();
    Canvas->SetBrushClear();
    Canvas->SetPenColour(LineColour);
    Canvas->SetFontName(QStringLiteral("Small Fonts"));
    Canvas->SetFontSize(7);
    TGridPainter painter(*this, *Canvas, LonStep, LatStep, TextColour, OffsetX, OffsetY, NoLabels, HaloColour);
    painter.Draw(SpecialParallels);
    Canvas->RestoreFont();
}

void TMapping::DrawGridOnBitmap(TGridBitmap* Bitmap, int32_t LonStep, int32_t LatStep, TColor TextColour,
                                TColor LineColour, int32_t OffsetX, int32_t OffsetY, bool NoLabels,
                                uint8_t SpecialParallels, TColor HaloColour)
{
    if (!Bitmap || Kind == pkUnknown)
        return;
    DrawGrid(Bitmap->Canvas(), LonStep, LatStep, TextColour, LineColour, OffsetX, OffsetY, NoLabels, SpecialParallels,
             HaloColour);
    Bitmap->Modified();
}

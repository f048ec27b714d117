#pragma once
// TMapping: the description of one image in one of fourteen map projections,
// with forward (longitude/latitude to pixel) and inverse conversions and a
// latitude/longitude grid. Every setter recomputes the derived constants at
// once (Recalculate), so conversions and drawing only read fields.
#include "platform/Color.h"

#include <cstdint>

class TGridCanvas;
class TGridBitmap;

using TProjectionKind = uint8_t;

// The kinds; what each of them is, is one entry of the table in
// ProjectionKinds.h.
constexpr TProjectionKind pkUnknown = 0;
constexpr TProjectionKind pkCylEquiFull = 1;
constexpr TProjectionKind pkCylEquiZoomed = 2;
constexpr TProjectionKind pkAzimuthalEqui = 3;
constexpr TProjectionKind pkAzimuthalEquiWide = 4;
constexpr TProjectionKind pkMercatorFull = 5;
constexpr TProjectionKind pkMercatorZoomed = 6;
constexpr TProjectionKind pkOrthographic = 7;
constexpr TProjectionKind pkLinearOrthographic = 8;
constexpr TProjectionKind pkPolarStereographic = 9;
constexpr TProjectionKind pkLambertConformal = 10;
constexpr TProjectionKind pkGnomonic = 11;
constexpr TProjectionKind pkVanDerGrinten = 12;
constexpr TProjectionKind pkGreatCircle = 13;
constexpr TProjectionKind pkLinearBased = 14;

// Display names indexed by kind, for menus and captions of a host program.
extern const char* const ProjectionNames[15];

// Special parallels of DrawGrid, as bits of one byte (element n = bit n).
constexpr uint8_t spArcticCircle = 1u << 0;
constexpr uint8_t spTropicOfCancer = 1u << 1;
constexpr uint8_t spEquator = 1u << 2;
constexpr uint8_t spTropicOfCapricorn = 1u << 3;
constexpr uint8_t spAntarcticCircle = 1u << 4;

class TMapping
{
public:
    TMapping() = default;
    TMapping(const TMapping&) = default;
    TMapping& operator=(const TMapping&) = default;
    virtual ~TMapping() = default;

    // Fields, in the order the library has always kept them. Written through
    // the setters below; Tile and Rotation are written directly.
    float Ecc = 0;
    float HalfEcc = 0;
    float InvConeNRad = 0;
    float ConeN = 0;
    float InvConeN = 0;
    float ConeScale = 0;
    float InvConeScale = 0;
    float ConeNRad = 0;
    float Rho0 = 0;
    float Scale = 0;
    float InvScale = 0;
    float SouthLat = 0;
    float LatSpan = 0;
    float WestLon = 0;
    float LonSpan = 0;
    int32_t Height = 0;
    float InvHeight = 0;
    int32_t Width = 0;
    float InvWidth = 0;
    float CentreLon = 0;
    float MercScale = 0;
    float MercOffset = 0;
    int32_t HalfHeight = 0;
    float CentreLat = 0;
    TProjectionKind Kind = 0;
    uint8_t Tile = 0;
    float Rotation = 0;
    float SinLat0 = 0;
    float CosLat0 = 0;
    float StdParallel1 = 0;
    float StdParallel2 = 0;
    float InvVdgRadius = 0;
    float VdgRadius = 0;
    float PolarOffset = 0;
    bool SouthernHemisphere = false;
    float XOffset = 0;
    float YOffset = 0;

    virtual void SetKind(uint8_t Value);
    virtual int32_t GetHeight() const;
    virtual int32_t GetWidth() const;
    virtual int32_t GetMaxSize() const;
    virtual int32_t GetXExtent() const;
    virtual void AssignFrom(const TMapping& Source);
    virtual void Assign(const TMapping& Source);
    virtual void DrawGridOnBitmap(TGridBitmap* Bitmap, int32_t LonStep, int32_t LatStep, TColor TextColour,
                                  TColor LineColour, int32_t OffsetX, int32_t OffsetY, bool NoLabels,
                                  uint8_t SpecialParallels, TColor HaloColour);
    virtual void DrawGrid(TGridCanvas* Canvas, int32_t LonStep, int32_t LatStep, TColor TextColour,
                          TColor LineColour, int32_t OffsetX, int32_t OffsetY, bool NoLabels,
                          uint8_t SpecialParallels, TColor HaloColour);
    virtual bool HasProjection() const;
    // X and Y are in/out: a refusal leaves the caller's values shifted by the
    // offsets only (pkMercatorZoomed and pkGnomonic still write the position
    // they computed).
    virtual bool LonLatToXY(float Lon, float Lat, int32_t& X, int32_t& Y) const;
    virtual bool LonLatToXYF(float Lon, float Lat, float& X, float& Y) const;
    virtual bool XYToLonLat(int32_t X, int32_t Y, float& Lon, float& Lat) const;

    void SetHeight(int32_t Value);
    void SetWidth(int32_t Value);
    void SetCentreLon(float Value);
    void SetCentreLat(float Value);
    void SetLatSpan(float Value);
    void SetLonSpan(float Value);
    void SetStdParallel1(float Value);
    void SetStdParallel2(float Value);
    void SetXOffset(int32_t Value);
    void SetYOffset(int32_t Value);
    int32_t GetXOffset() const;
    int32_t GetYOffset() const;
    void Recalculate();

    // Van der Grinten sub-image transform (Tile) and its inverse.
    void TileToImage(float& X, float& Y) const;
    void ImageToTile(float& X, float& Y) const;

    // False while the Lambert constants could not all be computed (a standard
    // parallel at 90 degrees); pkLambertConformal refuses every conversion
    // meanwhile.
    bool ConeConstantsValid() const { return FConeValid; }

    // Outcome of projecting one point to unrounded pixel coordinates (before offsets).
    enum class TOutcome
    {
        Accepted,       // position valid
        InsideImage,    // position valid, accepted only when it lies inside the image (pkMercatorZoomed)
        RefusedAt,      // refused, but the position is still handed back (pkGnomonic)
        Refused         // refused, no position
    };
    TOutcome ProjectToPixel(float Lon, float Lat, double& PX, double& PY) const;

private:
    bool FConeValid = false;

    // The latitude span's edges in radians, stored in single precision.
    void SpanEdges(double& South, double& North) const;
    // Scale such that the plane extent of the latitude span, Extent in scale
    // units, fills the image height; false (Scale kept) without a span, an
    // image or an extent.
    bool FitSpanToHeight(double Extent);
    bool BeyondDistance(float Lon, float Lat, double LimitKm) const;
    void WidthPixel(double X, double Y, double& PX, double& PY) const;
    void Rotate(double& X, double& Y) const;
    // Pixel to plane in width units, with or without the vertical offset.
    void WidthForm(int32_t X, int32_t Y, bool WithYOffset, double& XW, double& YW) const;
    // Distance from the centre of a width-form point, for the inverses that
    // answer the centre itself: AtCentre (Lon, Lat written) below 1e-5,
    // Refused when the distance is not finite.
    enum class TRadius { Refused, AtCentre, Away };
    TRadius CentreRadius(double XW, double YW, double& Rho, double& Lon, double& Lat) const;

    // Set-ups and conversions per family, each family in its own file; the
    // table of kinds (ProjectionKinds.h) names them for each kind. A forward
    // gives unrounded pixels before the offsets; an inverse gives its results
    // in double, false on any floating-point failure.

    // Cylindrical.cpp
    TOutcome ForwardCylEquiFull(float Lon, float Lat, double& PX, double& PY) const;
    bool InverseCylEquiFull(int32_t X, int32_t Y, double& Lon, double& Lat) const;
    TOutcome ForwardCylEquiZoomed(float Lon, float Lat, double& PX, double& PY) const;
    bool InverseCylEquiZoomed(int32_t X, int32_t Y, double& Lon, double& Lat) const;
    // Mercator.cpp
    TOutcome ForwardMercatorFull(float Lon, float Lat, double& PX, double& PY) const;
    bool InverseMercatorFull(int32_t X, int32_t Y, double& Lon, double& Lat) const;
    void SetUpMercatorZoomed();
    TOutcome ForwardMercatorZoomed(float Lon, float Lat, double& PX, double& PY) const;
    bool InverseMercatorZoomed(int32_t X, int32_t Y, double& Lon, double& Lat) const;
    // Azimuthal.cpp: the family's first and last steps of a forward, its
    // inverse up to the longitude's wrap, and the kinds.
    using TAzimuthalAngle = bool (*)(double RhoPerScale, double& SinDelta, double& CosDelta);
    void SetUpAzimuthalSpan();
    bool AzimuthalSines(float Lon, float Lat, double LimitKm, double& SinPhi, double& CosPhi, double& SinDelta,
                        double& CosDelta) const;
    TOutcome AzimuthalPixel(double X, double Y, TOutcome Outcome, double& PX, double& PY) const;
    template <TAzimuthalAngle Angle>
    TRadius InverseAzimuthal(int32_t X, int32_t Y, bool WithYOffset, double& Lon, double& Lat) const;
    TOutcome ForwardAzimuthalEqui(float Lon, float Lat, double& PX, double& PY) const;
    bool InverseAzimuthalEqui(int32_t X, int32_t Y, double& Lon, double& Lat) const;
    TOutcome ForwardOrthographic(float Lon, float Lat, double& PX, double& PY) const;
    bool InverseOrthographic(int32_t X, int32_t Y, double& Lon, double& Lat) const;
    TOutcome ForwardLinearOrthographic(float Lon, float Lat, double& PX, double& PY) const;
    TOutcome ForwardGnomonic(float Lon, float Lat, double& PX, double& PY) const;
    bool InverseGnomonic(int32_t X, int32_t Y, double& Lon, double& Lat) const;
    // Polar.cpp
    void SetUpPolar();
    TOutcome ForwardPolar(float Lon, float Lat, double& PX, double& PY) const;
    bool InversePolar(int32_t X, int32_t Y, double& Lon, double& Lat) const;
    // Conic.cpp
    void SetUpCone();
    TOutcome ForwardConic(float Lon, float Lat, double& PX, double& PY) const;
    bool InverseConic(int32_t X, int32_t Y, double& Lon, double& Lat) const;
    // VanDerGrinten.cpp
    void SetUpVanDerGrinten();
    TOutcome ForwardVanDerGrinten(float Lon, float Lat, double& PX, double& PY) const;
    bool InverseVanDerGrinten(int32_t X, int32_t Y, double& Lon, double& Lat) const;
    // GreatCircle.cpp
    void SetUpGreatCircle();
    TOutcome ForwardGreatCircle(float Lon, float Lat, double& PX, double& PY) const;
    bool InverseGreatCircle(int32_t X, int32_t Y, double& Lon, double& Lat) const;

    // The table of kinds (ProjectionKinds.h) names the set-ups and conversions above.
    friend struct TKindTraits;
    // Grid drawing (Grid.cpp).
    friend class TGridPainter;
};

// Great-circle distance on a sphere of radius 6378.135 km; false (Km left
// unchanged) when rounding pushes the arccosine argument beyond +-1.
bool GreatCircleDistance(float& Km, float Lon1, float Lat1, float Lon2, float Lat2);
// Mercator ordinate in degree units, and its inverse.
double MercatorY(float Lat);
double MercatorLat(float Y);

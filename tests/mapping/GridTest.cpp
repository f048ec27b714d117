#include "MappingTestUtil.h"
#include "mapping/GridCanvas.h"
#include "mapping/ImageGridCanvas.h"
#include "mapping/Presets.h"
#include "mapping/SegmentTables.h"
#include "platform/DegreeSign.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

// Records every call with fixed metrics: 6 pixels per character, 10 high.
class TRecordingCanvas : public TGridCanvas
{
public:
    struct TText
    {
        int X, Y;
        QString Text;
        TColor Colour;
    };
    struct TLine
    {
        std::vector<QPoint> Points;
        TGridPenStyle Style;
    };

    QStringList Measured;  // every text measured, in order
    std::vector<TText> Texts;
    std::vector<TLine> Lines;
    int Calls = 0;
    int Saves = 0, Restores = 0;
    TGridPenStyle Style = TGridPenStyle::Dash;
    QString FontName = "Caller";
    int FontSize = 12;

    int TextWidth(const QString& t) override
    {
        ++Calls;
        Measured << t;
        return 6 * static_cast<int>(t.size());
    }
    int TextHeight(const QString& t) override
    {
        ++Calls;
        Measured << t;
        return 10;
    }
    void TextOut(int x, int y, const QString& t) override
    {
        ++Calls;
        Texts.push_back({x, y, t, FFontColour});
    }
    void Polyline(const QPoint* p, int n) override
    {
        ++Calls;
        Lines.push_back({std::vector<QPoint>(p, p + n), Style});
    }
    void SetBrushClear() override { ++Calls; }
    void SetPenColour(TColor) override { ++Calls; }
    TGridPenStyle PenStyle() const override { return Style; }
    void SetPenStyle(TGridPenStyle s) override
    {
        ++Calls;
        Style = s;
    }
    void SetFontName(const QString& n) override
    {
        ++Calls;
        FontName = n;
    }
    void SetFontSize(int s) override
    {
        ++Calls;
        FontSize = s;
    }
    void SetFontColour(TColor c) override
    {
        ++Calls;
        FFontColour = c;
    }
    void SaveFont() override
    {
        ++Calls;
        ++Saves;
        FSaved = {FontName, FontSize};
    }
    void RestoreFont() override
    {
        ++Calls;
        ++Restores;
        FontName = FSaved.first;
        FontSize = FSaved.second;
    }

    QStringList DrawnTexts() const
    {
        QStringList out;
        for (const TText& t : Texts)
            if (t.Colour == TextColour && !out.contains(t.Text))
                out << t.Text;
        return out;
    }
    static constexpr TColor TextColour = 0xFFFFFF, HaloColour = 0x000001, LineColour = 0x00FFFF;

private:
    TColor FFontColour = 0;
    std::pair<QString, int> FSaved;
};

class TRecordingBitmap : public TGridBitmap
{
public:
    TRecordingCanvas Recording;
    int ModifiedCount = 0;
    TGridCanvas* Canvas() override { return &Recording; }
    void Modified() override { ++ModifiedCount; }
};

void Draw(TMapping& m, TRecordingCanvas& c, int lonStep, int latStep, bool noLabels = false, uint8_t special = 0,
          int offsetX = 0, int offsetY = 0)
{
    m.DrawGrid(&c, lonStep, latStep, TRecordingCanvas::TextColour, TRecordingCanvas::LineColour, offsetX, offsetY,
               noLabels, special, TRecordingCanvas::HaloColour);
}

QString Deg(const char* text) { return QString::fromUtf8(text).replace("d", DegreeSign); }

class GridTest : public ::testing::Test
{
protected:
    void SetUp() override { InitDegreeSign(); }
};

}  // namespace

TEST_F(GridTest, ZeroStepsOrNoCanvasDrawNothing)
{
    TMapping m = MakeMapping({.Kind = 1, .Height = 180, .Width = 360});
    for (const auto& steps : {std::pair{0, 10}, std::pair{10, 0}}) {
        TRecordingCanvas c;
        Draw(m, c, steps.first, steps.second);
        EXPECT_EQ(c.Calls, 0);
    }
    m.DrawGrid(nullptr, 10, 10, 0, 0, 0, 0, false, 0, 0);
}

TEST_F(GridTest, BitmapIsMarkedOnlyWhenAProjectionIsSet)
{
    TMapping none = MakeMapping({.Kind = 0, .Height = 180, .Width = 360});
    TRecordingBitmap b0;
    none.DrawGridOnBitmap(&b0, 10, 10, 0, 0, 0, 0, false, 0, 0);
    EXPECT_EQ(b0.ModifiedCount, 0);
    EXPECT_EQ(b0.Recording.Calls, 0);
    TMapping plate = MakeMapping({.Kind = 1, .Height = 180, .Width = 360});
    TRecordingBitmap b1;
    plate.DrawGridOnBitmap(&b1, 10, 10, 0, 0, 0, 0, false, 0, 0);
    EXPECT_EQ(b1.ModifiedCount, 1);
    EXPECT_FALSE(b1.Recording.Lines.empty());
    plate.DrawGridOnBitmap(nullptr, 10, 10, 0, 0, 0, 0, false, 0, 0);
}

TEST_F(GridTest, FontIsSavedSetAndRestored)
{
    TMapping m = MakeMapping({.Kind = 1, .Height = 180, .Width = 360});
    TRecordingCanvas c;
    Draw(m, c, 30, 30);
    EXPECT_EQ(c.Saves, 1);
    EXPECT_EQ(c.Restores, 1);
    EXPECT_EQ(c.FontName, "Caller");
    EXPECT_EQ(c.FontSize, 12);
}

TEST_F(GridTest, RangesAndStepsByKind)
{
    struct Case
    {
        const char* Name;
        TMappingParams P;
        int LonStep, LatStep;
        const char* Meridians;
        const char* Parallels;
    };
    const Case cases[] = {
        // Kind 3 draws every 30 and 15 degrees whatever the caller asks.
        {"azimuthal",
         {.Kind = 3, .Height = 400, .Width = 400},
         10,
         10,
         "180d 150dW 120dW 90dW 60dW 30dW 0d 30dE 60dE 90dE 120dE 150dE",
         "75dS 60dS 45dS 30dS 15dS 0d 15dN 30dN 45dN 60dN 75dN"},
        {"wide azimuthal without span",
         {.Kind = 4, .Height = 400, .Width = 400},
         10,
         10,
         "180d 150dW 120dW 90dW 60dW 30dW 0d 30dE 60dE 90dE 120dE 150dE",
         "60dS 30dS 0d 30dN 60dN"},
        // Kind 6 turns steps of 15 into 5.
        {"mercator zoomed 15",
         {.Kind = 6, .Height = 300, .Width = 300, .CentreLon = 10, .CentreLat = 20, .LonSpan = 20, .LatSpan = 20},
         15,
         15,
         "0d 5dE 10dE 15dE 20dE",
         "5dN 10dN 15dN 20dN 25dN 30dN"},
        {"mercator zoomed 10",
         {.Kind = 6, .Height = 300, .Width = 300, .CentreLon = 10, .CentreLat = 20, .LonSpan = 20, .LatSpan = 20},
         10,
         10,
         "0d 10dE 20dE",
         "0d 10dN 20dN 30dN"},
        // Across the antimeridian: 149..179, then -180..-169.
        {"zoomed across 180",
         {.Kind = 2, .Height = 300, .Width = 300, .CentreLon = 170, .LonSpan = 40, .LatSpan = 10},
         1,
         5,
         nullptr,
         "5dS 0d 5dN"},
        {"linear-based",
         {.Kind = 14, .Height = 300, .Width = 300, .CentreLon = 170, .LonSpan = 40, .LatSpan = 10},
         60,
         30,
         "120dW 60dW 0d 60dE 120dE",
         "0d 30dN 60dN"},
        {"van der grinten",
         {.Kind = 12, .Height = 400, .Width = 800, .CentreLon = 100},
         90,
         45,
         "0d 90dE 180d 90dW",
         "45dS 0d 45dN"},
    };
    for (const Case& c : cases) {
        TMapping m = MakeMapping(c.P);
        TRecordingCanvas canvas;
        Draw(m, canvas, c.LonStep, c.LatStep, true);
        // Meridians measure their label first, then parallels.
        QStringList expected = Deg(c.Parallels).split(' ');
        QStringList measured = canvas.Measured;
        if (c.Meridians)
            expected = Deg(c.Meridians).split(' ') + expected;
        else
            measured = measured.mid(measured.size() - expected.size());
        EXPECT_EQ(measured, expected) << c.Name << ": " << measured.join(' ').toStdString();
    }
}

TEST_F(GridTest, ZoomedMapAcrossTheAntimeridianDrawsBothSides)
{
    TMapping m = MakeMapping({.Kind = 2, .Height = 300, .Width = 300, .CentreLon = 170, .LonSpan = 40, .LatSpan = 10});
    TRecordingCanvas c;
    Draw(m, c, 1, 5, true);
    QStringList expected;
    for (int n = 149; n <= 179; ++n)
        expected << QString::number(n) + DegreeSign + "E";
    expected << Deg("180d");
    for (int n = 179; n >= 169; --n)
        expected << QString::number(n) + DegreeSign + "W";
    EXPECT_EQ(c.Measured.mid(0, expected.size()), expected);
    // 31 + 12 straight meridians, then 3 straight parallels across the full width.
    ASSERT_EQ(c.Lines.size(), 46u);
    for (size_t i = 43; i < 46; ++i) {
        EXPECT_EQ(c.Lines[i].Points.size(), 2u);
        EXPECT_EQ(c.Lines[i].Points[1].x(), 300 - 2);
    }
}

TEST_F(GridTest, LabelTextsAndPlacement)
{
    TMapping m = MakeMapping({.Kind = 1, .Height = 180, .Width = 360});
    TRecordingCanvas c;
    Draw(m, c, 30, 45, false, 0, 1000, 2000);
    const QStringList drawn = c.DrawnTexts();
    EXPECT_TRUE(drawn.contains(Deg("0d")));
    EXPECT_TRUE(drawn.contains(Deg("30dW")));
    EXPECT_TRUE(drawn.contains(Deg("45dS")));
    EXPECT_TRUE(drawn.contains(Deg("150dE")));
    // -180 at x 0 would start left of the image, 180 does not exist in -179..179.
    EXPECT_FALSE(drawn.contains(Deg("180d")));
    // The prime meridian: x 180, row 180 - (3*10)/4 = 173, centred 12x10 text,
    // four halo copies then the text, all shifted by the grid offsets.
    std::vector<TRecordingCanvas::TText> zero;
    for (const auto& t : c.Texts)
        if (t.Text == Deg("0d") && t.X > 1100)
            zero.push_back(t);
    ASSERT_EQ(zero.size(), 5u);
    const int expected[5][2] = {{173, 167}, {173, 169}, {175, 167}, {175, 169}, {174, 168}};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(zero[i].X, 1000 + expected[i][0]) << i;
        EXPECT_EQ(zero[i].Y, 2000 + expected[i][1]) << i;
        EXPECT_EQ(zero[i].Colour, i < 4 ? TRecordingCanvas::HaloColour : TRecordingCanvas::TextColour) << i;
    }
    // The parallel labels sit against the left edge: x = tw/2 + 2 - tw/2.
    for (const auto& t : c.Texts)
        if (t.Text == Deg("45dS") && t.Colour == TRecordingCanvas::TextColour) {
            EXPECT_EQ(t.X, 1000 + 12 + 2 - 12);
            EXPECT_EQ(t.Y, 2000 + 135 - 5);
        }
}

TEST_F(GridTest, LabelsCrossingTheEdgesAreDropped)
{
    // 150dE sits at x 321: 321 + 30 > 350. 150dW at x 29: 29 - 15 >= 0 stays.
    TMapping m = MakeMapping({.Kind = 1, .Height = 180, .Width = 350});
    TRecordingCanvas c;
    Draw(m, c, 150, 90);
    const QStringList drawn = c.DrawnTexts();
    EXPECT_FALSE(drawn.contains(Deg("150dE")));
    EXPECT_TRUE(drawn.contains(Deg("150dW")));
    TMapping narrow = MakeMapping({.Kind = 1, .Height = 180, .Width = 36});
    TRecordingCanvas c2;
    Draw(narrow, c2, 150, 90);
    // 150dW now at x 3: 3 - 15 < 0.
    EXPECT_FALSE(c2.DrawnTexts().contains(Deg("150dW")));
}

TEST_F(GridTest, NoLabelsDrawsOnlyLines)
{
    TMapping m = MakeMapping({.Kind = 7, .Height = 400, .Width = 400, .LatSpan = 180});
    TRecordingCanvas c;
    Draw(m, c, 10, 10, true);
    EXPECT_TRUE(c.Texts.empty());
    EXPECT_FALSE(c.Lines.empty());
}

TEST_F(GridTest, SingleDottedEquatorAndPenStyleRestored)
{
    TMapping m = MakeMapping({.Kind = 1, .Height = 180, .Width = 360});
    TRecordingCanvas c;
    Draw(m, c, 30, 30, true, spEquator, 5, 7);
    std::vector<TRecordingCanvas::TLine> dotted;
    for (const auto& l : c.Lines)
        if (l.Style == TGridPenStyle::Dot)
            dotted.push_back(l);
    ASSERT_EQ(dotted.size(), 1u);
    ASSERT_EQ(dotted[0].Points.size(), 2u);
    EXPECT_EQ(dotted[0].Points[0], QPoint(5, 97));
    EXPECT_EQ(dotted[0].Points[1], QPoint(5 + 358, 97));
    EXPECT_EQ(c.Style, TGridPenStyle::Dash);
}

TEST_F(GridTest, SpecialParallelsAreCurvedRunsForOtherKinds)
{
    TMapping m = MakeMapping({.Kind = 13, .Height = 400, .Width = 800});
    TRecordingCanvas c;
    Draw(m, c, 30, 30, true, spArcticCircle | spTropicOfCapricorn);
    int dotted = 0;
    for (const auto& l : c.Lines)
        if (l.Style == TGridPenStyle::Dot) {
            ++dotted;
            EXPECT_EQ(l.Points.size(), 359u);
        }
    EXPECT_EQ(dotted, 2);
}

// A refused point has no position: its label is skipped. Orthographic refuses
// the far side; the old code put those labels at stale positions.
TEST_F(GridTest, RefusedPointsGetNoLabel)
{
    TMapping m = MakeMapping({.Kind = 7, .Height = 400, .Width = 400, .LatSpan = 180});
    TRecordingCanvas c;
    Draw(m, c, 30, 30);
    const QStringList drawn = c.DrawnTexts();
    EXPECT_TRUE(drawn.contains(Deg("0d")));
    EXPECT_TRUE(drawn.contains(Deg("30dE")));
    EXPECT_FALSE(drawn.contains(Deg("90dE")));
    EXPECT_FALSE(drawn.contains(Deg("120dW")));
    EXPECT_FALSE(drawn.contains(Deg("180d")));
    // Zoomed Mercator refuses points outside the image but still places them.
    TMapping merc = MakeMapping(
        {.Kind = 6, .Height = 300, .Width = 300, .CentreLon = 10, .CentreLat = 40, .LonSpan = 20, .LatSpan = 20});
    TRecordingCanvas c2;
    Draw(merc, c2, 10, 10);
    EXPECT_TRUE(c2.DrawnTexts().contains(Deg("10dE")));  // its equator point lies below the image
}

TEST_F(GridTest, EveryDrawnPointLiesNearTheImage)
{
    for (int kind = 1; kind <= 14; ++kind) {
        TMapping m = MakeMapping({.Kind = kind,
                                  .Height = 300,
                                  .Width = 400,
                                  .CentreLon = 30,
                                  .CentreLat = 50,
                                  .LonSpan = 30,
                                  .LatSpan = 20,
                                  .YOffset = 40});
        TRecordingCanvas c;
        Draw(m, c, 10, 10, false, 0x1F, 3, 4);
        for (const auto& l : c.Lines)
            for (const QPoint& p : l.Points) {
                EXPECT_GE(p.x(), 3 - 100) << kind;
                EXPECT_LE(p.x(), 3 + 400 + 100) << kind;
                EXPECT_GE(p.y(), 4 - 100) << kind;
                EXPECT_LE(p.y(), 4 + 400 + 40 + 100) << kind;
            }
    }
}

TEST_F(GridTest, HugeOrNonFiniteSpansStayBounded)
{
    const float spans[] = {1e30f, -1e30f, std::numeric_limits<float>::infinity(),
                           std::numeric_limits<float>::quiet_NaN()};
    for (int kind : {2, 6})
        for (float span : spans) {
            TMapping m;
            m.SetKind(static_cast<uint8_t>(kind));
            m.SetHeight(300);
            m.SetWidth(300);
            m.SetLonSpan(span);
            m.SetLatSpan(span);
            m.SetCentreLon(1e9f);
            TRecordingCanvas c;
            Draw(m, c, 1, 1);
            EXPECT_LE(c.Lines.size(), 2u * 361 + 2 * 179) << kind << " " << span;
        }
}

TEST_F(GridTest, ImageCanvasDrawsLinesAndLabels)
{
    QImage image(360, 180, QImage::Format_RGB32);
    image.fill(Qt::black);
    TMapping m = MakeMapping({.Kind = 1, .Height = 180, .Width = 360});
    int modified = 0;
    {
        TImageGridBitmap bitmap(image);
        bitmap.SetOnModified([&](TImageGridBitmap*) { ++modified; });
        m.DrawGridOnBitmap(&bitmap, 30, 30, 0xFFFFFF, 0x00FFFF, 0, 0, false, spEquator, 0);
    }
    EXPECT_EQ(modified, 1);
    // A yellow meridian at x 180 (0x00FFFF is red + green), white label pixels somewhere.
    EXPECT_EQ(image.pixelColor(180, 40), QColor(255, 255, 0));
    bool white = false;
    for (int y = 150; y < 180 && !white; ++y)
        for (int x = 160; x < 200 && !white; ++x)
            white = image.pixelColor(x, y).blue() > 160;
    EXPECT_TRUE(white);
}

namespace {

// The label texts drawn in the text colour, with their centres.
struct TPlacedLabel
{
    QString Text;
    int X, Y;
};
std::vector<TPlacedLabel> PlacedLabels(const TRecordingCanvas& c)
{
    std::vector<TPlacedLabel> out;
    for (const auto& t : c.Texts)
        if (t.Colour == TRecordingCanvas::TextColour)
            out.push_back({t.Text, t.X + 3 * static_cast<int>(t.Text.size()), t.Y + 5});
    return out;
}

// The angle a label names: east and north positive.
int LabelAngle(const QString& text)
{
    const int n = text.left(text.indexOf(DegreeSign)).toInt();
    return text.endsWith('W') || text.endsWith('S') ? -n : n;
}

}  // namespace

// A meridian label of the Lambert kind stood at the bottom edge even where its
// meridian never reaches the picture: on LambertMapping1K "40dW" and "50dW"
// stood at the bottom left, over East Asia. Each label is now drawn only where
// its own line's point lies inside the picture, and the longitude under every
// meridian label is the label's own (checked with the inverse).
TEST_F(GridTest, LambertLabelsOnlyWhereTheirMeridianIs)
{
    TMapping m;
    BuildPresetMapping(TPresetMapping::Lambert1K, m);
    TRecordingCanvas c;
    Draw(m, c, 10, 10);
    const QStringList drawn = c.DrawnTexts();
    EXPECT_FALSE(drawn.contains(Deg("40dW"))) << drawn.join(' ').toStdString();
    EXPECT_FALSE(drawn.contains(Deg("50dW"))) << drawn.join(' ').toStdString();
    EXPECT_EQ(drawn, Deg("110dE 120dE 130dE 140dE 0d 10dN 20dN 30dN 40dN").split(' '));
    for (const TPlacedLabel& label : PlacedLabels(c)) {
        float lon = 0, lat = 0;
        ASSERT_TRUE(m.XYToLonLat(label.X, label.Y, lon, lat)) << label.Text.toStdString();
        const bool meridian = label.Text.endsWith('E') || label.Text.endsWith('W');
        EXPECT_NEAR(meridian ? lon : lat, LabelAngle(label.Text), 1.5) << label.Text.toStdString();
    }
    // The polar kind labels parallels on the central meridian: 60dN lies above the picture.
    TMapping polar;
    BuildPresetMapping(TPresetMapping::Polar800, polar);
    TRecordingCanvas c2;
    Draw(polar, c2, 20, 20);
    EXPECT_EQ(c2.DrawnTexts(), Deg("100dE 120dE 140dE 20dN 40dN").split(' '));
}

// The same test on every kind: a label's line point inside the picture keeps it.
TEST_F(GridTest, LabelsWhoseLinesAreInsideAreAllKept)
{
    struct Case
    {
        const char* Name;
        TMapping M;
        int LonStep, LatStep;
        const char* Labels;
    };
    TMapping disc;
    BuildPresetMapping(TPresetMapping::Disc, disc);
    const Case cases[] = {
        // Every meridian of the plate carree crosses the bottom edge and every parallel the left one;
        // 180dW alone would start left of the picture.
        // (The equator's "0d" is the prime meridian's text too.)
        {"plate", MakeMapping({.Kind = 1, .Height = 180, .Width = 360}), 30, 30,
         "150dW 120dW 90dW 60dW 30dW 0d 30dE 60dE 90dE 120dE 150dE 60dS 30dS 30dN 60dN"},
        // The disc: every meridian and parallel that the orthographic kind does not refuse.
        {"disc", disc, 30, 30, "180d 90dE 120dE 150dE 30dS 0d 30dN"},
    };
    for (const Case& k : cases) {
        TMapping m = k.M;
        TRecordingCanvas c;
        Draw(m, c, k.LonStep, k.LatStep);
        EXPECT_EQ(c.DrawnTexts(), Deg(k.Labels).split(' ')) << k.Name << ": " << c.DrawnTexts().join(' ').toStdString();
        for (const TPlacedLabel& label : PlacedLabels(c)) {
            EXPECT_TRUE(label.X >= 0 && label.X < m.Width && label.Y >= 0 && label.Y < m.Height)
                << k.Name << " " << label.Text.toStdString();
        }
    }
}

// The picture's edges belong to it on all four sides: a parallel whose left
// end lies on the bottom edge (y == Height) keeps its label as one on the top
// edge (y == 0) does; a pixel further out it has none. Plate carree 360 x 180,
// shifted up or down: 80dS lies at row 170 - YOffset, 80dN at row 10 - YOffset.
TEST_F(GridTest, LinesOnTheEdgesOfThePictureKeepTheirLabels)
{
    struct Case
    {
        int YOffset;
        const char* Label;
        int Row;
        bool Drawn;
    };
    const Case cases[] = {
        {-10, "80dS", 180, true},
        {-11, "80dS", 181, false},
        {10, "80dN", 0, true},
        {11, "80dN", -1, false},
    };
    for (const Case& c : cases) {
        TMapping m = MakeMapping({.Kind = 1, .Height = 180, .Width = 360, .YOffset = c.YOffset});
        int x = 0, y = 0;
        m.LonLatToXY(-180, static_cast<float>(LabelAngle(Deg(c.Label))), x, y);
        EXPECT_EQ(y, c.Row) << c.Label << " at y offset " << c.YOffset;
        TRecordingCanvas canvas;
        Draw(m, canvas, 90, 10);
        EXPECT_EQ(canvas.DrawnTexts().contains(Deg(c.Label)), c.Drawn)
            << c.Label << " at y offset " << c.YOffset << ": " << canvas.DrawnTexts().join(' ').toStdString();
    }
}

TEST(SegmentTables, PresetsAreCreatedAndFreedInOrder)
{
    InitSegmentTables();
    EXPECT_EQ(DegreeSign, QString(QChar(0x00B0)));
    struct Case
    {
        TMapping** Slot;
        float Lon, Lat;
        int X, Y;
    };
    const Case cases[] = {
        {&LambertMapping1K, 128.5f, 35, 683, 324}, {&LambertMapping1K, 138.5f, 30, 858, 413},
        {&DiscMapping, 140.5f, 0, 856, 849},       {&PolarMapping800, 135, 35.45f, 537, 357},
        {&PolarMappingNorth, 0, 90, 503, 132},
    };
    for (const Case& c : cases) {
        ASSERT_NE(*c.Slot, nullptr);
        int x = 0, y = 0;
        EXPECT_TRUE((*c.Slot)->LonLatToXY(c.Lon, c.Lat, x, y));
        EXPECT_EQ(x, c.X);
        EXPECT_EQ(y, c.Y);
    }
    ASSERT_NE(LambertMapping4K, nullptr);
    EXPECT_EQ(LambertMapping4K->Width, 4096);
    EXPECT_EQ(LambertMapping4K->GetXOffset(), 684);
    EXPECT_EQ(DiscMapping->Width, 1595);
    FinalizeSegmentTables();
    EXPECT_EQ(LambertMapping1K, nullptr);
    EXPECT_EQ(DiscMapping, nullptr);
}

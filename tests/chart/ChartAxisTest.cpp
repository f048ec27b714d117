// Axis setters and their checks, value-to-pixel conversion, the label
// positions of the delay chart's date axis, and value label text.
#include "ChartFixture.h"
#include "chart/DateTimeSteps.h"
#include "chart/ValueFormat.h"
#include "platform/DateFormat.h"

#include <gtest/gtest.h>

#include <limits>
#include <set>

namespace {

std::string ExceptionText(const std::function<void()>& f)
{
    try {
        f();
    } catch (const AxisException& e) {
        return e.what();
    }
    return "(none)";
}

} // namespace

TEST(ChartAxis, SetterRulesAndMessages)
{
    TChart chart;
    TChartAxis* a = chart.LeftAxis();
    a->SetAutomaticMaximum(false);
    EXPECT_FALSE(a->Automatic());
    EXPECT_TRUE(a->AutomaticMinimum());
    a->SetAutomaticMaximum(true);
    EXPECT_TRUE(a->Automatic());

    struct Case { const char* Name; std::function<void()> Call; const char* Message; };
    const Case cases[] = {
        {"maximum 47 over minimum 0", [&] { a->SetMaximum(47); }, "(none)"},
        {"maximum below minimum", [&] { a->SetMaximum(-1); }, "Axis Maximum Value must be >= Minimum"},
        {"minimum above maximum", [&] { a->SetMinimum(48); }, "Axis Minimum Value must be <= Maximum"},
        {"negative increment", [&] { a->SetIncrement(-3); }, "Axis increment must be >= 0"},
        {"increment 3", [&] { a->SetIncrement(3); }, "(none)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ExceptionText(c.Call), c.Message) << c.Name;
    // A refused value leaves the axis as it was.
    EXPECT_EQ(a->Maximum(), 47);
    EXPECT_EQ(a->Minimum(), 0);
    EXPECT_EQ(a->Increment(), 3);

    // Design data is applied without the checks.
    chart.BeginLoading();
    EXPECT_EQ(ExceptionText([&] { a->SetMaximum(-5); }), "(none)");
    a->SetAutomatic(false);
    EXPECT_TRUE(a->AutomaticMaximum()) << "loading stores Automatic alone";
    chart.EndLoading();
    EXPECT_EQ(a->Maximum(), -5);
    EXPECT_EQ(ExceptionText([&] { a->SetIncrement(-1e-300); }), "Axis increment must be >= 0");
    a->SetAutomatic(true);
    EXPECT_TRUE(a->AutomaticMinimum());
    EXPECT_TRUE(a->AutomaticMaximum());
}

TEST(ChartAxis, MinimumFoundAtLastPaintGuardsMaximum)
{
    DelayChart d(std::vector<DelayPoint>{{44370, -10, 0x46C846}, {44371, 20, 0x46C846}});
    TChartAxis* a = d.Chart->LeftAxis();
    d.Chart->RenderToImage();
    EXPECT_EQ(a->Minimum(), -10) << "a negative height pulls the minimum below 0";
    EXPECT_EQ(ExceptionText([&] { a->SetMaximum(-11); }), "Axis Maximum Value must be >= Minimum");
    EXPECT_EQ(ExceptionText([&] { a->SetMaximum(-10); }), "(none)");
}

TEST(ChartAxis, SettersInvalidateOnlyOnChange)
{
    DelayChart d;
    TChart* c = d.Chart.get();
    TChartAxis* b = c->BottomAxis();
    struct Case { const char* Name; std::function<void()> Same, Change; };
    const Case cases[] = {
        {"Increment", [&] { b->SetIncrement(3); }, [&] { b->SetIncrement(7); }},
        {"DateTimeFormat", [&] { b->SetDateTimeFormat("mmm dd"); }, [&] { b->SetDateTimeFormat("dd"); }},
        {"MinorTickCount", [&] { b->SetMinorTickCount(2); }, [&] { b->SetMinorTickCount(4); }},
        {"AutomaticMaximum", [&] { c->LeftAxis()->SetAutomaticMaximum(false); },
         [&] { c->LeftAxis()->SetAutomaticMaximum(true); }},
        {"Maximum", [&] { c->LeftAxis()->SetMaximum(c->LeftAxis()->Maximum()); },
         [&] { c->LeftAxis()->SetMaximum(60); }},
        {"Grid pen", [&] { b->Grid()->SetStyle(TPenStyle::Dot); }, [&] { b->Grid()->SetStyle(TPenStyle::Solid); }},
        {"Title", [&] { c->Title()->SetText({"Delay of CRM data in  /some/folder/"}); },
         [&] { c->Title()->SetText({"other"}); }},
        {"View3D", [&] { c->SetView3D(false); }, [&] { c->SetView3D(true); }},
        {"Series colour", [&] { d.Series->SetSeriesColor(d.Series->SeriesColor()); },
         [&] { d.Series->SetSeriesColor(0x00FF00); }},
    };
    for (const Case& cs : cases) {
        c->RenderToImage();
        ASSERT_TRUE(c->BufferValid());
        cs.Same();
        EXPECT_TRUE(c->BufferValid()) << cs.Name << ": same value";
        cs.Change();
        EXPECT_FALSE(c->BufferValid()) << cs.Name << ": new value";
    }
}

TEST(ChartAxis, ValueToPixelAndBack)
{
    DelayChart d;
    d.Chart->RenderToImage();
    TChartAxis* left = d.Chart->LeftAxis();
    TChartAxis* bottom = d.Chart->BottomAxis();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case { TChartAxis* Axis; double Value; int Pixel; };
    const Case cases[] = {
        {left, 0, 246}, {left, 49, 32}, {left, 1e12, -MaxAxisPixel}, {left, -1e12, MaxAxisPixel},
        {bottom, 1e300, MaxAxisPixel}, {bottom, -1e300, -MaxAxisPixel},
        // Values with no place on the axis map to its centre.
        {left, std::nan(""), left->ICenterPos()}, {left, inf, left->ICenterPos()},
        {bottom, -inf, bottom->ICenterPos()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.Axis->ValueToPixel(c.Value), c.Pixel) << c.Value;
    for (int p : {32, 100, 200, 246})
        EXPECT_EQ(left->ValueToPixel(left->PixelToValue(p)), p);
    for (int p : {56, 300, 706})
        EXPECT_EQ(bottom->ValueToPixel(bottom->PixelToValue(p)), p);
}

TEST(ChartAxis, EmptyRangeMapsToCentre)
{
    // Every point on one day: the date axis has no range, every bar stands at its centre.
    DelayChart d(std::vector<DelayPoint>{{44370, 10, 0x46C846}, {44370, 20, 0x5096FF}});
    d.Chart->RenderToImage();
    TChartAxis* b = d.Chart->BottomAxis();
    EXPECT_EQ(b->Range(), 0);
    EXPECT_EQ(b->ValueToPixel(44370), b->ICenterPos());
    EXPECT_EQ(b->ValueToPixel(0), b->ICenterPos());
    EXPECT_LE(b->TickPositions().size(), 1u);
}

TEST(ChartAxis, DelayChartDateLabelsEveryThirdDayBackFromTheLast)
{
    DelayChart d;
    d.Chart->RenderToImage();
    TChartAxis* b = d.Chart->BottomAxis();
    EXPECT_TRUE(b->IsDateTime());
    EXPECT_EQ(b->LastStep(), 3);
    int k = -1;
    const std::vector<double> values = b->LabelValues(b->LastStep(), &k);
    EXPECT_EQ(k, DtThreeDays);
    ASSERT_EQ(values.size(), 16u);
    for (size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(values[i], d.LastDate - 3.0 * double(i));
    EXPECT_EQ(b->LabelText(values[0]), QStringLiteral("Jun 23"));
    EXPECT_EQ(b->LabelText(-1), QString()) << "a negative date has an empty label";
    ASSERT_EQ(b->TickPositions().size(), 16u);
    EXPECT_EQ(b->TickPositions()[0], b->ValueToPixel(d.LastDate));
}

TEST(ChartAxis, NarrowDateAxisWidensTheThreeDayStep)
{
    // The same 46 days on ever narrower charts: 3 days, then a week, half
    // months on the 1st and 15th, months on the 1st.
    double previous = 0;
    std::set<double> seen;
    for (int width : {728, 520, 400, 300, 220, 160, 120}) {
        DelayChart d;
        d.Chart->resize(width, 289);
        d.Chart->RenderToImage();
        TChartAxis* b = d.Chart->BottomAxis();
        const double step = b->LastStep();
        EXPECT_GE(step, previous) << width;
        previous = step;
        seen.insert(step);
        int k = -1;
        const std::vector<double> values = b->LabelValues(step, &k);
        for (double v : values) {
            TDateParts p;
            ASSERT_TRUE(TryDecodeDate(v, p));
            if (k == DtHalfMonth) {
                EXPECT_TRUE(p.Day == 1 || p.Day == 15) << width << " " << p.Day;
            }
            if (k == DtOneMonth) {
                EXPECT_EQ(p.Day, 1) << width;
            }
            EXPECT_GE(v, b->MinAxisValue());
            EXPECT_LE(v, b->MaxAxisValue());
        }
    }
    EXPECT_TRUE(seen.count(3) && seen.count(7) && seen.count(15) && seen.count(30))
        << "steps seen: " << seen.size();
}

TEST(ChartAxis, ValueLabelsOfTheMinutesAxis)
{
    DelayChart d;
    d.Chart->RenderToImage();
    TChartAxis* l = d.Chart->LeftAxis();
    EXPECT_FALSE(l->IsDateTime());
    EXPECT_EQ(l->LastStep(), 5);
    const std::vector<double> values = l->LabelValues(5);
    ASSERT_EQ(values.size(), 10u);
    EXPECT_EQ(values.front(), 45);
    EXPECT_EQ(values.back(), 0);
}

TEST(ValueFormat, ThousandsAndThreeDecimals)
{
    struct Case { double Value; const char* Text; };
    const Case cases[] = {
        {0, "0"}, {5, "5"}, {-5, "-5"}, {1234567, "1,234,567"}, {1234.5, "1,234.5"}, {0.1234, "0.123"},
        {0.0005, "0.001"}, {-0.0001, "0"}, {999.9996, "1,000"}, {123, "123"}, {1000, "1,000"},
        {1e20, "100,000,000,000,000,000,000"}, {std::nan(""), ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatAxisValue(c.Value), QString::fromLatin1(c.Text)) << c.Value;
    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_EQ(FormatAxisValue(1234.5, QStringLiteral("#,##0.###"), german), QStringLiteral("1.234,5"));
    EXPECT_EQ(FormatAxisValue(1e300).size(), 301 + 100);
}


TEST(ChartAxis, AutomaticFollowsTheLimitFlagsEvenWhenTheyHoldTheirValue)
{
    // Design data may set Automatic alone; a later limit setter given the value
    // its flag already holds still brings Automatic into line, and repaints.
    struct Case { const char* Name; bool LoadedAutomatic; bool MaxBefore; std::function<void(TChartAxis*)> Call;
                  bool Automatic; bool Invalidates; };
    const Case cases[] = {
        {"maximum on, minimum on", false, true, [](TChartAxis* a) { a->SetAutomaticMaximum(true); }, true, true},
        {"minimum on, maximum on", false, true, [](TChartAxis* a) { a->SetAutomaticMinimum(true); }, true, true},
        {"maximum off again", true, false, [](TChartAxis* a) { a->SetAutomaticMaximum(false); }, false, true},
        {"minimum on, maximum off", true, false, [](TChartAxis* a) { a->SetAutomaticMinimum(true); }, true, false},
        {"nothing to change", true, true, [](TChartAxis* a) { a->SetAutomaticMaximum(true); }, true, false},
    };
    for (const Case& c : cases) {
        DelayChart d;
        TChartAxis* a = d.Chart->BottomAxis();
        a->SetAutomaticMaximum(c.MaxBefore);
        d.Chart->BeginLoading();
        a->SetAutomatic(c.LoadedAutomatic);
        d.Chart->EndLoading();
        d.Chart->RenderToImage();
        c.Call(a);
        EXPECT_EQ(a->Automatic(), c.Automatic) << c.Name;
        EXPECT_EQ(!d.Chart->BufferValid(), c.Invalidates) << c.Name;
    }
}

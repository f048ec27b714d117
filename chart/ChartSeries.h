#pragma once
// The point store shared by chart series: x and y value lists, the colour and
// label lists that exist only once needed, and the batch bracket.
#include "chart/ChartTypes.h"

#include <QString>

#include <deque>
#include <functional>

class TChart;
class TChartAxis;
class TCanvas3D;

enum class TValueListOrder { None, Ascending, Descending };

// Values of one coordinate of every point. A deque keeps inserts at either end
// cheap, so points added newest-first do not cost a move of the whole list.
class TChartValueList : public TChartNotifier
{
public:
    TChartValueList(const QString& name, TValueListOrder order) : FName(name), FOrder(order) {}

    QString Name() const { return FName; }
    void SetName(const QString& v) { Set(FName, v); }
    TValueListOrder Order() const { return FOrder; }
    void SetOrder(TValueListOrder v) { Set(FOrder, v); }
    bool DateTime() const { return FDateTime; }
    void SetDateTime(bool v) { Set(FDateTime, v); }

    int Count() const { return int(FValues.size()); }
    double Value(int i) const { return FValues[size_t(i)]; }
    double operator[](int i) const { return Value(i); }
    void Insert(int i, double v);
    void Clear();
    // Smallest and largest of the values, NaN left out; 0 for an empty list.
    double MinValue() const;
    double MaxValue() const;
    // Where a value goes under the list's order: equal values go after the
    // ones already held.
    int InsertionIndex(double v) const;

private:
    void Recalc() const;
    QString FName;
    TValueListOrder FOrder;
    bool FDateTime = false;
    std::deque<double> FValues;
    mutable bool FStale = true;
    mutable double FMin = 0, FMax = 0;
};

// The 20 colours a new series picks its colour from.
extern const TColor DefaultChartPalette[20];

// A series reports its changes to the chart it belongs to.
class TChartSeries : protected TChartNotifier
{
public:
    TChartSeries();
    virtual ~TChartSeries();
    TChartSeries(const TChartSeries&) = delete;
    TChartSeries& operator=(const TChartSeries&) = delete;

    TChart* ParentChart() const { return FChart; }
    // Attaches the series to a chart (or detaches it with nullptr); the
    // chart's AddSeries calls this.
    void SetParentChart(TChart* chart);

    bool Active() const { return FActive; }
    void SetActive(bool v) { Set(FActive, v); }

    TChartValueList* XValues() { return &FXValues; }
    TChartValueList* YValues() { return &FYValues; }
    const TChartValueList* XValues() const { return &FXValues; }
    const TChartValueList* YValues() const { return &FYValues; }
    int Count() const { return FXValues.Count(); }
    bool HasColorList() const { return FHasColors; }
    bool HasLabelList() const { return FHasLabels; }
    QString Label(int i) const;

    TColor SeriesColor() const { return FSeriesColor; }
    void SetSeriesColor(TColor v);
    bool ColorEachPoint() const { return FColorEachPoint; }
    void SetColorEachPoint(bool v) { Set(FColorEachPoint, v); }
    // The colour a point is drawn in; clNone means the point is not drawn.
    TColor ValueColor(int i) const;

    // Removes every point (their colours and labels too), so that the series
    // can show other data; the chart is laid out anew like after a batch.
    void Clear();
    // Adds a point in x order and returns its index, or -1 when OnBeforeAdd refused it.
    int AppendPoint(double x, double y, const QString& label = QString(), TColor color = clDefault);
    // A batch of points: the chart is laid out anew when the batch ends, but
    // not repainted.
    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();
    int UpdateCount() const { return FUpdateCount; }

    void SetOnBeforeAdd(std::function<bool(TChartSeries*)> f) { FOnBeforeAdd = std::move(f); }
    void SetOnAfterAdd(std::function<void(int)> f) { FOnAfterAdd = std::move(f); }

    bool MarksVisible() const { return FMarksVisible; }
    void SetMarksVisible(bool v) { Set(FMarksVisible, v); }

    TChartAxis* HorizAxis() const;
    TChartAxis* VertAxis() const;
    bool UsesAxis(const TChartAxis* axis) const;

    // Towards the chart and the axes.
    virtual double MinXValue() const { return FXValues.MinValue(); }
    virtual double MaxXValue() const { return FXValues.MaxValue(); }
    virtual double MinYValue() const { return FYValues.MinValue(); }
    virtual double MaxYValue() const { return FYValues.MaxValue(); }
    virtual void PrepareForDraw() {}
    // Margins in pixels at the start and end side of the axis.
    virtual void CalcHorizMargins(int& left, int& right) { left = right = 0; }
    virtual void CalcVerticalMargins(int& top, int& bottom) { top = bottom = 0; }
    virtual void DrawValues(TCanvas3D* canvas) = 0;

private:
    TChart* FChart = nullptr;
    bool FActive = true;
    TChartValueList FXValues{QStringLiteral("X"), TValueListOrder::Ascending};
    TChartValueList FYValues{QStringLiteral("Y"), TValueListOrder::None};
    bool FHasColors = false;
    std::deque<TColor> FColors;
    bool FHasLabels = false;
    std::deque<QString> FLabels;
    TColor FSeriesColor = clDefault;
    bool FSeriesColorSet = false;
    bool FColorEachPoint = false;
    bool FMarksVisible = true;
    int FUpdateCount = 0;
    std::function<bool(TChartSeries*)> FOnBeforeAdd;
    std::function<void(int)> FOnAfterAdd;
};

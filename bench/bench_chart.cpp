// A complete paint of the delay chart (728 x 289, date axis, OnAfterDraw line)
// with the 46 bars it shows and with 10,000 bars; 5,000 points added one at a
// time outside a batch, and one setter call, each followed by no paint.
#include "chart/BarSeries.h"
#include "chart/Chart.h"

#include <QApplication>
#include <QLocale>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

std::unique_ptr<TChart> MakeChart(int count)
{
    auto chart = std::make_unique<TChart>();
    chart->BeginLoading();
    chart->resize(728, 289);
    chart->SetView3D(false);
    chart->Legend()->SetVisible(false);
    chart->Title()->SetText({QStringLiteral("Delay of CRM data in  /some/folder/")});
    chart->BottomAxis()->Title()->SetCaption(QStringLiteral("Date"));
    chart->LeftAxis()->Title()->SetCaption(QStringLiteral("Minutes"));
    auto* series = new TBarSeries;
    series->SetMarksVisible(false);
    series->Shadow()->SetColor(0x848484);
    series->XValues()->SetDateTime(true);
    chart->AddSeries(series);
    chart->EndLoading();
    const TColor colours[] = {0x5050FF, 0x5096FF, 0x46C846};
    series->BeginUpdate();
    const double first = 44370 - 45;
    const double step = count > 46 ? 46.0 / count : 1;
    for (int i = 0; i < count; ++i)
        series->AppendPoint(first + i * step, 5 + (i * 37 % 43), QString(), colours[i % 3]);
    series->EndUpdate();
    chart->LeftAxis()->SetAutomaticMaximum(false);
    chart->LeftAxis()->SetMaximum(49);
    chart->BottomAxis()->SetDateTimeFormat(QStringLiteral("mmm dd"));
    chart->BottomAxis()->SetIncrement(3);
    chart->BottomAxis()->SetMinorTickCount(2);
    TChart* c = chart.get();
    chart->SetOnAfterDraw([c, first, last = first + 45](TChart*) {
        const int y = c->LeftAxis()->ValueToPixel(45.0);
        c->Canvas()->Pen()->SetStyle(TPenStyle::Dash);
        c->Canvas()->Pen()->SetColor(0x200080);
        c->Canvas()->DrawHorizontalLine(c->BottomAxis()->ValueToPixel(first - 0.7),
                                        c->BottomAxis()->ValueToPixel(last + 0.7), y);
    });
    return chart;
}

void BM_ChartPaint(benchmark::State& state)
{
    auto chart = MakeChart(int(state.range(0)));
    for (auto _ : state) {
        chart->Invalidate();
        QImage image = chart->RenderToImage();
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_ChartPaint)->Arg(46)->Arg(10000)->Unit(benchmark::kMicrosecond);

// Every point reported to the chart on its own; one value query at the end
// brings whatever the chart still owes its layout into the measure.
void BM_ChartAppendUnbatched(benchmark::State& state)
{
    const int count = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto chart = MakeChart(0);
        TChartSeries* series = chart->Series(0);
        state.ResumeTiming();
        for (int i = 0; i < count; ++i)
            series->AppendPoint(44370 - 45 + i * (46.0 / count), 5 + (i * 37 % 43), QString(), 0x46C846);
        benchmark::DoNotOptimize(chart->LeftAxis()->ValueToPixel(45.0));
        state.PauseTiming();
        chart.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ChartAppendUnbatched)->Arg(5000)->Unit(benchmark::kMillisecond);

// One setting changed on a chart with the 46 bars, no paint and no query after.
void BM_ChartSetter(benchmark::State& state)
{
    auto chart = MakeChart(46);
    TChartAxis* left = chart->LeftAxis();
    double maximum = 49;
    for (auto _ : state) {
        maximum = maximum == 49 ? 50 : 49;
        left->SetMaximum(maximum);
    }
}
BENCHMARK(BM_ChartSetter)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

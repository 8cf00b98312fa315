// The program's hot pieces in-process, through the null backend: the trim of the kitten
// picture, the window's start at a display scale (picture, content and shape), the
// picture painted at scale 2, one tick of the eye tracking at a display scale, and the
// circle rasteriser. The argument of the scaled ones is the scale in percent.
#include <benchmark/benchmark.h>

#include <vector>

#include "platform/null/NullBackend.h"
#include "runtime/Circle.h"
#include "shaping/cTrimmer.h"
#include "window/KittenPainting.h"
#include "window/fVellory.h"

namespace {

void Trim(benchmark::State& state) {
    nullbackend::Reset();
    fVellory form;
    form.Show();
    for (auto _ : state) {
        cTrimmer trimmer;
        trimmer.TrimForm(form);
        benchmark::DoNotOptimize(nullbackend::Get().shape);
    }
    state.counters["runs"] = static_cast<double>(nullbackend::Get().shape->size());
}
BENCHMARK(Trim)->Unit(benchmark::kMicrosecond);

// One screen of the scale in the state's argument.
void UseScale(const benchmark::State& state) {
    const double scale = static_cast<double>(state.range(0)) / 100;
    nullbackend::Get().areas = {{{0, 0, 2560, 1440}, {0, 0}, scale}};
}

// Everything the window needs before it shows: the picture at the scale, the content, the
// trim and the device shape.
void Start(benchmark::State& state) {
    for (auto _ : state) {
        nullbackend::Reset();
        UseScale(state);
        fVellory form;
        form.Show();
        benchmark::DoNotOptimize(nullbackend::Get().shape);
    }
}
BENCHMARK(Start)->Arg(100)->Arg(200)->Unit(benchmark::kMicrosecond);

// The picture painted at scale 2, as a window at that scale first needs it.
void PaintRendering(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(artwork::PaintKitten(2));
}
BENCHMARK(PaintRendering)->Unit(benchmark::kMillisecond)->Iterations(3);

void Tick(benchmark::State& state) {
    nullbackend::Reset();
    nullbackend::Get().recordFills = false;
    UseScale(state);
    fVellory form;
    form.Show();
    int step = 0;
    for (auto _ : state) {
        nullbackend::Get().pointer = {step % 1000, (step * 7) % 800};  // a moving pointer
        ++step;
        form.tmr_Timer();
        benchmark::DoNotOptimize(form.Dir1X);
    }
}
BENCHMARK(Tick)->Arg(100)->Arg(200);

void CircleSpans(benchmark::State& state) {
    std::vector<native::Span> spans(220);
    double offset = 0;
    for (auto _ : state) {
        offset = offset > 4 ? 0 : offset + 0.37;
        benchmark::DoNotOptimize(runtime::RasteriseDisc(68, 118, 10, 207, 220, spans));
        benchmark::DoNotOptimize(
            runtime::RasteriseDisc(68 + offset, 118 - offset, 5, 207, 220, spans));
    }
}
BENCHMARK(CircleSpans);

}  // namespace

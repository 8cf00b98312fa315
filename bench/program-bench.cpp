// The program's hot pieces in-process, through the null backend: the trim of the kitten
// picture, one tick of the eye tracking, and the circle rasteriser.
#include <benchmark/benchmark.h>

#include <vector>

#include "platform/null/NullBackend.h"
#include "runtime/Circle.h"
#include "shaping/cTrimmer.h"
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

void Tick(benchmark::State& state) {
    nullbackend::Reset();
    nullbackend::Get().recordFills = false;
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
BENCHMARK(Tick);

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

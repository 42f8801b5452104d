// The face is laid out afresh at every redraw; this shows what that costs.
#include <benchmark/benchmark.h>

#include "desktop/face_layout.h"

namespace {
using namespace std::chrono;

// A 31-day month over all six rows, with every image present.
void BM_LayoutFaceSixRowMonth(benchmark::State& state) {
    for (auto _ : state) {
        orbelle::FaceLayout face = orbelle::LayoutFace(2025y / 3 / 31, {180, 20}, {24, 24});
        benchmark::DoNotOptimize(face);
    }
}
BENCHMARK(BM_LayoutFaceSixRowMonth);

// Every month of a century in turn, so no one month's branches dominate.
void BM_LayoutFaceAcrossMonths(benchmark::State& state) {
    year_month_day displayed = 2000y / 1 / 31;
    for (auto _ : state) {
        orbelle::FaceLayout face = orbelle::LayoutFace(displayed, {180, 20}, {24, 24});
        benchmark::DoNotOptimize(face);
        const year_month next = year_month{displayed.year(), displayed.month()} + months{1};
        displayed = next.year() > 2099y ? 2000y / 1 / 15 : next / 15;
    }
}
BENCHMARK(BM_LayoutFaceAcrossMonths);

}  // namespace

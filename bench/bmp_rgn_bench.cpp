// The popup's shape: black around a filled disc, the kind of picture the
// popup and the about box are cut to, traced at the popup picture's size
// (301 x 294, a grid of 909 x 888 cells) and at larger scales, to show that
// the cost grows with the grid and not faster.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "platform/bmp_rgn_trace.h"

namespace {

using namespace orbelle;

struct Picture {
    int width;
    int height;
    std::vector<std::uint32_t> pixels;
};

Picture Disc(int scale) {
    Picture picture{301 * scale, 294 * scale, {}};
    const double radius = 140.0 * scale;
    const double centre_x = picture.width / 2.0, centre_y = picture.height / 2.0;
    picture.pixels.reserve(static_cast<std::size_t>(picture.width) * picture.height);
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const double dx = x + 0.5 - centre_x, dy = y + 0.5 - centre_y;
            picture.pixels.push_back(dx * dx + dy * dy <= radius * radius ? 0x3366CC : 0x000000);
        }
    }
    return picture;
}

PictureView View(const Picture& picture) { return {picture.width, picture.height, picture.pixels}; }

// Grid, walk and shift: everything the window code waits for but the path.
void BM_PopupPictureOutline(benchmark::State& state) {
    const Picture picture = Disc(1);
    for (auto _ : state) {
        TraceResult result = TraceWindowOutline(View(picture), BorderStyle::None, false, {});
        benchmark::DoNotOptimize(result.points.data());
    }
}
BENCHMARK(BM_PopupPictureOutline)->Unit(benchmark::kMillisecond);

void BM_PopupPictureGridOnly(benchmark::State& state) {
    const Picture picture = Disc(1);
    for (auto _ : state) {
        TBooleanArray grid(View(picture));
        benchmark::DoNotOptimize(grid.TrueCells());
    }
}
BENCHMARK(BM_PopupPictureGridOnly)->Unit(benchmark::kMillisecond);

void BM_PopupPictureWalkOnly(benchmark::State& state) {
    const TBooleanArray grid(View(Disc(1)));
    for (auto _ : state) {
        TraceResult result = TraceOutline(grid);
        benchmark::DoNotOptimize(result.points.data());
    }
}
BENCHMARK(BM_PopupPictureWalkOnly)->Unit(benchmark::kMillisecond);

// N is the number of grid cells; the fitted curve should come out as O(N).
void BM_OutlineByGridSize(benchmark::State& state) {
    const Picture picture = Disc(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        TraceResult result = TraceWindowOutline(View(picture), BorderStyle::None, false, {});
        benchmark::DoNotOptimize(result.points.data());
    }
    const std::int64_t cells = 9LL * (picture.width + 2) * (picture.height + 2);
    state.SetComplexityN(cells);
    state.counters["cells"] = static_cast<double>(cells);
}
BENCHMARK(BM_OutlineByGridSize)->Arg(1)->Arg(2)->Arg(4)->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

}  // namespace

// Under Wine: the reminder popup's shape from its 301 x 294 picture, whole
// (pixels by GetDIBits, the outline walk, the path made a region) and step
// by step, as the popup does it once per creation.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "platform/bmp_rgn.h"

namespace {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

template <typename Work>
void Report(const char* name, Work&& work) {
    constexpr int kRuns = 40;
    std::vector<double> times;
    for (int run = 0; run < kRuns; ++run) {
        auto start = Clock::now();
        work();
        times.push_back(Ms(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    std::printf("%-34s median %.2f ms, fastest %.2f ms, slowest %.2f ms (%d runs)\n", name, times[kRuns / 2],
                times.front(), times.back(), kRuns);
}

}  // namespace

int main() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    orbelle::OwnedBitmap picture(static_cast<HBITMAP>(
        LoadImageW(instance, L"POPUP_PICTURE", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    HWND window = CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"", WS_POPUP, 239, 181, 363, 318, nullptr, nullptr,
                                  instance, nullptr);
    if (!picture || !window) {
        std::printf("no picture or window\n");
        return 1;
    }

    Report("whole shape (CreateRegionFromBitmap)", [&] {
        orbelle::OwnedRegion region = orbelle::CreateRegionFromBitmap(window, picture.Get(), {});
    });
    auto pixels = orbelle::ReadBitmapPixels(picture.Get());
    Report("pixels (GetDIBits)", [&] { auto again = orbelle::ReadBitmapPixels(picture.Get()); });
    orbelle::TraceResult outline = orbelle::TraceWindowOutline(pixels->View(), orbelle::BorderStyle::None, false, {});
    Report("grid and walk", [&] {
        auto again = orbelle::TraceWindowOutline(pixels->View(), orbelle::BorderStyle::None, false, {});
    });
    orbelle::OwnedDc dc(CreateCompatibleDC(nullptr));
    Report("path to region", [&] { orbelle::OwnedRegion region = orbelle::PointsToRegion(dc.Get(), outline.points); });
    std::printf("outline: %zu points, %lld steps\n", outline.points.size(), static_cast<long long>(outline.steps));
    DestroyWindow(window);
    return 0;
}

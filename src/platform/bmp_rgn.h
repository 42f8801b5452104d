#pragma once
// BmpRgn, the Win32 half: a window region cut to the outline of a picture.
// The portable tracer (bmp_rgn_trace.h) finds the polygon; this half reads the
// picture's pixels, allows for the window's frame and menu, and lets GDI turn
// the polygon into a region through a path.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "platform/bmp_rgn_trace.h"
#include "platform/handles.h"

namespace orbelle {

// The frame a window's styles give it, in the terms the tracer shifts by.
BorderStyle BorderStyleOf(HWND window);
// The current system metrics of the frame, caption and menu bar.
FrameMetrics CurrentFrameMetrics();

// The bitmap's pixels as 0xRRGGBB, top row first. Empty when the bitmap
// cannot be read.
struct BitmapPixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    PictureView View() const { return {width, height, pixels}; }
};
std::optional<BitmapPixels> ReadBitmapPixels(HBITMAP bitmap);

// The region of the window that shows only the bitmap's shape, the bitmap
// lying at the top-left corner of the client area; in window coordinates,
// ready for SetWindowRgn. Empty when there is no shape: every pixel has the
// top-left pixel's colour, or the outline walk reached a dead end, whose
// message goes to report_dead_end first (the windows show it in the standard
// error message box).
using DeadEndReport = std::function<void(const std::string& message)>;
OwnedRegion CreateRegionFromBitmap(HWND window, HBITMAP bitmap, const DeadEndReport& report_dead_end);

// The polygon as a region through a path: a move to the first point before
// the path opens, lines to the rest, the figure left open (alternate fill).
OwnedRegion PointsToRegion(HDC dc, const TPointsArray& points);

}  // namespace orbelle

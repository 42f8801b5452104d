#include "platform/bmp_rgn.h"

namespace orbelle {

BorderStyle BorderStyleOf(HWND window) {
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
    const auto ex_style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE));
    const bool caption = (style & WS_CAPTION) == WS_CAPTION;
    const bool sizeable = (style & WS_THICKFRAME) != 0;
    if (!caption && !sizeable) return BorderStyle::None;
    if (ex_style & WS_EX_TOOLWINDOW) return sizeable ? BorderStyle::SizeableToolWindow : BorderStyle::ToolWindow;
    if (sizeable) return BorderStyle::Sizeable;
    if (ex_style & WS_EX_DLGMODALFRAME) return BorderStyle::Dialog;
    return BorderStyle::Single;
}

FrameMetrics CurrentFrameMetrics() {
    return {.cx_dlgframe = GetSystemMetrics(SM_CXDLGFRAME),
            .cy_dlgframe = GetSystemMetrics(SM_CYDLGFRAME),
            .cx_frame = GetSystemMetrics(SM_CXFRAME),
            .cy_frame = GetSystemMetrics(SM_CYFRAME),
            .cy_caption = GetSystemMetrics(SM_CYCAPTION),
            .cy_smcaption = GetSystemMetrics(SM_CYSMCAPTION),
            .cy_menu = GetSystemMetrics(SM_CYMENU)};
}

std::optional<BitmapPixels> ReadBitmapPixels(HBITMAP bitmap) {
    BITMAP info{};
    if (!bitmap || !GetObjectW(bitmap, sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight == 0)
        return std::nullopt;
    BitmapPixels result;
    result.width = info.bmWidth;
    result.height = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
    result.pixels.resize(static_cast<std::size_t>(result.width) * static_cast<std::size_t>(result.height));
    // 32 bits per pixel, top row first: each pixel lies in memory as the
    // 0x00RRGGBB value the tracer reads, and rows need no padding.
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = result.width;
    format.bmiHeader.biHeight = -result.height;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    OwnedDc dc(CreateCompatibleDC(nullptr));
    if (!dc) return std::nullopt;
    int rows = GetDIBits(dc.Get(), bitmap, 0, static_cast<UINT>(result.height), result.pixels.data(), &format,
                         DIB_RGB_COLORS);
    if (rows != result.height) return std::nullopt;
    return result;
}

OwnedRegion PointsToRegion(HDC dc, const TPointsArray& points) {
    if (points.empty()) return {};
    MoveToEx(dc, points[0].X, points[0].Y, nullptr);
    BeginPath(dc);
    for (std::size_t i = 1; i < points.size(); ++i) LineTo(dc, points[i].X, points[i].Y);
    EndPath(dc);
    return OwnedRegion(PathToRegion(dc));
}

OwnedRegion CreateRegionFromBitmap(HWND window, HBITMAP bitmap, const DeadEndReport& report_dead_end) {
    auto picture = ReadBitmapPixels(bitmap);
    if (!picture) return {};
    TraceResult outline = TraceWindowOutline(picture->View(), BorderStyleOf(window), GetMenu(window) != nullptr,
                                             CurrentFrameMetrics());
    switch (outline.status) {
        case TraceStatus::NoOpaquePixel:
            return {};
        case TraceStatus::DeadEnd:
            if (report_dead_end) report_dead_end(outline.message);
            return {};
        case TraceStatus::Closed:
            break;
    }
    OwnedDc dc(CreateCompatibleDC(nullptr));
    if (!dc) return {};
    return PointsToRegion(dc.Get(), outline.points);
}

}  // namespace orbelle

#pragma once
// Skins of plain colours for the calendar face's tests, so that every face
// pixel tells which element it came from, and reading the face back.
#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "desktop/calendar_face.h"
#include "kit/pictures.h"

namespace orbelle::testing {

// The plain skins: every digit, label and the marker its own opaque colour.
constexpr std::uint32_t kBackgroundColour = 0xFFF0F0E0;
constexpr std::uint32_t kMarkerColour = 0xFFFF00FF;
constexpr int kFaceWidth = 296, kFaceHeight = 226;
constexpr std::uint32_t DigitColour(int digit) { return 0xFF00A000u | static_cast<std::uint32_t>(digit * 20 + 10) << 16; }
constexpr std::uint32_t LabelColour(int k) { return 0xFF0000C0u | static_cast<std::uint32_t>(k * 30 + 20) << 8; }

inline void WritePlainSkins(const std::filesystem::path& folder, int marker_width = 24, int marker_height = 24) {
    Picture background(kFaceWidth, kFaceHeight, kBackgroundColour);
    background.Fill(0, 0, 4, 4, 0x00FFFFFF);  // see-through: black on the face
    WritePng(folder / kBackgroundSkin, background);
    Picture weekdays(140, 12, 0);
    for (int k = 0; k < 7; ++k) weekdays.Fill(20 * k, 0, 20, 12, LabelColour(k));
    WritePng(folder / kWeekdaySkin, weekdays);
    Picture numbers(10, 100, 0);
    for (int d = 0; d < 10; ++d) numbers.Fill(0, 10 * d, 10, 10, DigitColour(d));
    WritePng(folder / kNumberSkin, numbers);
    WritePng(folder / kMarkerSkin, Picture(marker_width, marker_height, kMarkerColour));
}

// The face bitmap's pixels as 0x00RRGGBB, row by row from the top.
struct FacePixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> rgb;

    std::uint32_t At(int x, int y) const { return rgb[static_cast<size_t>(y) * width + x]; }
    // The one colour of a w x h block, or nothing when it is mixed.
    std::optional<std::uint32_t> Block(int x, int y, int w, int h) const {
        std::uint32_t first = At(x, y);
        for (int row = y; row < y + h; ++row)
            for (int column = x; column < x + w; ++column)
                if (At(column, row) != first) return std::nullopt;
        return first;
    }
};

inline FacePixels ReadBitmap(HBITMAP bitmap) {
    FacePixels pixels;
    BITMAP info{};
    if (!bitmap || !GetObjectW(bitmap, sizeof info, &info)) return pixels;
    pixels.width = info.bmWidth;
    pixels.height = info.bmHeight;
    pixels.rgb.resize(static_cast<size_t>(info.bmWidth) * info.bmHeight);
    BITMAPINFO header{};
    header.bmiHeader = {sizeof(BITMAPINFOHEADER), info.bmWidth, -info.bmHeight, 1, 32, BI_RGB};
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap, 0, static_cast<UINT>(info.bmHeight), pixels.rgb.data(), &header, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    for (auto& p : pixels.rgb) p &= 0xFFFFFF;
    return pixels;
}

constexpr std::uint32_t Rgb(std::uint32_t argb) { return argb & 0xFFFFFF; }

}  // namespace orbelle::testing

#pragma once
// Skins of plain colours for the calendar face's tests, so that every face
// pixel tells which element it came from, and reading the face back.
#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "desktop/calendar_face.h"

namespace orbelle::testing {

// 0xAARRGGBB pixels, row by row from the top.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> argb;

    Picture(int w, int h, std::uint32_t fill) : width(w), height(h), argb(static_cast<size_t>(w) * h, fill) {}
    void Fill(int x, int y, int w, int h, std::uint32_t colour) {
        for (int row = y; row < y + h; ++row)
            for (int column = x; column < x + w; ++column) argb[static_cast<size_t>(row) * width + column] = colour;
    }
};

namespace png_detail {
inline std::uint32_t Crc(const std::string& bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}
inline void PutBig(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((value >> shift) & 0xFF));
}
inline void Chunk(std::string& out, const char* type, const std::string& data) {
    PutBig(out, static_cast<std::uint32_t>(data.size()));
    std::string typed = std::string(type, 4) + data;
    out += typed;
    PutBig(out, Crc(typed));
}
}  // namespace png_detail

// An RGBA PNG without a resolution chunk, compressed with stored blocks only.
inline void WritePng(const std::filesystem::path& file, const Picture& picture) {
    using namespace png_detail;
    std::string raw;
    for (int y = 0; y < picture.height; ++y) {
        raw.push_back(0);  // no filter
        for (int x = 0; x < picture.width; ++x) {
            std::uint32_t p = picture.argb[static_cast<size_t>(y) * picture.width + x];
            for (int shift : {16, 8, 0, 24}) raw.push_back(static_cast<char>((p >> shift) & 0xFF));
        }
    }
    std::string zlib = "\x78\x01";
    for (size_t at = 0; at == 0 || at < raw.size(); at += 65535) {
        size_t length = std::min<size_t>(65535, raw.size() - at);
        zlib.push_back(at + length >= raw.size() ? 1 : 0);
        for (std::uint32_t v : {static_cast<std::uint32_t>(length), static_cast<std::uint32_t>(~length & 0xFFFF)}) {
            zlib.push_back(static_cast<char>(v & 0xFF));
            zlib.push_back(static_cast<char>((v >> 8) & 0xFF));
        }
        zlib.append(raw, at, length);
    }
    std::uint32_t a = 1, b = 0;
    for (unsigned char byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    PutBig(zlib, (b << 16) | a);

    std::string ihdr;
    PutBig(ihdr, static_cast<std::uint32_t>(picture.width));
    PutBig(ihdr, static_cast<std::uint32_t>(picture.height));
    ihdr += std::string("\x08\x06\x00\x00\x00", 5);  // 8 bits, RGBA
    std::string png = "\x89PNG\r\n\x1a\n";
    Chunk(png, "IHDR", ihdr);
    Chunk(png, "IDAT", zlib);
    Chunk(png, "IEND", "");
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary).write(png.data(), static_cast<std::streamsize>(png.size()));
}

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

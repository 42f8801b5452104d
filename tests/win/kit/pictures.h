#pragma once
// Pictures the tests write themselves: PNG and BMP files from plain pixels.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace orbelle::testing {

// 0xAARRGGBB pixels, row by row from the top.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> argb;

    Picture(int w, int h, std::uint32_t fill) : width(w), height(h), argb(static_cast<size_t>(w) * h, fill) {}
    Picture(int w, int h, std::vector<std::uint32_t> pixels) : width(w), height(h), argb(std::move(pixels)) {}
    std::uint32_t At(int x, int y) const { return argb[static_cast<size_t>(y) * width + x]; }
    void Fill(int x, int y, int w, int h, std::uint32_t colour) {
        for (int row = y; row < y + h; ++row)
            for (int column = x; column < x + w; ++column) argb[static_cast<size_t>(row) * width + column] = colour;
    }
};

// An 8-bit RGBA PNG whose zlib stream holds stored (uncompressed) deflate
// blocks; with dpi72 it carries a pHYs chunk of 2835 pixels per metre.
std::string EncodePng(const Picture& picture, bool dpi72 = false);

// A bottom-up BMP: 24-bit from each pixel's RGB, or 1-bit (black, white)
// where a pixel is white exactly when its RGB is 0xFFFFFF.
std::string EncodeBmp(const Picture& picture, int bits);

// What the screen shows in the rectangle, opaque: the help page's pictures.
Picture FromScreen(int x, int y, int width, int height);

// Writes the bytes, making the folder first.
void WriteBytes(const std::filesystem::path& file, const std::string& bytes);
inline void WritePng(const std::filesystem::path& file, const Picture& picture, bool dpi72 = false) {
    WriteBytes(file, EncodePng(picture, dpi72));
}

}  // namespace orbelle::testing

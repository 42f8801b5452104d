#include "kit/pictures.h"

#include <windows.h>

#include <algorithm>
#include <fstream>

namespace orbelle::testing {
namespace {

void PutBig32(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>(value >> shift);
}
void PutLittle16(std::string& out, std::uint32_t value) {
    out += static_cast<char>(value);
    out += static_cast<char>(value >> 8);
}
void PutLittle32(std::string& out, std::uint32_t value) {
    PutLittle16(out, value & 0xFFFF);
    PutLittle16(out, value >> 16);
}

std::uint32_t Crc32(const std::string& bytes) {
    std::uint32_t crc = 0xFFFFFFFF;
    for (unsigned char byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320 & (0u - (crc & 1)));
    }
    return ~crc;
}

void PutChunk(std::string& out, const char* type, const std::string& data) {
    PutBig32(out, static_cast<std::uint32_t>(data.size()));
    std::string typed = type + data;
    out += typed;
    PutBig32(out, Crc32(typed));
}

}  // namespace

std::string EncodePng(const Picture& picture, bool dpi72) {
    std::string raw;
    for (int y = 0; y < picture.height; ++y) {
        raw += '\0';  // filter: none
        for (int x = 0; x < picture.width; ++x) {
            std::uint32_t p = picture.At(x, y);
            for (int shift : {16, 8, 0, 24}) raw += static_cast<char>(p >> shift);
        }
    }
    std::string zlib = "\x78\x01";
    for (std::size_t at = 0; at == 0 || at < raw.size(); at += 65535) {
        std::size_t length = std::min<std::size_t>(65535, raw.size() - at);
        zlib += static_cast<char>(at + length >= raw.size() ? 1 : 0);
        PutLittle16(zlib, static_cast<std::uint32_t>(length));
        PutLittle16(zlib, static_cast<std::uint32_t>(~length & 0xFFFF));
        zlib.append(raw, at, length);
    }
    std::uint32_t a = 1, b = 0;
    for (unsigned char byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    PutBig32(zlib, (b << 16) | a);

    std::string header;
    PutBig32(header, static_cast<std::uint32_t>(picture.width));
    PutBig32(header, static_cast<std::uint32_t>(picture.height));
    header += std::string("\x08\x06\x00\x00\x00", 5);  // 8-bit RGBA, no interlace
    std::string png = "\x89PNG\r\n\x1a\n";
    PutChunk(png, "IHDR", header);
    if (dpi72) {
        std::string physical;
        PutBig32(physical, 2835);
        PutBig32(physical, 2835);
        physical += '\x01';  // per metre
        PutChunk(png, "pHYs", physical);
    }
    PutChunk(png, "IDAT", zlib);
    PutChunk(png, "IEND", "");
    return png;
}

std::string EncodeBmp(const Picture& picture, int bits) {
    const int stride = (picture.width * bits + 31) / 32 * 4;
    const std::uint32_t palette_size = bits == 1 ? 8 : 0;
    const std::uint32_t offset = 14 + 40 + palette_size;
    std::string bmp = "BM";
    PutLittle32(bmp, offset + stride * picture.height);
    PutLittle32(bmp, 0);
    PutLittle32(bmp, offset);
    PutLittle32(bmp, 40);
    PutLittle32(bmp, picture.width);
    PutLittle32(bmp, picture.height);
    PutLittle16(bmp, 1);
    PutLittle16(bmp, bits);
    for (int field = 0; field < 6; ++field) PutLittle32(bmp, 0);
    if (bits == 1) {
        PutLittle32(bmp, 0x000000);
        PutLittle32(bmp, 0xFFFFFF);
    }
    for (int y = picture.height - 1; y >= 0; --y) {
        std::string row(stride, '\0');
        for (int x = 0; x < picture.width; ++x) {
            std::uint32_t p = picture.At(x, y) & 0xFFFFFF;
            if (bits == 24) {
                row[3 * x] = static_cast<char>(p);
                row[3 * x + 1] = static_cast<char>(p >> 8);
                row[3 * x + 2] = static_cast<char>(p >> 16);
            } else if (p == 0xFFFFFF) {
                row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
            }
        }
        bmp += row;
    }
    return bmp;
}

void WriteBytes(const std::filesystem::path& file, const std::string& bytes) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
}

Picture FromScreen(int x, int y, int width, int height) {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {.biSize = sizeof(BITMAPINFOHEADER), .biWidth = width, .biHeight = -height, .biPlanes = 1,
                      .biBitCount = 32, .biCompression = BI_RGB};
    void* bits = nullptr;
    HBITMAP shot = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, shot);
    BitBlt(memory, 0, 0, width, height, screen, x, y, SRCCOPY);
    GdiFlush();
    std::vector<std::uint32_t> pixels(static_cast<const std::uint32_t*>(bits),
                                      static_cast<const std::uint32_t*>(bits) + width * height);
    for (std::uint32_t& pixel : pixels) pixel |= 0xFF000000u;
    SelectObject(memory, old);
    DeleteObject(shot);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return Picture(width, height, std::move(pixels));
}

}  // namespace orbelle::testing

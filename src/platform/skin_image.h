#pragma once
// The skin image layer: PNG skins decoded, converted to GDI bitmaps and drawn
// in parts through GDI+. The layer only adds object lifetimes. gdiplus.dll is
// loaded from the system folder at start (never from beside the program), so
// it is not in the import table; until GdiplusSession has started it, every
// image loads empty and draws nothing.
#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <thread>

#include "platform/handles.h"

namespace orbelle {

// The flat API's own types, declared here instead of pulling in <gdiplus.h>.
namespace gdiplus_flat {
struct GpImage;
struct GpGraphics;
using Status = int;  // 0 = Ok
using Argb = std::uint32_t;
constexpr Status kOk = 0;
constexpr Status kGdiplusNotInitialized = 18;
}  // namespace gdiplus_flat

// Starts GDI+ for the program's lifetime: main() creates one before the first
// window and destroys it after the last. Nothing is reported when gdiplus.dll
// is missing or will not start; the skins then simply stay empty.
class GdiplusSession {
public:
    GdiplusSession();
    // Starts on a thread of its own and decodes this picture there once, so
    // that GDI+ and its image codecs load while the first windows are made;
    // the first image or drawing surface made waits until it has started.
    explicit GdiplusSession(std::filesystem::path warm_up_picture);
    ~GdiplusSession();
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;

    bool Started() const;

private:
    void Start();

    ULONG_PTR token_ = 0;
    std::thread starting_;
};

// The image rectangle and the unit it is measured in (2 = pixels).
struct ImageBounds {
    float x = 0, y = 0, width = 0, height = 0;
    int unit = 0;
};

// Keeps the last non-zero status a GDI+ call answered; no caller needs it,
// but it tells a debugger why an image stayed empty.
class TGdiplusBase {
public:
    gdiplus_flat::Status LastStatus() const { return last_status_; }

protected:
    // Records a failure; a success leaves the stored status as it was.
    bool Check(gdiplus_flat::Status status) {
        if (status != gdiplus_flat::kOk) last_status_ = status;
        return status == gdiplus_flat::kOk;
    }

private:
    gdiplus_flat::Status last_status_ = gdiplus_flat::kOk;
};

// An image decoded from a file; without an image when the file is missing or
// cannot be decoded.
class TGPImage : public TGdiplusBase {
public:
    TGPImage() = default;
    explicit TGPImage(const std::filesystem::path& file);
    TGPImage(TGPImage&& other) noexcept;
    TGPImage& operator=(TGPImage&& other) noexcept;
    TGPImage(const TGPImage&) = delete;
    TGPImage& operator=(const TGPImage&) = delete;
    ~TGPImage();

    bool HasImage() const { return image_ != nullptr; }
    // Pixels; 0 without an image.
    UINT Width();
    UINT Height();
    // std::nullopt without an image.
    std::optional<ImageBounds> Bounds();

    gdiplus_flat::GpImage* Handle() const { return image_; }

protected:
    struct FromBitmapFile {};
    TGPImage(FromBitmapFile, const std::filesystem::path& file);

    gdiplus_flat::GpImage* image_ = nullptr;
};

// A bitmap decoded from a file, which can become a GDI bitmap.
class TGPBitmap : public TGPImage {
public:
    TGPBitmap() = default;
    explicit TGPBitmap(const std::filesystem::path& file);

    // A new 32-bit GDI bitmap of the image's size, not-opaque pixels combined
    // with `background` (ARGB; 0 gives the image composited over black).
    // Empty without an image.
    OwnedBitmap ToGdiBitmap(gdiplus_flat::Argb background);
};

// A drawing surface on a device context: draws into whatever bitmap is
// selected into it, source-over with each image's own alpha.
class TGPGraphics : public TGdiplusBase {
public:
    explicit TGPGraphics(HDC dc);
    TGPGraphics(TGPGraphics&& other) noexcept;
    TGPGraphics& operator=(TGPGraphics&& other) noexcept;
    TGPGraphics(const TGPGraphics&) = delete;
    TGPGraphics& operator=(const TGPGraphics&) = delete;
    ~TGPGraphics();

    bool IsOpen() const { return graphics_ != nullptr; }

    // Draws the source rectangle of `image` with its top-left at (x, y), one
    // image pixel per surface pixel whatever resolution the file stores.
    // An image without a platform image draws nothing.
    void DrawPart(TGPImage& image, float x, float y, float source_x, float source_y, float width,
                  float height);
    void DrawPart(TGPImage& image, int x, int y, int source_x, int source_y, int width, int height);

private:
    void Close();
    gdiplus_flat::GpGraphics* graphics_ = nullptr;
};

}  // namespace orbelle

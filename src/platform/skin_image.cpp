#include "platform/skin_image.h"

#include <thread>
#include <utility>

#include "platform/system_library.h"

namespace orbelle {
namespace {
using namespace gdiplus_flat;

struct GpRectF {
    float x, y, width, height;
};
struct StartupInput {
    UINT32 version;
    void* debug_event_callback;
    BOOL suppress_background_thread;
    BOOL suppress_external_codecs;
};
constexpr int kUnitPixel = 2;
constexpr int kCompositingModeSourceOver = 0;

// The few flat functions the layer calls, all stdcall like the rest of Win32.
struct FlatApi {
    Status(WINAPI* Startup)(ULONG_PTR*, const StartupInput*, void*);
    void(WINAPI* Shutdown)(ULONG_PTR);
    Status(WINAPI* LoadImageFromFile)(const WCHAR*, GpImage**);
    Status(WINAPI* CreateBitmapFromFile)(const WCHAR*, GpImage**);
    Status(WINAPI* DisposeImage)(GpImage*);
    Status(WINAPI* GetImageWidth)(GpImage*, UINT*);
    Status(WINAPI* GetImageHeight)(GpImage*, UINT*);
    Status(WINAPI* GetImageBounds)(GpImage*, GpRectF*, int*);
    Status(WINAPI* CreateHBITMAPFromBitmap)(GpImage*, HBITMAP*, Argb);
    Status(WINAPI* CreateFromHDC)(HDC, GpGraphics**);
    Status(WINAPI* DeleteGraphics)(GpGraphics*);
    Status(WINAPI* SetCompositingMode)(GpGraphics*, int);
    Status(WINAPI* DrawImageRectRect)(GpGraphics*, GpImage*, float, float, float, float, float, float,
                                      float, float, int, const void*, void*, void*);
    Status(WINAPI* DrawImageRectRectI)(GpGraphics*, GpImage*, INT, INT, INT, INT, INT, INT, INT, INT,
                                       int, const void*, void*, void*);
};

// gdiplus.dll from the system folder only, resolved once. The module stays
// loaded to the end of the process: unloading it while its background thread
// winds down after GdiplusShutdown is not safe.
const FlatApi* LoadFlatApi() {
    static const FlatApi* const api = []() -> const FlatApi* {
        HMODULE module = LoadSystemLibrary(L"gdiplus.dll");
        if (!module) return nullptr;
        static FlatApi loaded{};
        bool complete = ResolveFunction(module, "GdiplusStartup", loaded.Startup) &&
                        ResolveFunction(module, "GdiplusShutdown", loaded.Shutdown) &&
                        ResolveFunction(module, "GdipLoadImageFromFile", loaded.LoadImageFromFile) &&
                        ResolveFunction(module, "GdipCreateBitmapFromFile", loaded.CreateBitmapFromFile) &&
                        ResolveFunction(module, "GdipDisposeImage", loaded.DisposeImage) &&
                        ResolveFunction(module, "GdipGetImageWidth", loaded.GetImageWidth) &&
                        ResolveFunction(module, "GdipGetImageHeight", loaded.GetImageHeight) &&
                        ResolveFunction(module, "GdipGetImageBounds", loaded.GetImageBounds) &&
                        ResolveFunction(module, "GdipCreateHBITMAPFromBitmap", loaded.CreateHBITMAPFromBitmap) &&
                        ResolveFunction(module, "GdipCreateFromHDC", loaded.CreateFromHDC) &&
                        ResolveFunction(module, "GdipDeleteGraphics", loaded.DeleteGraphics) &&
                        ResolveFunction(module, "GdipSetCompositingMode", loaded.SetCompositingMode) &&
                        ResolveFunction(module, "GdipDrawImageRectRect", loaded.DrawImageRectRect) &&
                        ResolveFunction(module, "GdipDrawImageRectRectI", loaded.DrawImageRectRectI);
        return complete ? &loaded : nullptr;
    }();
    return api;
}

// The API while at least one session is started; null before and after.
const FlatApi* g_api = nullptr;
int g_sessions = 0;
// A session starting on a thread of its own, until the window thread first
// needs the API. Only the window thread makes images.
std::thread* g_starting = nullptr;

const FlatApi* Api() {
    if (g_starting) {
        g_starting->join();
        g_starting = nullptr;
    }
    return g_api;
}

}  // namespace

GdiplusSession::GdiplusSession() { Start(); }

GdiplusSession::GdiplusSession(std::filesystem::path warm_up_picture) {
    starting_ = std::thread([this, picture = std::move(warm_up_picture)] {
        Start();
        // The first picture decoded loads the image codecs, which takes longer
        // than every later decode; done here it no longer waits on the window thread.
        GpImage* image = nullptr;
        if (g_api && g_api->LoadImageFromFile(picture.c_str(), &image) == kOk) g_api->DisposeImage(image);
    });
    g_starting = &starting_;
}

void GdiplusSession::Start() {
    const FlatApi* api = LoadFlatApi();
    if (!api) return;
    // Version 1, no debug callback, background thread and external codecs allowed.
    StartupInput input{1, nullptr, FALSE, FALSE};
    ULONG_PTR token = 0;
    if (api->Startup(&token, &input, nullptr) != kOk) return;
    token_ = token;
    g_api = api;
    ++g_sessions;
}

bool GdiplusSession::Started() const {
    Api();
    return token_ != 0;
}

GdiplusSession::~GdiplusSession() {
    if (g_starting == &starting_) Api();
    if (!token_) return;
    if (--g_sessions == 0) g_api = nullptr;
    LoadFlatApi()->Shutdown(token_);
}

TGPImage::TGPImage(const std::filesystem::path& file) {
    if (!Api()) {
        Check(kGdiplusNotInitialized);
        return;
    }
    GpImage* image = nullptr;
    if (Check(g_api->LoadImageFromFile(file.c_str(), &image))) image_ = image;
}

TGPImage::TGPImage(FromBitmapFile, const std::filesystem::path& file) {
    if (!Api()) {
        Check(kGdiplusNotInitialized);
        return;
    }
    GpImage* image = nullptr;
    if (Check(g_api->CreateBitmapFromFile(file.c_str(), &image))) image_ = image;
}

TGPImage::TGPImage(TGPImage&& other) noexcept
    : TGdiplusBase(other), image_(std::exchange(other.image_, nullptr)) {}

TGPImage& TGPImage::operator=(TGPImage&& other) noexcept {
    if (this != &other) {
        if (image_ && g_api) g_api->DisposeImage(image_);
        TGdiplusBase::operator=(other);
        image_ = std::exchange(other.image_, nullptr);
    }
    return *this;
}

TGPImage::~TGPImage() {
    // After the last session has stopped GDI+ has freed every image itself.
    if (image_ && g_api) g_api->DisposeImage(image_);
}

UINT TGPImage::Width() {
    UINT width = 0;
    if (image_ && !Check(g_api->GetImageWidth(image_, &width))) width = 0;
    return width;
}

UINT TGPImage::Height() {
    UINT height = 0;
    if (image_ && !Check(g_api->GetImageHeight(image_, &height))) height = 0;
    return height;
}

std::optional<ImageBounds> TGPImage::Bounds() {
    if (!image_) return std::nullopt;
    GpRectF rect{};
    int unit = 0;
    if (!Check(g_api->GetImageBounds(image_, &rect, &unit))) return std::nullopt;
    return ImageBounds{rect.x, rect.y, rect.width, rect.height, unit};
}

TGPBitmap::TGPBitmap(const std::filesystem::path& file) : TGPImage(FromBitmapFile{}, file) {}

OwnedBitmap TGPBitmap::ToGdiBitmap(Argb background) {
    if (!image_) return {};
    HBITMAP bitmap = nullptr;
    if (!Check(g_api->CreateHBITMAPFromBitmap(image_, &bitmap, background))) return {};
    return OwnedBitmap(bitmap);
}

TGPGraphics::TGPGraphics(HDC dc) {
    if (!Api()) {
        Check(kGdiplusNotInitialized);
        return;
    }
    GpGraphics* graphics = nullptr;
    if (!Check(g_api->CreateFromHDC(dc, &graphics))) return;
    graphics_ = graphics;
    // Source-over is GDI+'s default; stated so that no later change of
    // default can make a skin overwrite what lies beneath it.
    Check(g_api->SetCompositingMode(graphics_, kCompositingModeSourceOver));
}

TGPGraphics::TGPGraphics(TGPGraphics&& other) noexcept
    : TGdiplusBase(other), graphics_(std::exchange(other.graphics_, nullptr)) {}

TGPGraphics& TGPGraphics::operator=(TGPGraphics&& other) noexcept {
    if (this != &other) {
        Close();
        TGdiplusBase::operator=(other);
        graphics_ = std::exchange(other.graphics_, nullptr);
    }
    return *this;
}

TGPGraphics::~TGPGraphics() { Close(); }

void TGPGraphics::Close() {
    if (graphics_ && g_api) g_api->DeleteGraphics(graphics_);
    graphics_ = nullptr;
}

// Source and destination have the same size in pixels: drawing at a point
// would scale by the resolution the PNG stores (a 72 dpi file grows by 4/3).
void TGPGraphics::DrawPart(TGPImage& image, float x, float y, float source_x, float source_y,
                           float width, float height) {
    if (!graphics_ || !image.HasImage()) return;
    Check(g_api->DrawImageRectRect(graphics_, image.Handle(), x, y, width, height, source_x, source_y,
                                   width, height, kUnitPixel, nullptr, nullptr, nullptr));
}

void TGPGraphics::DrawPart(TGPImage& image, int x, int y, int source_x, int source_y, int width,
                           int height) {
    if (!graphics_ || !image.HasImage()) return;
    Check(g_api->DrawImageRectRectI(graphics_, image.Handle(), x, y, width, height, source_x, source_y,
                                    width, height, kUnitPixel, nullptr, nullptr, nullptr));
}

}  // namespace orbelle

// The skin image layer over GDI+ and the tray icon made from the day picture,
// in-process, on pictures the tests write themselves.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "base/error.h"
#include "eventlist/tray_icon.h"
#include "kit/pictures.h"
#include "kit/temp_folder.h"
#include "platform/handles.h"
#include "platform/skin_image.h"

namespace orbelle {
namespace {
namespace fs = std::filesystem;
using testing::EncodeBmp;
using testing::EncodePng;
using testing::Picture;
using testing::TempFolder;
using testing::WriteBytes;

// Pixels as 0xAARRGGBB (files) or 0x00RRGGBB (read back from GDI).
using Pixels = std::vector<std::uint32_t>;

Pixels ReadPixels(HBITMAP bitmap) {
    BITMAP info{};
    GetObjectW(bitmap, sizeof info, &info);
    BITMAPINFO format{};
    format.bmiHeader = {sizeof(BITMAPINFOHEADER), info.bmWidth, -info.bmHeight, 1, 32, BI_RGB};
    Pixels pixels(static_cast<std::size_t>(info.bmWidth) * info.bmHeight);
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap, 0, info.bmHeight, pixels.data(), &format, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    for (auto& p : pixels) p &= 0xFFFFFF;
    return pixels;
}

int BitmapWidth(HBITMAP bitmap) {
    BITMAP info{};
    GetObjectW(bitmap, sizeof info, &info);
    return info.bmWidth;
}

// Channels within one step of each other (GDI+ rounds its blends).
::testing::AssertionResult Near(std::uint32_t actual, std::uint32_t expected) {
    for (int shift = 0; shift <= 16; shift += 8) {
        int a = (actual >> shift) & 0xFF, e = (expected >> shift) & 0xFF;
        if (a - e > 1 || e - a > 1)
            return ::testing::AssertionFailure() << std::hex << "0x" << actual << " is not near 0x" << expected;
    }
    return ::testing::AssertionSuccess();
}

// ---------------------------------------------------------------- skin layer

class SkinImageTest : public ::testing::Test {
protected:
    // A w x h 32-bit surface filled with `fill`, selected into dc_.
    void MakeSurface(int width, int height, std::uint32_t fill) {
        BITMAPINFO format{};
        format.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB};
        void* bits = nullptr;
        surface_ = OwnedBitmap(CreateDIBSection(nullptr, &format, DIB_RGB_COLORS, &bits, nullptr, 0));
        for (int i = 0; i < width * height; ++i) static_cast<std::uint32_t*>(bits)[i] = fill;
        dc_ = OwnedDc(CreateCompatibleDC(nullptr));
        old_ = SelectObject(dc_.Get(), surface_.Get());
    }
    Pixels SurfacePixels() {
        SelectObject(dc_.Get(), old_);
        Pixels pixels = ReadPixels(surface_.Get());
        SelectObject(dc_.Get(), surface_.Get());
        return pixels;
    }

    GdiplusSession gdiplus_;
    TempFolder temp_{"orbelle-tray-"};
    const fs::path folder_ = temp_.Path();
    OwnedBitmap surface_;
    OwnedDc dc_;
    HGDIOBJ old_ = nullptr;
};

TEST_F(SkinImageTest, MissingOrUndecodableFileIsAnEmptyImageThatDrawsNothing) {
    ASSERT_TRUE(gdiplus_.Started());
    WriteBytes(folder_ / "garbage.png", "\x89PNG but not really");
    for (const char* name : {"missing.png", "garbage.png"}) {
        SCOPED_TRACE(name);
        TGPImage image(folder_ / name);
        TGPBitmap bitmap(folder_ / name);
        EXPECT_FALSE(image.HasImage());
        EXPECT_EQ(image.Width(), 0u);
        EXPECT_EQ(image.Height(), 0u);
        EXPECT_EQ(bitmap.Width(), 0u);
        EXPECT_FALSE(image.Bounds().has_value());
        EXPECT_FALSE(bitmap.ToGdiBitmap(0));
        EXPECT_NE(image.LastStatus(), 0);

        MakeSurface(8, 8, 0x123456);
        {
            TGPGraphics surface(dc_.Get());
            ASSERT_TRUE(surface.IsOpen());
            surface.DrawPart(image, 0, 0, 0, 0, 8, 8);
            surface.DrawPart(bitmap, 0.0f, 0.0f, 0.0f, 0.0f, 8.0f, 8.0f);
        }
        for (std::uint32_t p : SurfacePixels()) ASSERT_EQ(p, 0x123456u);
    }
}

// Started on a thread of its own, as the program starts it, the session
// serves images like one started here, whatever became of its warm-up
// picture. (The program's own start, whose first face needs it, is covered
// by the desktop's process tests: this test program has a session already.)
TEST(GdiplusBackgroundStart, ServesImagesWhateverItsWarmUpPicture) {
    TempFolder temp{"orbelle-gdiplus-"};
    WriteBytes(temp.Path() / "part.png", EncodePng(Picture(8, 8, Pixels(64, 0xFF00FF00)), true));
    for (const char* warm_up : {"part.png", "missing.png"}) {
        SCOPED_TRACE(warm_up);
        GdiplusSession session(temp.Path() / warm_up);
        TGPImage image(temp.Path() / "part.png");
        EXPECT_EQ(image.Width(), 8u);
        EXPECT_TRUE(session.Started());
    }
}

// An 8 x 8 image stored at 72 dpi: half-transparent red, with an opaque green
// pixel at (2, 2) and an opaque yellow one at (1, 1) just outside the part.
struct DrawCase {
    const char* name;
    bool floating;
};

class SkinDrawTest : public SkinImageTest, public ::testing::WithParamInterface<DrawCase> {};

TEST_P(SkinDrawTest, PartIsCompositedSourceOverOnePixelPerPixel) {
    Pixels image(64, 0x80FF0000);
    image[2 * 8 + 2] = 0xFF00FF00;
    image[1 * 8 + 1] = 0xFFFFFF00;
    WriteBytes(folder_ / "part.png", EncodePng(Picture(8, 8, image), true));
    TGPImage part(folder_ / "part.png");
    ASSERT_EQ(part.Width(), 8u);
    ASSERT_EQ(part.Height(), 8u);
    auto bounds = part.Bounds();
    ASSERT_TRUE(bounds.has_value());
    EXPECT_EQ(bounds->width, 8.0f);
    EXPECT_EQ(bounds->unit, 2);  // pixels

    const std::uint32_t blue = 0x0000FF;
    MakeSurface(20, 20, blue);
    {
        TGPGraphics surface(dc_.Get());
        // Source (2, 2, 4, 4) to (5, 6).
        if (GetParam().floating)
            surface.DrawPart(part, 5.0f, 6.0f, 2.0f, 2.0f, 4.0f, 4.0f);
        else
            surface.DrawPart(part, 5, 6, 2, 2, 4, 4);
    }
    Pixels pixels = SurfacePixels();
    auto at = [&](int x, int y) { return pixels[y * 20 + x]; };
    EXPECT_EQ(at(5, 6), 0x00FF00u) << "the part's top-left lands on the destination point";
    EXPECT_TRUE(Near(at(8, 9), 0x80007F)) << "half red over blue";
    EXPECT_TRUE(Near(at(6, 6), 0x80007F));
    // At 72 dpi a scaled draw would reach 5 + 4 * 4/3 pixels across.
    EXPECT_EQ(at(9, 9), blue);
    EXPECT_EQ(at(8, 10), blue);
    EXPECT_EQ(at(4, 5), blue) << "nothing outside the source part";
}

INSTANTIATE_TEST_SUITE_P(Variants, SkinDrawTest,
                         ::testing::Values(DrawCase{"Integer", false}, DrawCase{"Floating", true}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- tray icon

constexpr std::uint32_t kPage = 0xF0E8D0;   // the picture's background
constexpr std::uint32_t kFrame = 0x204060;  // its top row
constexpr int kDigitWithPageColour = 5;  // holds the page colour at (3, 3) of its cell

// Digit d's cell is filled with a colour of its own; (7, 10) of every cell
// is half-transparent red, which the strip's background 0 turns into 0x80 red.
constexpr std::uint32_t DigitColor(int digit) { return 0x104080u + 0x100000u * digit; }

class TrayPictureTest : public ::testing::Test {
protected:

    // A picture of the system icon size, so icon pixels map one to one:
    // the page colour with a frame colour along the top row.
    void WritePicture(std::uint32_t page = kPage, std::uint32_t frame = kFrame, int bits = 24) {
        size_ = GetSystemMetrics(SM_CXICON);
        Pixels pixels(static_cast<std::size_t>(size_) * size_, page);
        for (int x = 0; x < size_; ++x) pixels[x] = frame;
        WriteBytes(folder_ / "pic" / "tutorial.bmp", EncodeBmp(Picture(size_, size_, pixels), bits));
    }
    void WriteDigitStrip() {
        Pixels strip(15 * 210);
        for (int digit = 0; digit < 10; ++digit) {
            for (int y = 0; y < 21; ++y)
                for (int x = 0; x < 15; ++x) strip[(21 * digit + y) * 15 + x] = 0xFF000000 | DigitColor(digit);
            strip[(21 * digit + 10) * 15 + 7] = 0x80FF0000;
        }
        strip[(21 * kDigitWithPageColour + 3) * 15 + 3] = 0xFF000000 | kPage;
        WriteBytes(folder_ / "Skins" / "Default" / "Numbers Large Ex Blue.png", EncodePng(Picture(15, 210, strip)));
    }

    GdiplusSession gdiplus_;
    TempFolder temp_{"orbelle-tray-"};
    const fs::path folder_ = temp_.Path();
    int size_ = 0;
};

TEST_F(TrayPictureTest, DigitCellsShowTheDayWithItsTens) {
    WritePicture();
    WriteDigitStrip();
    struct Case {
        unsigned day;
        int tens, units;
    };
    for (Case c : {Case{5, 0, 5}, Case{31, 3, 1}}) {
        SCOPED_TRACE(c.day);
        OwnedBitmap picture = MakeDayPicture(folder_, c.day);
        Pixels pixels = ReadPixels(picture.Get());
        auto at = [&](int x, int y) { return pixels[static_cast<std::size_t>(y) * size_ + x]; };
        EXPECT_EQ(at(0, 10), DigitColor(c.tens));
        EXPECT_EQ(at(14, 30), DigitColor(c.tens));
        EXPECT_EQ(at(15, 10), DigitColor(c.units));
        EXPECT_EQ(at(29, 30), DigitColor(c.units));
        EXPECT_TRUE(Near(at(7, 20), 0x800000)) << "half-transparent digit pixels lie over black";
        EXPECT_EQ(at(0, 9), kPage);
        EXPECT_EQ(at(30, 10), kPage);
        EXPECT_EQ(at(0, 31), kPage);
        EXPECT_EQ(at(0, 0), kFrame);
    }
}

TEST_F(TrayPictureTest, MissingPictureIsAnError) {
    WriteDigitStrip();
    try {
        MakeDayPicture(folder_, 5);
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find("tutorial.bmp"), std::string::npos) << error.what();
    }
}

TEST_F(TrayPictureTest, UnreadableDigitStripLeavesThePicturesPixels) {
    WritePicture();
    for (bool garbage : {false, true}) {
        SCOPED_TRACE(garbage ? "undecodable strip" : "missing strip");
        if (garbage) WriteBytes(folder_ / "Skins" / "Default" / "Numbers Large Ex Blue.png", "not a png");
        OwnedBitmap picture = MakeDayPicture(folder_, 31);
        Pixels pixels = ReadPixels(picture.Get());
        for (int y = 1; y < size_; ++y)
            for (int x = 0; x < size_; ++x) ASSERT_EQ(pixels[y * size_ + x], kPage) << x << "," << y;
    }
}

// The icon's mask (white = transparent) and colour image, read back.
struct IconPixels {
    Pixels mask, colour;
    int width = 0;
    bool Transparent(int x, int y) const { return mask[y * width + x] == 0xFFFFFF; }
    std::uint32_t Colour(int x, int y) const { return colour[y * width + x]; }
};

IconPixels ReadIcon(HICON icon) {
    ICONINFO info{};
    EXPECT_TRUE(GetIconInfo(icon, &info));
    OwnedBitmap mask(info.hbmMask), colour(info.hbmColor);
    EXPECT_TRUE(info.fIcon);
    return {ReadPixels(mask.Get()), ReadPixels(colour.Get()), BitmapWidth(colour.Get())};
}

TEST_F(TrayPictureTest, BottomLeftColourIsTransparentEvenInsideTheDigits) {
    WritePicture();
    WriteDigitStrip();
    OwnedBitmap picture = MakeDayPicture(folder_, 5);
    OwnedIcon icon = BitmapToIcon(picture.Get());
    ASSERT_TRUE(icon);
    IconPixels pixels = ReadIcon(icon.Get());
    ASSERT_EQ(pixels.width, size_);

    struct Case {
        const char* name;
        int x, y;
        bool transparent;
        std::uint32_t colour;
    };
    const Case cases[] = {
        {"page (bottom-left colour)", 0, size_ - 1, true, 0},
        {"page beside the digits", 31, 20, true, 0},
        {"frame", 5, 0, false, kFrame},
        {"tens digit 0", 2, 12, false, DigitColor(0)},
        {"units digit 5", 16, 12, false, DigitColor(5)},
        {"digit pixel of the page colour", 15 + 3, 10 + 3, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(pixels.Transparent(c.x, c.y), c.transparent);
        EXPECT_EQ(pixels.Colour(c.x, c.y), c.colour);
    }
}

TEST_F(TrayPictureTest, MonochromePictureMakesWhiteTransparent) {
    // Black page, white top row: white is transparent although the
    // bottom-left pixel is black.
    WritePicture(0x000000, 0xFFFFFF, 1);
    OwnedBitmap picture = MakeDayPicture(folder_, 5);  // no strip: the picture as it is
    OwnedIcon icon = BitmapToIcon(picture.Get());
    IconPixels pixels = ReadIcon(icon.Get());
    EXPECT_TRUE(pixels.Transparent(4, 0));
    EXPECT_EQ(pixels.Colour(4, 0), 0u);
    EXPECT_FALSE(pixels.Transparent(0, size_ - 1));
    EXPECT_FALSE(pixels.Transparent(4, 4));
}

// ---------------------------------------------------------------- registration

int StandaloneTrayIcons() {
    HWND tray = FindWindowW(L"__winex11_standalone_tray", nullptr);
    int count = 0;
    for (HWND child = tray ? GetWindow(tray, GW_CHILD) : nullptr; child; child = GetWindow(child, GW_HWNDNEXT))
        ++count;
    return count;
}

TEST(TrayIconRegistration, AddRemoveAndAddAgainAfterTheShellForgot) {
    HWND owner = CreateWindowExW(0, L"STATIC", L"tray owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(owner);
    // Wine's standalone tray takes two seconds to delete its last icon: the
    // test run's own icon (see its main) keeps each delete below from being the last.
    const int before = StandaloneTrayIcons();
    {
        TrayIcon tray;
        EXPECT_FALSE(tray.Readd()) << "nothing to add again before Add";
        ASSERT_TRUE(tray.Add(owner, OwnedIcon(CopyIcon(LoadIconW(nullptr, IDI_APPLICATION))),
                             L"Today is Wednesday, January 5, 2005\nVintrel 2.01"));
        EXPECT_TRUE(tray.IsAdded());
        EXPECT_EQ(StandaloneTrayIcons(), before + 1);

        // A restarted shell has lost the icon; "TaskbarCreated" brings it back.
        NOTIFYICONDATAW forget{};
        forget.cbSize = NOTIFYICONDATAW_V1_SIZE;
        forget.hWnd = owner;
        forget.uID = TrayIcon::kId;
        ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &forget));
        EXPECT_EQ(StandaloneTrayIcons(), before);
        EXPECT_NE(TrayIcon::TaskbarCreatedMessage(), 0u);
        EXPECT_TRUE(tray.Readd());
        EXPECT_EQ(StandaloneTrayIcons(), before + 1);

        tray.Remove();
        EXPECT_FALSE(tray.IsAdded());
        EXPECT_EQ(StandaloneTrayIcons(), before);
        EXPECT_FALSE(tray.Readd()) << "a removed icon stays removed";
        ASSERT_TRUE(tray.Add(owner, OwnedIcon(CopyIcon(LoadIconW(nullptr, IDI_APPLICATION))), L"again"));
    }
    EXPECT_EQ(StandaloneTrayIcons(), before) << "the destructor removes the icon";
    DestroyWindow(owner);
}

}  // namespace
}  // namespace orbelle

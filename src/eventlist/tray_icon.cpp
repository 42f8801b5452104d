#include "eventlist/tray_icon.h"

#include <cstdint>
#include <utility>
#include <vector>

#include "base/clock.h"
#include "base/error.h"
#include "base/text.h"
#include "eventlist/tray_tip.h"
#include "platform/locale.h"
#include "platform/shell_libraries.h"
#include "platform/skin_image.h"
#include "platform/wide.h"

namespace orbelle {
namespace {

// Digit d of the strip is the 15 x 21 cell at (0, 21 d).
constexpr int kDigitWidth = 15;
constexpr int kDigitHeight = 21;
constexpr int kDigitsTop = 10;

void DrawDigits(HBITMAP picture, HBITMAP digits, unsigned day) {
    OwnedDc target(CreateCompatibleDC(nullptr));
    OwnedDc source(CreateCompatibleDC(nullptr));
    SelectedObject picture_in(target.Get(), picture);
    SelectedObject digits_in(source.Get(), digits);
    // day is 1..31, so the tens digit is 0..3 and always drawn: the 5th reads 05.
    int tens = static_cast<int>(day / 10), units = static_cast<int>(day % 10);
    BitBlt(target.Get(), 0, kDigitsTop, kDigitWidth, kDigitHeight, source.Get(), 0, kDigitHeight * tens,
           SRCCOPY);
    BitBlt(target.Get(), kDigitWidth, kDigitsTop, kDigitWidth, kDigitHeight, source.Get(), 0,
           kDigitHeight * units, SRCCOPY);
}

// 0x00RRGGBB, the layout of a 32-bit DIB pixel without its alpha byte.
constexpr std::uint32_t DibColor(COLORREF color) {
    return (std::uint32_t{GetRValue(color)} << 16) | (std::uint32_t{GetGValue(color)} << 8) |
           GetBValue(color);
}

// The tip field is 64 UTF-16 units with the zero; a surrogate pair at the
// end is dropped whole.
std::wstring CutTip(std::wstring tip) {
    if (tip.size() <= kTrayTipMaxUnits) return tip;
    std::size_t length = kTrayTipMaxUnits;
    if (tip[length - 1] >= 0xD800 && tip[length - 1] <= 0xDBFF) --length;
    tip.resize(length);
    return tip;
}

}  // namespace

OwnedBitmap MakeDayPicture(const std::filesystem::path& program_folder, unsigned day) {
    std::filesystem::path file = program_folder / L"pic" / L"tutorial.bmp";
    OwnedBitmap picture(static_cast<HBITMAP>(
        LoadImageW(nullptr, file.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION)));
    if (!picture) throw Error("Cannot read the tray picture \"" + PathToUtf8(file) + "\".");

    // Background 0: the strip's transparent parts come out black.
    TGPBitmap strip(program_folder / L"Skins" / L"Default" / L"Numbers Large Ex Blue.png");
    OwnedBitmap digits = strip.ToGdiBitmap(0);
    if (digits) DrawDigits(picture.Get(), digits.Get(), day);
    return picture;
}

OwnedIcon BitmapToIcon(HBITMAP picture) {
    BITMAP picture_info{};
    if (!GetObjectW(picture, sizeof picture_info, &picture_info))
        throw Error("Cannot make the tray icon: the tray picture is not a bitmap.");
    const int width = GetSystemMetrics(SM_CXICON);
    const int height = GetSystemMetrics(SM_CYICON);

    OwnedDc picture_dc(CreateCompatibleDC(nullptr));
    SelectedObject picture_in(picture_dc.Get(), picture);
    const COLORREF transparent = picture_info.bmBitsPixel == 1
                                     ? RGB(255, 255, 255)
                                     : GetPixel(picture_dc.Get(), 0, picture_info.bmHeight - 1);

    // The colour image is a top-down 32-bit DIB, so its pixels can be compared
    // exactly. Nearest-pixel stretching keeps every colour as it was: a
    // blending filter would leave a fringe near the transparent colour.
    BITMAPINFO colour_format{};
    colour_format.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB};
    void* colour_bits = nullptr;
    OwnedBitmap colour(CreateDIBSection(nullptr, &colour_format, DIB_RGB_COLORS, &colour_bits, nullptr, 0));
    if (!colour) throw Error("Cannot make the tray icon: out of system resources.");
    {
        OwnedDc colour_dc(CreateCompatibleDC(nullptr));
        SelectedObject colour_in(colour_dc.Get(), colour.Get());
        SetStretchBltMode(colour_dc.Get(), COLORONCOLOR);
        StretchBlt(colour_dc.Get(), 0, 0, width, height, picture_dc.Get(), 0, 0, picture_info.bmWidth,
                   picture_info.bmHeight, SRCCOPY);
        GdiFlush();
    }

    // Mask rows are WORD-aligned, the leftmost pixel in the top bit; 1 is
    // transparent. The colour image turns black there, and its alpha stays 0
    // everywhere so that the mask decides.
    const int mask_stride = (width + 15) / 16 * 2;
    std::vector<BYTE> mask_bits(static_cast<std::size_t>(mask_stride) * height, 0);
    auto* pixels = static_cast<std::uint32_t*>(colour_bits);
    const std::uint32_t key = DibColor(transparent);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint32_t& pixel = pixels[static_cast<std::size_t>(y) * width + x];
            pixel &= 0x00FFFFFF;
            if (pixel == key) {
                pixel = 0;
                mask_bits[static_cast<std::size_t>(y) * mask_stride + x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
            }
        }
    }
    OwnedBitmap mask(CreateBitmap(width, height, 1, 1, mask_bits.data()));
    if (!mask) throw Error("Cannot make the tray icon: out of system resources.");

    ICONINFO icon_info{TRUE, 0, 0, mask.Get(), colour.Get()};
    OwnedIcon icon(CreateIconIndirect(&icon_info));
    if (!icon) throw Error("Cannot make the tray icon: out of system resources.");
    return icon;
}

NOTIFYICONDATAW TrayIcon::Record() const {
    NOTIFYICONDATAW record{};
    // The first layout: the fields below and a 64-unit tip, nothing newer.
    record.cbSize = NOTIFYICONDATAW_V1_SIZE;
    record.hWnd = owner_;
    record.uID = kId;
    record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    record.uCallbackMessage = kCallbackMessage;
    record.hIcon = icon_.Get();
    tip_.copy(record.szTip, kTrayTipMaxUnits);
    return record;
}

bool TrayIcon::Add(HWND owner, OwnedIcon icon, const std::wstring& tip) {
    Remove();
    owner_ = owner;
    icon_ = std::move(icon);
    tip_ = CutTip(tip);
    added_ = true;
    // An owner running with higher rights than the shell would not receive
    // the shell's broadcast otherwise.
    ChangeWindowMessageFilterEx(owner, TaskbarCreatedMessage(), MSGFLT_ALLOW, nullptr);
    NOTIFYICONDATAW record = Record();
    return NotifyShellIcon(NIM_ADD, record);
}

bool TrayIcon::AddToday(HWND owner, const std::filesystem::path& program_folder) {
    year_month_day today = Today().Date();
    OwnedBitmap picture = MakeDayPicture(program_folder, static_cast<unsigned>(today.day()));
    OwnedIcon icon = BitmapToIcon(picture.Get());
    return Add(owner, std::move(icon), Widen(TrayTip(today, UserLocaleNames())));
}

void TrayIcon::Remove() {
    if (!added_) return;
    NOTIFYICONDATAW record{};
    record.cbSize = NOTIFYICONDATAW_V1_SIZE;
    record.hWnd = owner_;
    record.uID = kId;
    record.uFlags = 0;
    NotifyShellIcon(NIM_DELETE, record);
    added_ = false;
    icon_.Reset();
    tip_.clear();
    owner_ = nullptr;
}

bool TrayIcon::ShowWarningBalloon(const std::wstring& title, const std::wstring& text) {
    if (!added_) return false;
    NOTIFYICONDATAW record{};
    record.cbSize = NOTIFYICONDATAW_V2_SIZE;
    record.hWnd = owner_;
    record.uID = kId;
    record.uFlags = NIF_INFO;
    text.substr(0, std::size(record.szInfo) - 1).copy(record.szInfo, std::size(record.szInfo) - 1);
    title.substr(0, std::size(record.szInfoTitle) - 1).copy(record.szInfoTitle, std::size(record.szInfoTitle) - 1);
    record.dwInfoFlags = NIIF_WARNING;
    return NotifyShellIcon(NIM_MODIFY, record);
}

UINT TrayIcon::TaskbarCreatedMessage() {
    static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
    return message;
}

bool TrayIcon::Readd() {
    if (!added_) return false;
    NOTIFYICONDATAW record = Record();
    return NotifyShellIcon(NIM_ADD, record);
}

}  // namespace orbelle

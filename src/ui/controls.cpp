#include "ui/controls.h"

namespace orbelle {

HWND CreateControl(HWND parent, const ControlSpec& spec, HFONT font) {
    HWND control = CreateWindowExW(spec.ex_style, spec.window_class, spec.caption,
                                   WS_CHILD | WS_VISIBLE | spec.style, spec.x, spec.y, spec.width, spec.height,
                                   parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id)),
                                   GetModuleHandleW(nullptr), nullptr);
    if (control && font) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

void CreateControls(HWND parent, std::span<const ControlSpec> specs, HFONT font) {
    for (const auto& spec : specs) CreateControl(parent, spec, font);
}

OwnedFont MakeFontPixels(const wchar_t* face, int char_height, bool bold) {
    // A negative height asks for the character height, not the cell height.
    return OwnedFont(CreateFontW(-char_height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                                 DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                 DEFAULT_PITCH | FF_DONTCARE, face));
}

OwnedFont MakeFontPoints(const wchar_t* face, int points, bool bold) {
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return MakeFontPixels(face, MulDiv(points, dpi, 72), bold);
}

}  // namespace orbelle

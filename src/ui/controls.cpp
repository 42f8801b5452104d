#include "ui/controls.h"

namespace orbelle {

HWND CreateControl(HWND parent, const ControlSpec& layout, HFONT font) {
    HWND control = CreateWindowExW(layout.ex_style, layout.window_class, layout.caption,
                                   WS_CHILD | WS_VISIBLE | layout.style, layout.x, layout.y, layout.width, layout.height,
                                   parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(layout.id)),
                                   GetModuleHandleW(nullptr), nullptr);
    if (control && font) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
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

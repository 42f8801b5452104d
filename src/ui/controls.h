#pragma once
// Child controls from layout tables: kind, id, place in pixels, caption.
#include <windows.h>

#include <span>

#include "platform/handles.h"

namespace orbelle {

struct ControlSpec {
    const wchar_t* window_class;
    int id = 0;
    int x = 0, y = 0, width = 0, height = 0;
    const wchar_t* caption = L"";
    DWORD style = 0;  // added to WS_CHILD | WS_VISIBLE
    DWORD ex_style = 0;
};

HWND CreateControl(HWND parent, const ControlSpec& layout, HFONT font);
void CreateControls(HWND parent, std::span<const ControlSpec> specs, HFONT font);

// A font by point size at the screen's resolution, or by character height in pixels.
OwnedFont MakeFontPoints(const wchar_t* face, int points, bool bold = false);
OwnedFont MakeFontPixels(const wchar_t* face, int char_height, bool bold = false);

}  // namespace orbelle

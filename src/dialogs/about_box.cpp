#include "dialogs/about_box.h"

namespace orbelle {

AboutBox::AboutBox(Application& app) {
    constexpr DWORD kStyle = WS_POPUP | WS_CLIPCHILDREN;
    constexpr DWORD kExStyle = WS_EX_TOPMOST;
    SIZE outer = OuterSizeForClient(314, 318, kStyle, kExStyle);
    Create({.name = L"TFormabout"}, {.caption = L"About", .style = kStyle, .ex_style = kExStyle, .x = 254,
                                     .y = 181, .width = outer.cx, .height = outer.cy, .owner = app.Owner()});
}

}  // namespace orbelle

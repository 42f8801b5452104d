#include "ui/menu.h"

namespace orbelle {
namespace {

OwnedMenu Filled(HMENU menu, std::span<const MenuItem> items) {
    OwnedMenu owned(menu);
    for (const MenuItem& item : items) {
        if (!item.text) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        } else if (!item.submenu.empty()) {
            // The parent destroys the sub-menu with itself once it is attached.
            OwnedMenu submenu = MakePopupMenu(item.submenu);
            if (AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(submenu.Get()), item.text)) submenu.Release();
        } else {
            AppendMenuW(menu, MF_STRING, item.command, item.text);
        }
    }
    return owned;
}

}  // namespace

OwnedMenu MakePopupMenu(std::span<const MenuItem> items) { return Filled(CreatePopupMenu(), items); }

OwnedMenu MakeMenuBar(std::span<const MenuItem> items) { return Filled(CreateMenu(), items); }

}  // namespace orbelle

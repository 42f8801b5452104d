#pragma once
// Menus from tables of item definitions instead of one AppendMenu call per item.
#include <windows.h>

#include <span>

#include "platform/handles.h"

namespace orbelle {

struct MenuItem {
    // Null: a separator.
    const wchar_t* text = nullptr;
    WORD command = 0;
    // Not empty: the item opens this sub-menu instead of sending a command.
    std::span<const MenuItem> submenu = {};
};

inline constexpr MenuItem kMenuSeparator{};

// A pop-up menu (the tray's, or a sub-menu) and a window's menu bar. A menu
// bar handed to a window at creation belongs to the window from then on.
OwnedMenu MakePopupMenu(std::span<const MenuItem> items);
OwnedMenu MakeMenuBar(std::span<const MenuItem> items);

}  // namespace orbelle

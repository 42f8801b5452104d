#pragma once
// The list window's menu bar (its "Tools" menu comes from the capabilities)
// and keyboard shortcuts and the tray's menu
// (`PopupMenu1`, every command of the program), as tables.
#include <windows.h>

#include <span>

#include "ui/menu.h"

namespace orbelle {

std::span<const MenuItem> EventsMenuBar();
std::span<const MenuItem> TrayMenuItems();
std::span<const ACCEL> EventsShortcuts();

}  // namespace orbelle

#pragma once
// One set of command ids for the tray menu, the list window's menu, its
// toolbar and its keyboard shortcuts.
#include <windows.h>

namespace orbelle {

enum Command : WORD {
    kCmdNew = 100,
    kCmdModify,
    kCmdDelete,
    kCmdFind,        // the toolbar's Find: the find dialog
    kCmdFindEvent,   // the menu's "Find a Event(&F)": no action
    kCmdClose,
    kCmdExit,
};

}  // namespace orbelle

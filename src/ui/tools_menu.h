#pragma once
// The list window's "Tools" menu as one table. Each capability adds its own
// items (command id, caption, checked state, handler) and knows no other
// capability; the menu shows them in the order they were added, with a
// separator between one capability's items and the next one's.
#include <windows.h>

#include <functional>
#include <initializer_list>
#include <vector>

#include "platform/handles.h"

namespace orbelle {

struct ToolsItem {
    WORD command = 0;
    const wchar_t* caption = L"";
    // Runs the command; the owner is the window whose menu holds the item.
    std::function<void(HWND owner)> run;
    // Empty: an item that is never checked.
    std::function<bool()> checked = {};
    // A keyboard shortcut of the list window (FCONTROL, 'F'); none when key is 0.
    BYTE modifiers = 0;
    WORD key = 0;
};

class ToolsMenu {
public:
    // One capability's items, after those added before.
    void AddGroup(std::initializer_list<ToolsItem> items);

    OwnedMenu MakePopup() const;
    // Runs the item's handler, then shows every check mark afresh in the
    // owner's menu bar; false when no item has that command.
    bool Run(WORD command, HWND owner) const;
    // Sets the check mark of every checkable item in the menu (or any menu
    // holding the items, such as the bar).
    void ShowChecks(HMENU menu) const;
    // The items' keyboard shortcuts, for the owner's accelerator table.
    std::vector<ACCEL> Shortcuts() const;

private:
    std::vector<std::vector<ToolsItem>> groups_;
};

}  // namespace orbelle

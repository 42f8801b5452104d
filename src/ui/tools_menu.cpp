#include "ui/tools_menu.h"

namespace orbelle {

void ToolsMenu::AddGroup(std::initializer_list<ToolsItem> items) { groups_.emplace_back(items); }

OwnedMenu ToolsMenu::MakePopup() const {
    OwnedMenu menu(CreatePopupMenu());
    for (std::size_t group = 0; group < groups_.size(); ++group) {
        if (group > 0) AppendMenuW(menu.Get(), MF_SEPARATOR, 0, nullptr);
        for (const ToolsItem& item : groups_[group]) AppendMenuW(menu.Get(), MF_STRING, item.command, item.caption);
    }
    return menu;
}

bool ToolsMenu::Run(WORD command, HWND owner) const {
    for (const auto& group : groups_) {
        for (const ToolsItem& item : group) {
            if (item.command != command) continue;
            // Checks follow even when the handler fails half-way.
            struct ShowChecksAfter {
                const ToolsMenu& menu;
                HWND owner;
                ~ShowChecksAfter() { menu.ShowChecks(GetMenu(owner)); }
            } show_checks{*this, owner};
            if (item.run) item.run(owner);
            return true;
        }
    }
    return false;
}

void ToolsMenu::ShowChecks(HMENU menu) const {
    if (!menu) return;
    for (const auto& group : groups_)
        for (const ToolsItem& item : group)
            if (item.checked)
                CheckMenuItem(menu, item.command, MF_BYCOMMAND | (item.checked() ? MF_CHECKED : MF_UNCHECKED));
}

std::vector<ACCEL> ToolsMenu::Shortcuts() const {
    std::vector<ACCEL> shortcuts;
    for (const auto& group : groups_)
        for (const ToolsItem& item : group)
            if (item.key) shortcuts.push_back({static_cast<BYTE>(FVIRTKEY | item.modifiers), item.key, item.command});
    return shortcuts;
}

}  // namespace orbelle

#include "eventlist/menus.h"

#include "eventlist/commands.h"

namespace orbelle {
namespace {

constexpr MenuItem kEventsMenu[] = {
    {L"New a event(&C)\tCtrl+N", kCmdNew},
    kMenuSeparator,
    {L"Modify a event (&R)\tAlt+Enter", kCmdModify},
    {L"Delete a event(&D)\tDel", kCmdDelete},
    kMenuSeparator,
    {L"Find a Event(&F)\tCtrl+R", kCmdFindEvent},
    kMenuSeparator,
    {L"Exit(&X)", kCmdExit},
};

constexpr MenuItem kEventsMenuBar[] = {
    {L"Events", 0, kEventsMenu},
};

constexpr MenuItem kGotoMenu[] = {
    {L"Preview Year", kCmdPreviewYear},
    {L"Next Year", kCmdNextYear},
    {L"Preview Month", kCmdPreviewMonth},
    {L"Next Month", kCmdNextMonth},
};

constexpr MenuItem kTrayMenu[] = {
    {L"New Event", kCmdNew},
    {L"Show Main Window", kCmdShowMainWindow},
    kMenuSeparator,
    {L"Quick Reminder", kCmdQuickReminder},
    kMenuSeparator,
    {L"Today", kCmdToday},
    {L"Goto", 0, kGotoMenu},
    kMenuSeparator,
    {L"Options", kCmdOptions},
    kMenuSeparator,
    {L"Home Page", kCmdHomePage},
    {L"About", kCmdAbout},
    kMenuSeparator,
    {L"Exit", kCmdTrayExit},
};

constexpr ACCEL kShortcuts[] = {
    {FCONTROL | FVIRTKEY, 'N', kCmdNew},
    {FALT | FVIRTKEY, VK_RETURN, kCmdModify},
    {FVIRTKEY, VK_DELETE, kCmdDelete},
    {FCONTROL | FVIRTKEY, 'R', kCmdFindEvent},
};

}  // namespace

std::span<const MenuItem> EventsMenuBar() { return kEventsMenuBar; }
std::span<const MenuItem> TrayMenuItems() { return kTrayMenu; }
std::span<const ACCEL> EventsShortcuts() { return kShortcuts; }

}  // namespace orbelle

#pragma once
// One set of command ids for the tray menu, the list window's menu, its
// toolbar and its keyboard shortcuts; the Tools menu's are its capabilities'.
#include <windows.h>

namespace orbelle {

enum Command : WORD {
    kCmdNew = 100,
    kCmdModify,
    kCmdDelete,
    kCmdFind,        // the toolbar's Find: the find dialog
    kCmdFindEvent,   // the menu's "Find a Event(&F)": no action
    kCmdClose,
    kCmdExit,         // the list's "Exit(&X)": closes the desktop calendar
    // The tray menu; its "New Event" is kCmdNew.
    kCmdShowMainWindow,
    kCmdQuickReminder,  // no action
    kCmdToday,
    kCmdPreviewYear,
    kCmdNextYear,
    kCmdPreviewMonth,
    kCmdNextMonth,
    kCmdOptions,
    kCmdHomePage,
    kCmdAbout,
    kCmdTrayExit,     // hides the calendar and ends the program
    // The "Tools" menu's items are each capability's own (ui/tools_menu.h):
    // reminders from 200, iCalendar and CSV files from 250, backups from 300.
};

}  // namespace orbelle

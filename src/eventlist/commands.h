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
    // The list's "Tools" menu: reminders.
    kCmdRemindAtAlarmTime = 200,  // checkable: reminders at their alarm time

    // The Tools menu's iCalendar and CSV files.
    kCmdImportICalendar = 250,
    kCmdExportICalendar,
    kCmdExportCsv,

    // The list's "Tools" menu: backups.
    kCmdBackUpNow = 300,
    kCmdRestoreBackup,
};

}  // namespace orbelle

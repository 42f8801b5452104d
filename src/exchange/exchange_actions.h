#pragma once
// The Tools menu's iCalendar and CSV files: the system's open and save
// dialogs, the work on the event table, and a message box with the outcome.
#include <windows.h>

#include <filesystem>
#include <functional>

namespace orbelle {

// Imports the file (asked for when empty) and shows the summary, after
// show_stored has shown the stored events; true when events were stored.
bool ImportICalendarShowingSummary(HWND owner, const std::filesystem::path& table, std::filesystem::path file,
                                   const std::function<void()>& show_stored);
void ExportICalendarAskingForFile(HWND owner, const std::filesystem::path& table);
void ExportCsvAskingForFile(HWND owner, const std::filesystem::path& table);

}  // namespace orbelle

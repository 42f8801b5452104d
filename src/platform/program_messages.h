#pragma once
// The messages one copy of the program sends another: the command-line
// import tells a running copy that the event table changed, and "Open with"
// hands a file to the running copy's list window (`TMainForm`).
#include <windows.h>

namespace orbelle {

// Posted to every list window after another process stored events.
inline UINT EventsChangedMessage() {
    static const UINT message = RegisterWindowMessageW(L"Orbelle.EventsChanged");
    return message;
}

// WM_COPYDATA's dwData for a UTF-16 path of an iCalendar file to import.
inline constexpr ULONG_PTR kImportFileCopyData = 0x4F524943;  // "ORIC"

inline constexpr const wchar_t* kListWindowClass = L"TMainForm";

}  // namespace orbelle

#pragma once
// comctl32 and shell32 are not in the program's import table: loading them
// with the process held back its first window. At start they load beside the
// calendar's first pause (LoadShellLibraries on another thread); otherwise at
// the first call below that needs them. Each loads once, whichever thread
// comes first, and a call made meanwhile waits for it.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

namespace orbelle {

// Loads both libraries and registers the common controls' classes. Under
// Wine a thread that loads them while the window thread makes windows can
// deadlock with it: run this on another thread only while the window thread
// waits.
void LoadShellLibraries();

// The common controls' window classes the program uses, registered once;
// false when comctl32 cannot be loaded.
bool StartCommonControls();

// The comctl32 and shell32 functions the program uses, with their own
// meanings; each fails as its function does when its library is missing.
HIMAGELIST CreateImageList(int width, int height, UINT flags, int initial, int grow);
int AddMaskedToImageList(HIMAGELIST list, HBITMAP picture, COLORREF mask);
void DestroyImageList(HIMAGELIST list);
bool NotifyShellIcon(DWORD message, NOTIFYICONDATAW& record);
void ShellExecuteOpen(HWND owner, const wchar_t* file);
// CommandLineToArgvW; null when shell32 is missing. Free with LocalFree.
wchar_t** SplitCommandLine(const wchar_t* command_line, int& count);

}  // namespace orbelle

#pragma once
// comctl32 and shell32 are not in the program's import table: loading them
// with the process held back its first window. They load on a thread of their
// own while the calendar is being made, or at the first call below that needs
// them, whichever comes first; a call made while the thread loads waits for it.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <thread>

namespace orbelle {

// Loads both libraries and registers the common controls' classes on a
// thread; the end of this object waits for the thread.
class ShellLibrariesAhead {
public:
    ShellLibrariesAhead();
    ~ShellLibrariesAhead();
    ShellLibrariesAhead(const ShellLibrariesAhead&) = delete;
    ShellLibrariesAhead& operator=(const ShellLibrariesAhead&) = delete;

private:
    std::thread thread_;
};

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

#include "platform/shell_libraries.h"

#include <mutex>

#include "platform/system_library.h"

namespace orbelle {
namespace {

struct CommonControls {
    BOOL(WINAPI* init)(const INITCOMMONCONTROLSEX*) = nullptr;
    HIMAGELIST(WINAPI* create)(int, int, UINT, int, int) = nullptr;
    int(WINAPI* add_masked)(HIMAGELIST, HBITMAP, COLORREF) = nullptr;
    BOOL(WINAPI* destroy)(HIMAGELIST) = nullptr;
    bool started = false;
};

struct Shell {
    BOOL(WINAPI* notify_icon)(DWORD, NOTIFYICONDATAW*) = nullptr;
    HINSTANCE(WINAPI* execute)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT) = nullptr;
    LPWSTR*(WINAPI* split)(LPCWSTR, int*) = nullptr;
};

// Loaded and resolved once, by whichever thread comes first; kept to the end
// of the process. The manifest makes comctl32 the version 6 library.
const CommonControls& CommonControlsLibrary() {
    static CommonControls library;
    static std::once_flag once;
    std::call_once(once, [] {
        HMODULE module = LoadSystemLibrary(L"comctl32.dll");
        ResolveFunction(module, "InitCommonControlsEx", library.init);
        ResolveFunction(module, "ImageList_Create", library.create);
        ResolveFunction(module, "ImageList_AddMasked", library.add_masked);
        ResolveFunction(module, "ImageList_Destroy", library.destroy);
        INITCOMMONCONTROLSEX classes{sizeof classes, ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_BAR_CLASSES};
        library.started = library.init && library.init(&classes);
    });
    return library;
}

const Shell& ShellLibrary() {
    static Shell library;
    static std::once_flag once;
    std::call_once(once, [] {
        HMODULE module = LoadSystemLibrary(L"shell32.dll");
        ResolveFunction(module, "Shell_NotifyIconW", library.notify_icon);
        ResolveFunction(module, "ShellExecuteW", library.execute);
        ResolveFunction(module, "CommandLineToArgvW", library.split);
    });
    return library;
}

}  // namespace

void LoadShellLibraries() {
    CommonControlsLibrary();
    ShellLibrary();
}

bool StartCommonControls() { return CommonControlsLibrary().started; }

HIMAGELIST CreateImageList(int width, int height, UINT flags, int initial, int grow) {
    const CommonControls& library = CommonControlsLibrary();
    return library.create ? library.create(width, height, flags, initial, grow) : nullptr;
}

int AddMaskedToImageList(HIMAGELIST list, HBITMAP picture, COLORREF mask) {
    const CommonControls& library = CommonControlsLibrary();
    return library.add_masked ? library.add_masked(list, picture, mask) : -1;
}

void DestroyImageList(HIMAGELIST list) {
    const CommonControls& library = CommonControlsLibrary();
    if (library.destroy) library.destroy(list);
}

bool NotifyShellIcon(DWORD message, NOTIFYICONDATAW& record) {
    const Shell& library = ShellLibrary();
    return library.notify_icon && library.notify_icon(message, &record);
}

void ShellExecuteOpen(HWND owner, const wchar_t* file) {
    const Shell& library = ShellLibrary();
    if (library.execute) library.execute(owner, L"open", file, nullptr, nullptr, SW_SHOWNORMAL);
}

wchar_t** SplitCommandLine(const wchar_t* command_line, int& count) {
    const Shell& library = ShellLibrary();
    count = 0;
    return library.split ? library.split(command_line, &count) : nullptr;
}

}  // namespace orbelle

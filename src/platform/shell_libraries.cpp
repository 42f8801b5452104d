#include "platform/shell_libraries.h"

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

// Loaded and resolved once, by whichever thread comes first (another one
// waits for the static's initialisation); kept to the end of the process.
// The manifest makes comctl32 the version 6 library.
const CommonControls& CommonControlsLibrary() {
    static const CommonControls library = [] {
        CommonControls loaded;
        HMODULE module = LoadSystemLibrary(L"comctl32.dll");
        ResolveFunction(module, "InitCommonControlsEx", loaded.init);
        ResolveFunction(module, "ImageList_Create", loaded.create);
        ResolveFunction(module, "ImageList_AddMasked", loaded.add_masked);
        ResolveFunction(module, "ImageList_Destroy", loaded.destroy);
        INITCOMMONCONTROLSEX classes{sizeof classes, ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_BAR_CLASSES};
        loaded.started = loaded.init && loaded.init(&classes);
        return loaded;
    }();
    return library;
}

const Shell& ShellLibrary() {
    static const Shell library = [] {
        Shell loaded;
        HMODULE module = LoadSystemLibrary(L"shell32.dll");
        ResolveFunction(module, "Shell_NotifyIconW", loaded.notify_icon);
        ResolveFunction(module, "ShellExecuteW", loaded.execute);
        ResolveFunction(module, "CommandLineToArgvW", loaded.split);
        return loaded;
    }();
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

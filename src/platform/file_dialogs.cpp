#include "platform/file_dialogs.h"

#include "platform/system_library.h"

namespace orbelle {
namespace {

using FileDialog = BOOL(WINAPI*)(OPENFILENAMEW*);

// comdlg32.dll from the system folder, kept to the end of the process.
HMODULE CommonDialogs() {
    static const HMODULE module = LoadSystemLibrary(L"comdlg32.dll");
    return module;
}

}  // namespace

bool ShowOpenFileDialog(OPENFILENAMEW& dialog) {
    static FileDialog show = nullptr;
    if (!show && !ResolveFunction(CommonDialogs(), "GetOpenFileNameW", show)) return false;
    return show(&dialog) != FALSE;
}

bool ShowSaveFileDialog(OPENFILENAMEW& dialog) {
    static FileDialog show = nullptr;
    if (!show && !ResolveFunction(CommonDialogs(), "GetSaveFileNameW", show)) return false;
    return show(&dialog) != FALSE;
}

}  // namespace orbelle

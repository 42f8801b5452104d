// Orbelle's entry: a command-line form, or the start-up windows, the message loop, the end.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "app/application.h"
#include "app/command_line.h"
#include "platform/skin_image.h"
#include "platform/startup_trace.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // Only system DLLs: a planted DLL beside the program is never loaded.
    orbelle::StartupMark("entry (process, DLLs, runtime)");
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);

    int count = 0;
    wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::wstring> arguments;
    for (int i = 1; words && i < count; ++i) arguments.emplace_back(words[i]);
    LocalFree(words);
    if (std::optional<int> code = orbelle::RunCommandLine(arguments)) return *code;

    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    orbelle::StartupMark("common controls");

    // The image library lives longer than every window.
    orbelle::GdiplusSession gdiplus;
    orbelle::StartupMark("GDI+ started");
    orbelle::Application app;
    if (!app.CreateStartupWindows()) return 0;
    int code = app.Run();
    app.DestroyWindows();
    return code;
}

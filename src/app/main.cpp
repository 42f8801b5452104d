// Orbelle's entry: no arguments; the start-up windows, the message loop, the end.
#include <windows.h>
#include <commctrl.h>

#include "app/application.h"
#include "platform/skin_image.h"
#include "platform/startup_trace.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // Only system DLLs: a planted DLL beside the program is never loaded.
    orbelle::StartupMark("entry (process, DLLs, runtime)");
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
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

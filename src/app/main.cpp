// Orbelle's entry: the command-line forms that need no window, or the
// start-up windows, the message loop, the end.
#include <windows.h>

#include <string>
#include <vector>

#include "app/application.h"
#include "app/command_line.h"
#include "desktop/calendar_face.h"
#include "platform/skin_image.h"
#include "platform/startup_trace.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // Only system DLLs: a planted DLL beside the program is never loaded.
    orbelle::StartupMark("entry (process, DLLs, runtime)");
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);

    const std::vector<std::wstring> arguments = orbelle::CommandLineArguments(GetCommandLineW());
    const std::filesystem::path folder = orbelle::ExecutableFolder();
    if (std::optional<int> code = orbelle::RunCommandLine(arguments)) return *code;
    orbelle::StartupOptions options;
    if (std::optional<std::filesystem::path> file = orbelle::FileToOpen(arguments)) {
        if (orbelle::HandToRunningCopy(*file, folder)) return 0;
        options.import_file = *file;
    }

    // The image library lives longer than every window. It starts beside the
    // first windows, and decodes the calendar's background there first.
    orbelle::GdiplusSession gdiplus(folder / orbelle::kBackgroundSkin);
    orbelle::StartupMark("GDI+ started");
    orbelle::Application app(options);
    // Another copy runs (nothing to say), or a window could not be made (said).
    if (!app.CreateStartupWindows()) return app.StartFailed() ? 1 : 0;
    int code = app.Run();
    app.DestroyWindows();
    return code;
}

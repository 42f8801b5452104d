#pragma once
// The application: start-up order, the single-instance guard's name, the
// hidden owner window, the quit request and the end, newest window first.
#include <windows.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/handles.h"
#include "ui/window.h"

namespace orbelle {

class DesktopWindow;
class EventListWindow;
class OptionsDialog;

struct StartupOptions {
    std::wstring mutex_name = L"DeskTop-88971";
    // Empty: the executable's folder. Tests give a folder of their own.
    std::filesystem::path program_folder;
};

class Application {
public:
    explicit Application(StartupOptions options = {});
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The five start-up windows in their order; false when another copy runs.
    bool CreateStartupWindows();
    // Shows the main window and dispatches messages until the quit request.
    int Run();
    // The quit request: the message loop ends after what is already queued.
    void Terminate();
    bool Terminated() const { return terminated_; }
    // Every window, the most recently created first.
    void DestroyWindows();

    // Asks "Are you sure you want to exit Orbelle？"; true on Yes.
    bool ConfirmExit(HWND owner) const;

    HWND Owner() const;
    // The executable's folder; relative paths of the program folder join it.
    const std::filesystem::path& ProgramFolder() const { return program_folder_; }
    const std::wstring& MutexName() const { return options_.mutex_name; }
    // The single-instance guard is held for the life of the application.
    void HoldInstanceGuard(OwnedKernelHandle guard) { instance_guard_ = std::move(guard); }

    DesktopWindow* Desktop() const { return desktop_; }
    EventListWindow* EventList() const { return event_list_; }
    // The one options dialog, made at start.
    OptionsDialog* Options() const { return options_dialog_; }

    // Keeps a window until the end, so windows are destroyed newest first.
    template <typename W>
    W& Keep(std::unique_ptr<W> window) {
        W& kept = *window;
        windows_.push_back(std::move(window));
        return kept;
    }

private:
    StartupOptions options_;
    std::filesystem::path program_folder_;
    std::unique_ptr<Window> owner_;
    OwnedKernelHandle instance_guard_;
    std::vector<std::unique_ptr<Window>> windows_;
    DesktopWindow* desktop_ = nullptr;
    EventListWindow* event_list_ = nullptr;
    OptionsDialog* options_dialog_ = nullptr;
    bool terminated_ = false;
};

}  // namespace orbelle

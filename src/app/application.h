#pragma once
// The application, the composition root: start-up order, the single-instance
// guard, the hidden owner window, the links between windows that do not know
// each other, the quit request, and the end, newest window first.
#include <windows.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "backups/backup_commands.h"
#include "deskevents/desk_events.h"
#include "dialogs/program_dialogs.h"
#include "eventlist/program_links.h"
#include "exchange/exchange_commands.h"
#include "platform/handles.h"
#include "reminders/reminders_switch.h"
#include "search/search_commands.h"
#include "store/event_changes.h"
#include "sync/sync_commands.h"
#include "ui/tools_menu.h"
#include "ui/window.h"
#include "ui/window_context.h"

namespace orbelle {

class DesktopWindow;
class EventListWindow;
class OptionsDialog;
class TransparencySink;

// The folder of Orbelle.exe: the program folder of a normal run.
std::filesystem::path ExecutableFolder();

struct StartupOptions {
    std::wstring mutex_name = L"DeskTop-88971";
    // Empty: the executable's folder. Tests give a folder of their own.
    std::filesystem::path program_folder;
    // An iCalendar file to import once the message loop runs ("Open with").
    std::filesystem::path import_file;
};

// The folder of the running executable.
std::filesystem::path ExecutableFolder();

class Application final {
public:
    explicit Application(StartupOptions options = {});
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The five start-up windows in their order; false, and no window made,
    // when another copy holds the single-instance guard. False too, after a
    // message saying which, when a window cannot be made (StartFailed).
    bool CreateStartupWindows();
    bool StartFailed() const { return start_failed_; }
    // Shows the main window and dispatches messages until the quit request.
    int Run();
    // The quit request: the message loop ends after what is already queued.
    void RequestQuit() { quit_.RequestQuit(); }
    bool QuitRequested() const { return quit_.QuitRequested(); }
    // Every window, the most recently created first.
    void DestroyWindows();

    HWND Owner() const;
    // What each window is made with: the owner and the program folder.
    const WindowContext& Context() const { return context_; }
    const std::filesystem::path& ProgramFolder() const { return context_.program_folder; }
    std::filesystem::path TableFile() const;
    const std::wstring& MutexName() const { return options_.mutex_name; }

    DesktopWindow* Desktop() const { return desktop_; }
    EventListWindow* EventList() const { return event_list_; }
    // The one options dialog, made at start.
    OptionsDialog* Options() const { return options_dialog_; }

    // The desktop calendar as the options dialog reaches it.
    TransparencySink& CalendarTransparency();

    // Reminders at their alarm time, while that mode is on and once started.
    AlarmWatch* Reminders() const { return reminders_switch_.Watch(); }
    BackupCommands& Backups() { return backups_; }
    ExchangeCommands& Exchange() { return exchange_; }
    SearchCommands& Search() { return search_; }
    DeskEvents& EventsOnCalendar() { return desk_events_; }
    sync::SyncCommands& CalendarSync() { return sync_; }
    // "The events changed", heard by the list and the reminders.
    EventChanges& Changes() { return changes_; }

    class CalendarLink;

private:
    // Keeps a window until the end, so windows are destroyed newest first.
    template <typename W, typename... Args>
    W& Keep(Args&&... args) {
        WindowPtr<W> window = MakeWindow<W>(std::forward<Args>(args)...);
        W& kept = *window;
        windows_.push_back(std::move(window));
        return kept;
    }

    StartupOptions options_;
    // Damage met by this run (whatever file) leaves the table unmarked.
    std::uint64_t damage_notices_at_start_ = 0;
    WindowPtr<Window> owner_;
    WindowContext context_;
    OwnedKernelHandle instance_guard_;
    std::unique_ptr<CalendarLink> calendar_link_;
    ProgramQuit quit_;
    DialogCommands dialogs_;
    // The capabilities beside the list, each with its Tools items.
    EventChanges changes_;
    SearchCommands search_;
    RemindersSwitch reminders_switch_;
    ExchangeCommands exchange_;
    BackupCommands backups_;
    DeskEvents desk_events_;
    sync::SyncCommands sync_;
    ToolsMenu tools_;
    std::vector<WindowPtr<Window>> windows_;
    DesktopWindow* desktop_ = nullptr;
    EventListWindow* event_list_ = nullptr;
    OptionsDialog* options_dialog_ = nullptr;
    bool start_failed_ = false;
    // Whether the list's table was open when the windows went: the mark of a
    // clean close is left only then.
    bool table_open_at_close_ = false;

    // False, after telling the user, when the window could not be made.
    bool Made(const Window& window, const wchar_t* name);
};

}  // namespace orbelle

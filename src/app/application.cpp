#include "app/application.h"

#include "app/instance_guard.h"

#include <functional>
#include <utility>

#include "base/clock.h"
#include "desktop/desktop_window.h"
#include "desktop/displayed_date.h"
#include "dialogs/about_box.h"
#include "dialogs/find_dialog.h"
#include "dialogs/options_dialog.h"
#include "eventlist/event_list_window.h"
#include "eventlist/startup_table_load.h"
#include "platform/shell_libraries.h"
#include "platform/startup_trace.h"
#include "store/sqlite.h"
#include "store/table_seal.h"
#include "ui/message_loop.h"

namespace orbelle {
namespace {

// The hidden top-level window that owns the program's windows, so that none
// of them gets a taskbar button of its own.
class OwnerWindow : public Window {
public:
    // The work that waits until the calendar has first shown: a timer's
    // message comes only once no paint is pending.
    static constexpr UINT_PTR kAfterFirstShowingTimer = 1;
    static constexpr UINT kAfterFirstShowingDelay = 100;

    OwnerWindow() {
        Create({.name = L"OrbelleApplication"}, {.caption = L"Orbelle", .style = WS_POPUP, .x = 0, .y = 0,
                                                 .width = 0, .height = 0});
    }
    void AfterFirstShowing(std::function<void()> work) {
        after_first_showing_ = std::move(work);
        SetTimer(Hwnd(), kAfterFirstShowingTimer, kAfterFirstShowingDelay, nullptr);
    }

private:
    void OnTimer(UINT_PTR id) override {
        if (id != kAfterFirstShowingTimer) return;
        KillTimer(Hwnd(), id);
        if (auto work = std::exchange(after_first_showing_, {})) work();
    }
    std::function<void()> after_first_showing_;
};

}  // namespace

std::filesystem::path ExecutableFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return std::filesystem::path(path).parent_path();
}

class Application::CalendarLink final : public CalendarControl, public TransparencySink {
public:
    explicit CalendarLink(const Application& app) : app_(app) {}

    void Navigate(Navigation step) override {
        DesktopWindow* desktop = app_.Desktop();
        if (!desktop) return;
        switch (step) {
            case Navigation::Today: desktop->SetDisplayedDate(Today().Date()); break;
            case Navigation::PreviewYear: desktop->YearBack(); break;
            case Navigation::NextYear: desktop->YearForward(); break;
            case Navigation::PreviewMonth: desktop->MonthBack(); break;
            case Navigation::NextMonth: desktop->MonthForward(); break;
        }
        desktop->repaintpng1();
    }
    std::optional<std::chrono::year_month_day> CurrentDay() const override {
        if (DesktopWindow* desktop = app_.Desktop()) return desktop->CurrentDay();
        return std::nullopt;
    }
    void SetCurrentDay(std::chrono::year_month_day day) override {
        if (DesktopWindow* desktop = app_.Desktop()) desktop->SetCurrentDay(day);
    }
    void Hide() override {
        if (DesktopWindow* desktop = app_.Desktop()) ShowWindow(desktop->Hwnd(), SW_HIDE);
    }
    void Close() override {
        if (DesktopWindow* desktop = app_.Desktop()) SendMessageW(desktop->Hwnd(), WM_CLOSE, 0, 0);
    }
    void ShowTransparency(int percent) override {
        if (DesktopWindow* desktop = app_.Desktop()) {
            desktop->SetCalendarAlpha(CalendarAlpha(percent));
            desktop->repaintpngbuf();  // the calendar's window-shape step shows it
        }
    }

private:
    const Application& app_;
};

Application::Application(StartupOptions options)
    : options_(std::move(options)),
      damage_notices_at_start_(sql::DamageNotices()),
      owner_(MakeWindow<OwnerWindow>()),
      context_{.owner = owner_->Hwnd(),
               .program_folder = options_.program_folder.empty() ? ExecutableFolder() : options_.program_folder},
      calendar_link_(std::make_unique<CalendarLink>(*this)),
      dialogs_(context_),
      search_(context_),
      reminders_switch_(context_, changes_),
      exchange_(context_, changes_),
      backups_(context_, changes_),
      desk_events_(context_),
      sync_(context_, changes_) {
    // The Tools menu in this order: search, reminders, iCalendar and CSV
    // files, backups, events on the calendar, calendar sync.
    search_.AddToolsItems(tools_);
    reminders_switch_.AddToolsItems(tools_);
    exchange_.AddToolsItems(tools_);
    backups_.AddToolsItems(tools_);
    desk_events_.AddToolsItems(tools_);
    sync_.AddToolsItems(tools_);
}

Application::~Application() {
    DestroyWindows();
    owner_.reset();
    // A table that opened (and so passed its check) and met no damage since
    // is marked at this clean close, once every connection to it has closed:
    // the next start need not check it again.
    if (table_open_at_close_ && !start_failed_ && sql::DamageNotices() == damage_notices_at_start_)
        SealTable(TableFile());
}

bool Application::CreateStartupWindows() {
    // The single-instance guard comes first: a second copy ends here.
    std::optional<OwnedKernelHandle> guard = TakeInstanceGuard(options_.mutex_name);
    if (!guard) {
        RequestQuit();
        return false;
    }
    instance_guard_ = std::move(*guard);
    StartupMark("owner window, instance guard");
    // The table's check and the read of its rows begin now, beside the making
    // of the calendar and the hidden windows; the list takes them in its turn.
    StartupTableLoad table_load(TableFile());
    desktop_ = &Keep<DesktopWindow>(context_, quit_, LoadShellLibraries);
    if (!Made(*desktop_, L"desktop calendar")) return false;
    StartupMark("desktop calendar made");
    // The windows from here on are made of common controls; they are loaded
    // already unless the calendar could not load them beside its pause.
    StartCommonControls();
    // No taskbar button for the program: its owner window is a tool window.
    SetWindowLongPtrW(Owner(), GWL_EXSTYLE, WS_EX_TOOLWINDOW);
    if (!Made(Keep<FindDialog>(context_), L"find dialog")) return false;
    StartupMark("find dialog made");
    options_dialog_ = &Keep<OptionsDialog>(context_, *calendar_link_);
    if (!Made(*options_dialog_, L"options dialog")) return false;
    dialogs_.SetOptions(options_dialog_);
    StartupMark("options dialog made");
    // In the mode of reminders at their alarm time, the scan at start does not run.
    ListRooms rooms{.changes = &changes_,
                    .tools = &tools_,
                    .hooks = {&exchange_, &backups_, &desk_events_, &sync_},
                    .editor_notes = {&sync_},
                    .recovery = &backups_,
                    .scan_at_start = !reminders_switch_.On()};
    event_list_ = &Keep<EventListWindow>(context_, *calendar_link_, dialogs_, quit_, std::move(rooms), &table_load);
    if (!Made(*event_list_, L"event list")) return false;
    StartupMark("event list made");
    if (!Made(Keep<AboutBox>(context_), L"about box")) return false;
    StartupMark("about box made");
    // The list hears "the events changed" first (it adds itself as it is
    // made), then the reminders, the search, the calendar's events and the sync.
    changes_.Add(reminders_switch_);
    changes_.Add(search_);
    search_.Attach(*event_list_);
    changes_.Add(desk_events_);
    reminders_switch_.Attach(*event_list_);
    desk_events_.Attach(*desktop_, event_list_->Hwnd(), *event_list_);
    exchange_.Attach(event_list_->Hwnd());
    backups_.Attach(event_list_->Hwnd(), *event_list_, *event_list_);
    changes_.Add(sync_);
    sync_.Attach(event_list_->Hwnd(), *event_list_);
    // Nothing of the network before the calendar has shown.
    static_cast<OwnerWindow&>(*owner_).AfterFirstShowing([this] {
        if (reminders_switch_.On()) reminders_switch_.Start();
        sync_.Start();
    });
    return true;
}

bool Application::Made(const Window& window, const wchar_t* name) {
    if (window.Hwnd()) return true;
    // The error code of the failed creation, before the message box makes its own.
    const DWORD code = GetLastError();
    const std::wstring text = std::wstring(L"Orbelle cannot start: the ") + name +
                              L" window could not be made (system error " + std::to_wstring(code) + L").";
    MessageBoxW(nullptr, text.c_str(), L"Orbelle", MB_OK | MB_ICONSTOP);
    start_failed_ = true;
    DestroyWindows();
    RequestQuit();
    return false;
}

int Application::Run() {
    if (desktop_ && desktop_->Hwnd()) ShowWindow(desktop_->Hwnd(), SW_SHOWNOACTIVATE);
    StartupMark("calendar shown");
    // After the calendar's first showing: the import waits for the message loop.
    if (event_list_ && !options_.import_file.empty()) exchange_.QueueImport(options_.import_file);
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchOne(message);
    return static_cast<int>(message.wParam);
}

void Application::DestroyWindows() {
    if (event_list_) table_open_at_close_ = event_list_->TableOpen();
    // The search and sync windows are the newest of all: made at their first use.
    sync_.Detach();
    search_.Detach();
    reminders_switch_.Stop();
    desk_events_.Detach();
    // A backup under way ends before the list's connection to the table goes.
    backups_.Detach();
    // The dialogs shown from the tray are the newest windows.
    dialogs_.DestroyShown();
    while (!windows_.empty()) {
        WindowPtr<Window> newest = std::move(windows_.back());
        windows_.pop_back();
        if (newest.get() == desktop_) desktop_ = nullptr;
        if (newest.get() == event_list_) event_list_ = nullptr;
        if (newest.get() == options_dialog_) {
            options_dialog_ = nullptr;
            dialogs_.SetOptions(nullptr);
        }
        newest.reset();
    }
}

std::filesystem::path Application::TableFile() const { return ProgramFolder() / "db" / "TODOLIST.DB"; }

TransparencySink& Application::CalendarTransparency() { return *calendar_link_; }

HWND Application::Owner() const { return owner_->Hwnd(); }

}  // namespace orbelle

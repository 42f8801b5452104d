#include "app/application.h"

#include "desktop/desktop_window.h"
#include "dialogs/about_box.h"
#include "dialogs/find_dialog.h"
#include "dialogs/options_dialog.h"
#include "eventlist/event_list_window.h"
#include "ui/message_loop.h"

namespace orbelle {
namespace {

// The hidden top-level window that owns the program's windows, so that none
// of them gets a taskbar button of its own.
class OwnerWindow : public Window {
public:
    OwnerWindow() {
        Create({.name = L"OrbelleApplication"}, {.caption = L"Orbelle", .style = WS_POPUP, .x = 0, .y = 0,
                                                 .width = 0, .height = 0});
    }
};

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

}  // namespace

Application::Application(StartupOptions options)
    : options_(std::move(options)),
      program_folder_(options_.program_folder.empty() ? ExecutableFolder() : options_.program_folder),
      owner_(std::make_unique<OwnerWindow>()) {}

Application::~Application() {
    DestroyWindows();
    owner_.reset();
}

bool Application::CreateStartupWindows() {
    desktop_ = &Keep(std::make_unique<DesktopWindow>(*this));
    if (terminated_) return false;  // another copy runs: nothing more is made
    Keep(std::make_unique<FindDialog>(*this));
    options_dialog_ = &Keep(std::make_unique<OptionsDialog>(*this));
    event_list_ = &Keep(std::make_unique<EventListWindow>(*this));
    Keep(std::make_unique<AboutBox>(*this));
    return true;
}

int Application::Run() {
    if (desktop_ && desktop_->Hwnd()) ShowWindow(desktop_->Hwnd(), SW_SHOWNOACTIVATE);
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchOne(message);
    return static_cast<int>(message.wParam);
}

void Application::Terminate() {
    terminated_ = true;
    PostQuitMessage(0);
}

void Application::DestroyWindows() {
    while (!windows_.empty()) {
        std::unique_ptr<Window> newest = std::move(windows_.back());
        windows_.pop_back();
        if (newest.get() == desktop_) desktop_ = nullptr;
        if (newest.get() == event_list_) event_list_ = nullptr;
        if (newest.get() == options_dialog_) options_dialog_ = nullptr;
        newest.reset();
    }
}

bool Application::ConfirmExit(HWND owner) const {
    // The full-width question mark ends the question on every system.
    return MessageBoxW(owner, L"Are you sure you want to exit Orbelle\uFF1F", L"Orbelle:Question", MB_YESNO) ==
           IDYES;
}

HWND Application::Owner() const { return owner_->Hwnd(); }

}  // namespace orbelle

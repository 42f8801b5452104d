#include "win_fixture.h"

#include <random>

#include "eventlist/event_list_window.h"
#include "ui/message_loop.h"

namespace orbelle::testing {
namespace {
MessageBoxAnswerer* g_answerer = nullptr;

BOOL CALLBACK FindMessageBox(HWND window, LPARAM found) {
    if (IsWindowVisible(window) && ClassName(window) == L"#32770") {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

std::wstring WindowText(HWND window) {
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    return text;
}

std::wstring ClassName(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

MessageBoxAnswerer::MessageBoxAnswerer(std::vector<int> answers) : answers_(std::move(answers)) {
    g_answerer = this;
    timer_ = SetTimer(nullptr, 0, 30, Tick);
}

MessageBoxAnswerer::~MessageBoxAnswerer() {
    KillTimer(nullptr, timer_);
    g_answerer = nullptr;
}

void CALLBACK MessageBoxAnswerer::Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (!g_answerer) return;
    HWND box = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindMessageBox, reinterpret_cast<LPARAM>(&box));
    if (!box) return;
    // The box's text is its static control with id 0xFFFF.
    g_answerer->seen_.push_back({WindowText(box), WindowText(GetDlgItem(box, 0xFFFF))});
    int answer = IDOK;
    if (!g_answerer->answers_.empty()) {
        answer = g_answerer->answers_.front();
        g_answerer->answers_.erase(g_answerer->answers_.begin());
    }
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
}

std::filesystem::path InstalledFiles() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    // build/win/tests/win/orbelle_win_tests.exe beside build/assets/dist
    return std::filesystem::path(path).parent_path().parent_path().parent_path().parent_path() / "assets" /
           "dist";
}

std::filesystem::path BuiltProgram() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    // tests/win/orbelle_win_tests.exe sits two folders below Orbelle.exe.
    return std::filesystem::path(path).parent_path().parent_path().parent_path() / "Orbelle.exe";
}

AppTest::AppTest() {
    std::random_device random;
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    folder_ = std::filesystem::path(temp) / ("orbelle-test-" + std::to_string(random()));
    std::filesystem::create_directories(folder_);
    // The pictures a user's program folder holds; a test removes what it needs gone.
    for (const char* part : {"pic", "Skins"})
        std::filesystem::copy(InstalledFiles() / part, folder_ / part, std::filesystem::copy_options::recursive);
}

AppTest::~AppTest() {
    app_.reset();
    MSG quit;  // an exit test leaves its quit request behind
    while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
}

void AppTest::Start() {
    StartupOptions options;
    options.mutex_name = L"orbelle-test-" + folder_.filename().wstring();
    options.program_folder = folder_;
    app_ = std::make_unique<Application>(options);
    ASSERT_TRUE(app_->CreateStartupWindows());
    // Stopped before its tick can come: the queue has not been read yet.
    if (!keep_reminder_scan_ && app_->EventList())
        KillTimer(app_->EventList()->Hwnd(), EventListWindow::kReminderScanTimer);
}

void AppTest::Stop() {
    app_->DestroyWindows();
    app_.reset();
}

std::wstring AppTest::Setting(const wchar_t* section, const wchar_t* key) const {
    wchar_t value[256] = {};
    GetPrivateProfileStringW(section, key, L"", value, 256, SettingsPath().c_str());
    return value;
}

void AppTest::SetSetting(const wchar_t* section, const wchar_t* key, const wchar_t* value) const {
    WritePrivateProfileStringW(section, key, value, SettingsPath().c_str());
}

void AppTest::Pump(int milliseconds) {
    DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds);
    do {
        ProcessPendingMessages();
        Sleep(5);
    } while (GetTickCount() < end);
}

}  // namespace orbelle::testing

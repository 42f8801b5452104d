#include "win_fixture.h"

#include "eventlist/event_list_window.h"
#include "ui/message_loop.h"

namespace orbelle::testing {

MessageBoxAnswerer::MessageBoxAnswerer(std::vector<int> answers)
    : answers_(std::move(answers)), script_({[this] { return AnswerOne(); }}, 30) {}

// Never done: every box that shows while the answerer lives is answered.
bool MessageBoxAnswerer::AnswerOne() {
    auto boxes = ThreadWindows([](HWND window) { return IsWindowVisible(window) && ClassName(window) == L"#32770"; });
    if (boxes.empty()) return false;
    HWND box = boxes.front();
    // The box's text is its static control with id 0xFFFF.
    seen_.push_back({WindowText(box), WindowText(GetDlgItem(box, 0xFFFF))});
    int answer = IDOK;
    if (!answers_.empty()) {
        answer = answers_.front();
        answers_.erase(answers_.begin());
    }
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
    return false;
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
    // The pictures a user's program folder holds; a test removes what it needs gone.
    for (const char* part : {"pic", "Skins"})
        std::filesystem::copy(InstalledFiles() / part, folder_.Path() / part,
                              std::filesystem::copy_options::recursive);
}

AppTest::~AppTest() {
    app_.reset();
    MSG quit;  // an exit test leaves its quit request behind
    while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

void AppTest::Start() {
    StartupOptions options;
    options.mutex_name = L"orbelle-test-" + folder_.Path().filename().wstring();
    options.program_folder = folder_.Path();
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

std::vector<std::string> AppTest::Column(const char* field) const {
    EventCursor cursor;
    cursor.Open(TableFile());
    std::vector<std::string> values;
    for (cursor.First(); !cursor.Eof(); cursor.Next()) values.push_back(cursor.FieldText(field));
    return values;
}

int AppTest::TableRows() const {
    EventCursor cursor;
    cursor.Open(TableFile());
    int rows = 0;
    for (cursor.First(); !cursor.Eof(); cursor.Next()) ++rows;
    return rows;
}

void AppTest::Pump(int milliseconds) {
    DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds);
    do {
        ProcessPendingMessages();
        Sleep(5);
    } while (GetTickCount() < end);
}

}  // namespace orbelle::testing

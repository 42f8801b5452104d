// Orbelle.exe itself, started as a user starts it, from a program folder of its own.
#include <windows.h>

#include <filesystem>
#include <random>

#include "win_fixture.h"

namespace orbelle::testing {
namespace {

std::filesystem::path BuiltProgram() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    // tests/win/orbelle_win_tests.exe sits two folders below Orbelle.exe.
    return std::filesystem::path(path).parent_path().parent_path().parent_path() / "Orbelle.exe";
}

struct WindowSearch {
    DWORD process_id;
    const wchar_t* class_name;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if ((search->process_id == 0 || owner == search->process_id) && ClassName(window) == search->class_name)
        search->found.push_back(window);
    return TRUE;
}

std::vector<HWND> TopWindows(DWORD process_id, const wchar_t* class_name) {
    WindowSearch search{process_id, class_name, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

class ProcessTest : public AppTest {
protected:
    ProcessTest() {
        program_ = ProgramFolder() / "Orbelle.exe";
        std::filesystem::copy_file(BuiltProgram(), program_);
    }

    PROCESS_INFORMATION StartProgram() {
        STARTUPINFOW startup{sizeof startup};
        PROCESS_INFORMATION process{};
        std::wstring command = L"\"" + program_.wstring() + L"\"";
        EXPECT_TRUE(CreateProcessW(program_.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   ProgramFolder().c_str(), &startup, &process));
        return process;
    }

    HWND WaitForCalendar(DWORD process_id) {
        for (int i = 0; i < 200; ++i) {
            auto windows = TopWindows(process_id, L"TForm1");
            if (!windows.empty() && IsWindowVisible(windows[0])) return windows[0];
            Sleep(50);
        }
        return nullptr;
    }

    std::filesystem::path program_;
};

TEST_F(ProcessTest, ASecondCopyEndsSilentlyAndClosingTheCalendarEndsTheFirst) {
    PROCESS_INFORMATION first = StartProgram();
    HWND calendar = WaitForCalendar(first.dwProcessId);
    ASSERT_TRUE(calendar) << "the desktop calendar did not appear";
    ASSERT_TRUE(std::filesystem::exists(TableFile()));  // made at the first start
    auto table_time = std::filesystem::last_write_time(TableFile());

    PROCESS_INFORMATION second = StartProgram();
    EXPECT_EQ(WaitForSingleObject(second.hProcess, 20000), WAIT_OBJECT_0) << "the second copy kept running";
    DWORD code = 1;
    GetExitCodeProcess(second.hProcess, &code);
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(TopWindows(second.dwProcessId, L"TForm1").empty());
    EXPECT_EQ(TopWindows(first.dwProcessId, L"TForm1").size(), 1u);
    EXPECT_EQ(std::filesystem::last_write_time(TableFile()), table_time);
    EXPECT_TRUE(IsWindowVisible(calendar));

    PostMessageW(calendar, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(first.hProcess, 20000), WAIT_OBJECT_0) << "closing the calendar did not end it";
    for (HANDLE handle : {first.hProcess, first.hThread, second.hProcess, second.hThread}) CloseHandle(handle);
}

}  // namespace
}  // namespace orbelle::testing

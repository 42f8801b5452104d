// Orbelle.exe itself, started as a user starts it, from a program folder of its own.
#include <windows.h>

#include <filesystem>
#include <random>

#include "eventlist/commands.h"
#include "win_fixture.h"

namespace orbelle::testing {
namespace {

std::vector<HWND> TopWindows(DWORD process_id, const wchar_t* class_name) {
    return TopLevelWindows(OfClassInProcess(class_name, process_id));
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

namespace orbelle::testing {
namespace {

HWND WaitForVisible(DWORD process_id, const wchar_t* class_name) {
    for (int i = 0; i < 100; ++i) {
        if (HWND found = FirstTopLevelWindow(Visible(OfClassInProcess(class_name, process_id)))) return found;
        Sleep(50);
    }
    return nullptr;
}

int TrayIconCount() {
    HWND tray = FindWindowW(L"__winex11_standalone_tray", nullptr);
    int icons = 0;
    for (HWND child = tray ? GetWindow(tray, GW_CHILD) : nullptr; child; child = GetWindow(child, GW_HWNDNEXT))
        ++icons;
    return icons;
}

TEST_F(ProcessTest, TheTrayMenuOpensAndExitEndsTheProgramWritingItsSettings) {
    int icons_before = TrayIconCount();
    PROCESS_INFORMATION program = StartProgram();
    ASSERT_TRUE(WaitForCalendar(program.dwProcessId));
    auto lists = TopWindows(program.dwProcessId, L"TMainForm");
    ASSERT_EQ(lists.size(), 1u);
    HWND list = lists[0];
    EXPECT_EQ(TrayIconCount(), icons_before + 1);

    // A click on the icon: the shell posts the callback message to the list window.
    PostMessageW(list, WM_USER + 10, 1, WM_RBUTTONUP);
    EXPECT_TRUE(WaitForVisible(program.dwProcessId, L"#32768")) << "the tray menu did not open";
    PostMessageW(list, WM_CANCELMODE, 0, 0);

    PostMessageW(list, WM_COMMAND, kCmdTrayExit, 0);
    HWND question = WaitForVisible(program.dwProcessId, L"#32770");
    ASSERT_TRUE(question);
    EXPECT_EQ(WindowText(question), L"Orbelle:Question");
    PostMessageW(question, WM_COMMAND, IDNO, 0);
    EXPECT_EQ(WaitForSingleObject(program.hProcess, 1000), static_cast<DWORD>(WAIT_TIMEOUT));

    PostMessageW(list, WM_COMMAND, kCmdTrayExit, 0);
    question = WaitForVisible(program.dwProcessId, L"#32770");
    ASSERT_TRUE(question);
    PostMessageW(question, WM_COMMAND, IDYES, 0);
    EXPECT_EQ(WaitForSingleObject(program.hProcess, 20000), WAIT_OBJECT_0);
    EXPECT_EQ(Setting(L"MainForm", L"w"), L"636");
    EXPECT_EQ(Setting(L"listview", L"0"), L"150");
    EXPECT_EQ(TrayIconCount(), icons_before);
    CloseHandle(program.hProcess);
    CloseHandle(program.hThread);
}

}  // namespace
}  // namespace orbelle::testing

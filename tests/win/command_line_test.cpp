// The program's arguments: a command line with nothing after the program's
// name is answered without shell32, and every other one as shell32 splits it.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/command_line.h"

namespace orbelle::testing {
namespace {

std::vector<std::wstring> ShellSplit(const wchar_t* line) {
    int count = 0;
    LPWSTR* values = CommandLineToArgvW(line, &count);
    std::vector<std::wstring> arguments;
    for (int i = 1; values && i < count; ++i) arguments.emplace_back(values[i]);
    LocalFree(values);
    return arguments;
}

TEST(CommandLineArgumentsTest, SplitAsTheShellSplits) {
    const wchar_t* const lines[] = {
        L"\"C:\\Program Files\\Orbelle\\Orbelle.exe\"",
        L"\"C:\\Program Files\\Orbelle\\Orbelle.exe\" \t ",
        L"C:\\Orbelle\\Orbelle.exe",
        L"C:\\Orbelle\\Orbelle.exe   ",
        L"\"C:\\Program Files\\Orbelle\\Orbelle.exe",  // never closed
        L"\"C:\\Program Files\\Orbelle\\Orbelle.exe\" /backup",
        L"\"C:\\Program Files\\Orbelle\\Orbelle.exe\"/backup",  // no blank after the quote
        L"\"C:\\Program Files\\Orbelle\\Orbelle.exe\"x",
        L"C:\\Orbelle\\Orbelle.exe /import \"C:\\My Files\\a b.ics\"",
        L"C:\\Orbelle\\Orbelle.exe\t\"\"",  // one empty argument
        L"Orbelle.exe \"a\\\"b\" c\\\\\"d e\"",
    };
    for (const wchar_t* line : lines) {
        SCOPED_TRACE(::testing::Message() << "command line: " << std::wstring(line));
        EXPECT_EQ(CommandLineArguments(line), ShellSplit(line));
    }
}

}  // namespace
}  // namespace orbelle::testing

#include "platform/standard_streams.h"

#include <windows.h>

#include "platform/handles.h"
#include "platform/wide.h"

namespace orbelle {
namespace {

void WriteStream(DWORD which, const std::string& message) {
    HANDLE handle = GetStdHandle(which);
    OwnedKernelHandle console;
    if (!handle || handle == INVALID_HANDLE_VALUE) {
        if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
        handle = CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                             nullptr);
        if (handle == INVALID_HANDLE_VALUE) return;
        console.Reset(handle);
    }
    DWORD written = 0, mode = 0;
    if (GetConsoleMode(handle, &mode)) {
        std::wstring text = Widen(message.ends_with('\n') ? message.substr(0, message.size() - 1) : message) + L"\r\n";
        WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    } else {
        std::string text = message.ends_with('\n') ? message : message + "\n";
        WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    }
}

}  // namespace

void WriteStandardError(const std::string& message) { WriteStream(STD_ERROR_HANDLE, message); }

void WriteStandardOutput(const std::string& message) { WriteStream(STD_OUTPUT_HANDLE, message); }

std::optional<std::string> ReadStandardInputLine() {
    HANDLE handle = GetStdHandle(STD_INPUT_HANDLE);
    if (!handle || handle == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string line;
    bool any = false;
    char c = 0;
    DWORD read = 0;
    // A byte at a time: what follows the line stays for whoever reads next.
    while (ReadFile(handle, &c, 1, &read, nullptr) && read == 1) {
        any = true;
        if (c == '\n') break;
        line.push_back(c);
    }
    if (!any) return std::nullopt;
    if (line.ends_with('\r')) line.pop_back();
    return line;
}

}  // namespace orbelle

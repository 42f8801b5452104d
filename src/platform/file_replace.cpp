#include "platform/file_replace.h"

#include <windows.h>

#include <system_error>

namespace orbelle {

std::optional<std::string> FileReplaceRefusal(const std::filesystem::path& file) {
    // Asking for deletion, the access a rename over the file needs, while
    // sharing everything: only another handle's refusal to share it fails.
    HANDLE handle = CreateFileW(file.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        CloseHandle(handle);
        return std::nullopt;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return std::nullopt;
    if (error == ERROR_SHARING_VIOLATION) return "it is open in another program";
    return std::system_category().message(static_cast<int>(error));
}

}  // namespace orbelle

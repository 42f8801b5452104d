#include "platform/shell.h"

#include <shellapi.h>

namespace orbelle {

void OpenWithShell(HWND owner, const std::filesystem::path& file) {
    ShellExecuteW(owner, L"open", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace orbelle

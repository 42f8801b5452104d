#include "platform/shell.h"

#include "platform/shell_libraries.h"

namespace orbelle {

void OpenWithShell(HWND owner, const std::filesystem::path& file) {
    ShellExecuteOpen(owner, file.c_str());
}

}  // namespace orbelle

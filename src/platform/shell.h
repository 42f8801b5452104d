#pragma once
// The shell: a document opened with the program the user chose for it.
#include <windows.h>

#include <filesystem>

namespace orbelle {

// Opens the file as a double click in Explorer would; failures are not reported.
void OpenWithShell(HWND owner, const std::filesystem::path& file);

}  // namespace orbelle

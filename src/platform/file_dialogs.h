#pragma once
// The system's Open and Save As dialogs. comdlg32.dll, with the printing DLLs
// it brings, is loaded at the first dialog instead of at every start.
#include <windows.h>
#include <commdlg.h>

namespace orbelle {

// As GetOpenFileNameW and GetSaveFileNameW: false when cancelled, or when the
// system has no comdlg32.dll.
bool ShowOpenFileDialog(OPENFILENAMEW& dialog);
bool ShowSaveFileDialog(OPENFILENAMEW& dialog);

}  // namespace orbelle

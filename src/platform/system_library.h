#pragma once
// The one way the program loads a DLL that is not a known system DLL (GDI+,
// winmm): from the system folder only, never from beside the program, so a
// planted copy is never run. Nothing is in the import table; each caller
// resolves the few functions it uses once and keeps the module to the end of
// the process.
#include <windows.h>

namespace orbelle {

// Null when the system folder holds no such DLL.
HMODULE LoadSystemLibrary(const wchar_t* name);

// The function `name` of the module; false (and a null function) when the
// module is null or lacks it.
template <typename Function>
bool ResolveFunction(HMODULE module, const char* name, Function& function) {
    FARPROC address = module ? GetProcAddress(module, name) : nullptr;
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(address));
    return function != nullptr;
}

}  // namespace orbelle

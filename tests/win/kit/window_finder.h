#pragma once
// Finding windows: those of this thread (the windows under test) or every
// top-level window (another process's), filtered by what the test looks for.
#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace orbelle::testing {

using WindowFilter = std::function<bool(HWND)>;

// Top-level windows in z-order, the topmost first; every one without a filter.
std::vector<HWND> ThreadWindows(const WindowFilter& filter = {});
std::vector<HWND> TopLevelWindows(const WindowFilter& filter = {});

// Filters: a window of the class; of the class in the process (any process
// when the id is 0); visible as well.
WindowFilter OfClass(std::wstring class_name);
WindowFilter OfClassInProcess(std::wstring class_name, DWORD process_id);
WindowFilter Visible(WindowFilter filter);

// The first visible window of this thread with the class; null when none shows.
HWND VisibleThreadWindow(std::wstring_view class_name);
// The first top-level window that passes; null when none does.
HWND FirstTopLevelWindow(const WindowFilter& filter);

std::wstring WindowText(HWND window);
// The window's place on the screen, frame included.
RECT WindowRect(HWND window);
std::wstring ClassName(HWND window);

}  // namespace orbelle::testing

#include "kit/window_finder.h"

namespace orbelle::testing {
namespace {

struct Search {
    const WindowFilter* filter;
    std::vector<HWND> found;
};

BOOL CALLBACK Collect(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    if (!*search->filter || (*search->filter)(window)) search->found.push_back(window);
    return TRUE;
}

}  // namespace

std::vector<HWND> ThreadWindows(const WindowFilter& filter) {
    Search search{&filter, {}};
    EnumThreadWindows(GetCurrentThreadId(), Collect, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<HWND> TopLevelWindows(const WindowFilter& filter) {
    Search search{&filter, {}};
    EnumWindows(Collect, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

WindowFilter OfClass(std::wstring class_name) {
    return [class_name = std::move(class_name)](HWND window) { return ClassName(window) == class_name; };
}

WindowFilter OfClassInProcess(std::wstring class_name, DWORD process_id) {
    return [class_name = std::move(class_name), process_id](HWND window) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        return (process_id == 0 || owner == process_id) && ClassName(window) == class_name;
    };
}

WindowFilter Visible(WindowFilter filter) {
    return [filter = std::move(filter)](HWND window) { return IsWindowVisible(window) && filter(window); };
}

HWND FirstTopLevelWindow(const WindowFilter& filter) {
    auto found = TopLevelWindows(filter);
    return found.empty() ? nullptr : found.front();
}

HWND VisibleThreadWindow(std::wstring_view class_name) {
    auto found = ThreadWindows([&](HWND window) { return IsWindowVisible(window) && ClassName(window) == class_name; });
    return found.empty() ? nullptr : found.front();
}

std::wstring WindowText(HWND window) {
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    return text;
}

RECT WindowRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

std::wstring ClassName(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

}  // namespace orbelle::testing

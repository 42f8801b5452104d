#include "ui/errors.h"

#include "platform/wide.h"

namespace orbelle {
namespace {
std::wstring& Title() {
    static std::wstring title = L"Orbelle";
    return title;
}
}  // namespace

void SetApplicationTitle(std::wstring title) { Title() = std::move(title); }

const std::wstring& ApplicationTitle() { return Title(); }

void ShowStandardError(const std::string& message_utf8) {
    HWND owner = GetActiveWindow();
    MessageBoxW(owner, Widen(message_utf8).c_str(), Title().c_str(), MB_OK | MB_ICONSTOP);
}

}  // namespace orbelle

#include "platform/registry.h"

#include <vector>

#include "platform/settings.h"

namespace orbelle {
namespace {

constexpr wchar_t kInstallKey[] = L"SOFTWARE\\Sorwick_Info";
constexpr wchar_t kInstallValue[] = L"install path";
constexpr wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
// 64-bit Windows gives 32-bit programs their own view of the machine's
// SOFTWARE key, the Run key included. The x86-64 program opens that same
// view, so that both programs find one install path and one start-with-
// Windows value, and a user who switches keeps them. 32-bit Windows and the
// user's own SOFTWARE key, which are not split, ignore the flag.
constexpr REGSAM kSharedView = KEY_WOW64_32KEY;

bool WriteRunValue(HKEY key, const std::wstring& exe_path) {
    const std::wstring data = L"\"" + exe_path + L"\"";
    const auto bytes = static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(key, exe_path.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()), bytes) ==
           ERROR_SUCCESS;
}

void DeleteRunValue(const std::function<OwnedRegKey()>& open, const std::wstring& exe_path) {
    if (!open) return;
    if (OwnedRegKey key = open()) RegDeleteValueW(key.Get(), exe_path.c_str());
}

}  // namespace

std::wstring ReadInstallPath(HKEY machine_root) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(machine_root, kInstallKey, 0, KEY_READ | kSharedView, &opened) != ERROR_SUCCESS) return {};
    OwnedRegKey key(opened);
    // RegGetValueW checks the type and adds the terminating zero that a value
    // written carelessly may lack; the loop rides over a value that grows.
    for (;;) {
        DWORD bytes = 0;
        if (RegGetValueW(key.Get(), nullptr, kInstallValue, RRF_RT_REG_SZ, nullptr, nullptr, &bytes) != ERROR_SUCCESS)
            return {};
        std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1);
        bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
        LSTATUS status = RegGetValueW(key.Get(), nullptr, kInstallValue, RRF_RT_REG_SZ, nullptr, buffer.data(), &bytes);
        if (status == ERROR_MORE_DATA) continue;
        if (status != ERROR_SUCCESS) return {};
        return std::wstring(buffer.data());
    }
}

std::filesystem::path OptionsSettingsPath(const std::filesystem::path& program_folder, HKEY machine_root) {
    const std::wstring install_path = ReadInstallPath(machine_root);
    if (install_path.empty()) return ProgramSettingsPath(program_folder);
    // Joined as text: an install path that ends in a separator gives a doubled
    // one, which the settings file folds away.
    return std::filesystem::path(install_path + L"\\" + std::wstring(kSettingsFileName));
}

OwnedRegKey OpenRunKey(HKEY root) {
    HKEY opened = nullptr;
    if (RegCreateKeyExW(root, kRunKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_QUERY_VALUE | KEY_SET_VALUE | kSharedView,
                        nullptr, &opened, nullptr) != ERROR_SUCCESS)
        return {};
    return OwnedRegKey(opened);
}

RunValuePlace SetStartWithWindows(bool on, const std::wstring& exe_path, const RunKeyOpeners& keys) {
    if (!on) {
        DeleteRunValue(keys.machine, exe_path);
        DeleteRunValue(keys.user, exe_path);
        return RunValuePlace::kNowhere;
    }
    if (keys.machine) {
        if (OwnedRegKey machine = keys.machine(); machine && WriteRunValue(machine.Get(), exe_path)) {
            DeleteRunValue(keys.user, exe_path);
            return RunValuePlace::kMachine;
        }
    }
    if (keys.user) {
        if (OwnedRegKey user = keys.user(); user && WriteRunValue(user.Get(), exe_path)) return RunValuePlace::kUser;
    }
    return RunValuePlace::kNowhere;
}

}  // namespace orbelle

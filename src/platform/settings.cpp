#include "platform/settings.h"

#include <windows.h>

#include <string>

#include "base/convert.h"
#include "base/error.h"
#include "platform/wide.h"

namespace orbelle {

std::filesystem::path ProgramSettingsPath(const std::filesystem::path& program_folder) {
    return program_folder / kSettingsFileName;
}

// lexically_normal folds "C:\dir\\Pellmar.ini" into "C:\dir\Pellmar.ini" and
// turns '/' into '\', so every spelling of one file shares the platform's
// cache of it and the message names the file plainly.
SettingsFile::SettingsFile(std::filesystem::path file) : file_(std::move(file).lexically_normal()) {}

std::string SettingsFile::ReadString(std::string_view section, std::string_view key,
                                     std::string_view default_text) const {
    const std::wstring wide_section = Widen(section);
    const std::wstring wide_key = Widen(key);
    const std::wstring wide_default = Widen(default_text);
    // The platform reports a value cut to the buffer as size - 1 characters:
    // grow until the value fits with room to spare.
    std::wstring buffer(256, L'\0');
    for (;;) {
        DWORD length = GetPrivateProfileStringW(wide_section.c_str(), wide_key.c_str(), wide_default.c_str(),
                                                buffer.data(), static_cast<DWORD>(buffer.size()),
                                                file_.c_str());
        if (length + 1 < buffer.size()) {
            buffer.resize(length);
            return Narrow(buffer);
        }
        buffer.resize(buffer.size() * 2);
    }
}

int SettingsFile::ReadInteger(std::string_view section, std::string_view key,
                              std::string_view default_text) const {
    return StrToInt(ReadString(section, key, default_text));
}

int SettingsFile::ReadIntegerOr(std::string_view section, std::string_view key, int fallback) const {
    return StrToIntDef(ReadString(section, key, ""), fallback);
}

void SettingsFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    // FALSE covers a missing folder, a path that is a folder, a file another
    // program holds open without sharing and, on Windows, a read-only file.
    if (!WritePrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(), Widen(value).c_str(),
                                    file_.c_str())) {
        throw Error("Unable to write to " + Narrow(file_.wstring()));
    }
}

void SettingsFile::WriteInteger(std::string_view section, std::string_view key, int value) {
    WriteString(section, key, std::to_string(value));
}

}  // namespace orbelle

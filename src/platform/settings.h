#pragma once
// The settings file "Pellmar.ini": window places, column widths and options,
// kept in the platform's profile-file format through the platform's own
// profile functions, so section and key names match without regard to case
// ("init" reads what "Init" wrote).
#include <filesystem>
#include <string>
#include <string_view>

namespace orbelle {

inline constexpr std::wstring_view kSettingsFileName = L"Pellmar.ini";

// The settings file in the program folder, where every window but the
// options dialog keeps its keys.
std::filesystem::path ProgramSettingsPath(const std::filesystem::path& program_folder);

// Texts are UTF-8. A missing file reads as empty; the first write creates it.
class SettingsFile {
public:
    // Doubled or mixed separators name the same file as the plain spelling.
    explicit SettingsFile(std::filesystem::path file);

    const std::filesystem::path& Path() const { return file_; }

    // The stored value, or default_text when the key (or the file) is missing.
    // A key present with an empty value reads as "", not as the default.
    std::string ReadString(std::string_view section, std::string_view key, std::string_view default_text) const;

    // The value (or default_text) as a strict decimal integer; throws
    // Error("'<text>' is not a valid integer value"), also for an empty value.
    int ReadInteger(std::string_view section, std::string_view key, std::string_view default_text) const;

    // Decimal, or hexadecimal after "0x"; a missing key and anything else give
    // the fallback without a message (the list's column widths).
    int ReadIntegerOr(std::string_view section, std::string_view key, int fallback) const;

    // Replaces or adds the key (and the section and file); throws
    // Error("Unable to write to <path>") when the file cannot be written.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    // Decimal text, with a minus sign when negative.
    void WriteInteger(std::string_view section, std::string_view key, int value);

private:
    std::filesystem::path file_;
};

}  // namespace orbelle

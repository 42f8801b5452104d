#include "platform/sound_path.h"

#include <array>

#include "base/text.h"

namespace orbelle {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Upper(a[i]) != Upper(b[i])) return false;
    return true;
}

// The system takes these names as devices in any folder and with any
// extension ("nul.wav" is NUL); COM and LPT also with a superscript digit.
bool IsDeviceName(std::string_view part) {
    part = part.substr(0, part.find_first_of(".:"));
    while (!part.empty() && part.back() == ' ') part.remove_suffix(1);
    static constexpr std::array<std::string_view, 6> kNames = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (std::string_view name : kNames)
        if (EqualNoCase(part, name)) return true;
    if (part.size() < 4 || !(EqualNoCase(part.substr(0, 3), "COM") || EqualNoCase(part.substr(0, 3), "LPT")))
        return false;
    std::string_view digit = part.substr(3);
    return (digit.size() == 1 && digit[0] >= '0' && digit[0] <= '9') || digit == "\u00B9" || digit == "\u00B2" ||
           digit == "\u00B3";
}

}  // namespace

std::string SoundFileText(std::string_view program_folder, std::string_view sound_text) {
    std::string_view name = Trim(sound_text);
    if (sound_text.find('\\') != std::string_view::npos) return std::string(name);
    std::string file(program_folder);
    if (!file.empty() && !IsSeparator(file.back())) file += '\\';
    file += "sounds\\";
    file += name;
    return file;
}

std::optional<std::string> SoundPathRefusal(std::string_view sound_text) {
    std::string_view path = Trim(sound_text);
    const std::string quoted = "'" + std::string(path) + "'";
    const bool two_separators = path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]);
    const bool raw_prefix = (two_separators && path.size() >= 4 && (path[2] == '?' || path[2] == '.') &&
                             IsSeparator(path[3])) ||
                            (path.size() >= 4 && IsSeparator(path[0]) && path.substr(1, 2) == "??" &&
                             IsSeparator(path[3]));
    if (raw_prefix) return quoted + " is a device path: only sound files on this computer are played.";
    if (two_separators) return quoted + " lies on another computer: only sound files on this computer are played.";
    for (std::size_t start = 0; start <= path.size();) {
        std::size_t end = start;
        while (end < path.size() && !IsSeparator(path[end])) ++end;
        if (IsDeviceName(path.substr(start, end - start)))
            return quoted + " names a device, not a sound file.";
        start = end + 1;
    }
    return std::nullopt;
}

}  // namespace orbelle

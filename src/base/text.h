#pragma once
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace orbelle {

// The first max_chars characters of UTF-8 text, never cutting inside one.
std::string_view CutUtf8(std::string_view text, std::size_t max_chars);

// Equal when only the case of the letters A to Z differs.
bool SameIgnoringAsciiCase(std::string_view a, std::string_view b);

// Leading and trailing blanks and control characters removed.
std::string_view Trim(std::string_view text);

std::string PathToUtf8(const std::filesystem::path& path);

}  // namespace orbelle

#pragma once
// Whether Windows lets a file be renamed over now: while any handle holds
// it without sharing its deletion (as SQLite opens its files), the rename
// fails. Asked before anything is changed for the replacement.
#include <filesystem>
#include <optional>
#include <string>

namespace orbelle {

// The system's words for why the file cannot be replaced now, or nothing
// when it can (or does not exist).
std::optional<std::string> FileReplaceRefusal(const std::filesystem::path& file);

}  // namespace orbelle

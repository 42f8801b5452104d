#pragma once
// A fingerprint of a database's whole content: its schema and every row of
// every table, read in one transaction. Two files with the same fingerprint
// hold the same data (up to a 64-bit hash collision); page layout, free pages
// and the header counters that a copy changes play no part.
#include <cstdint>
#include <filesystem>

namespace orbelle {

// Throws Error when the file cannot be read.
std::uint64_t ContentFingerprint(const std::filesystem::path& file);

}  // namespace orbelle

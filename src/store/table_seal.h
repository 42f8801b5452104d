#pragma once
// The mark of a clean close. Checking the whole table (PRAGMA quick_check)
// is the largest step of opening a big one, and a file that nobody changed
// since this program last closed it cleanly, after a checked open, needs no
// check again. The mark is a small file of our own beside the table holding
// what identifies the file's state: its size, its modification time, and
// from SQLite's header the change counter, the page count and the schema
// cookie. It is trusted only while all of these agree and no journal or log
// waits beside the file; any change, by us or anyone, breaks it.
#include <filesystem>

namespace orbelle {

// Where the mark of `table` lies.
std::filesystem::path SealFile(const std::filesystem::path& table);

// Marks the table as closed cleanly, as it is now. Call it only with no
// connection open to the table, and only when it passed its check when
// opened. Never throws: without the mark, the next open checks in full.
void SealTable(const std::filesystem::path& table);

// True when the table is in the state its mark describes. Never throws.
bool SealHolds(const std::filesystem::path& table);

// Takes the mark away (before the table is replaced). Never throws.
void BreakSeal(const std::filesystem::path& table);

}  // namespace orbelle

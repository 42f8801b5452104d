#pragma once
// The events of the table file as the search reads them, on a read-only
// connection of its own that is open only while it reads: the list's cursor
// and a restore never wait for it.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

#include "base/datefmt.h"
#include "search/event_search.h"

namespace orbelle {

// Every event; Error when the table cannot be read.
std::vector<SearchEvent> ReadSearchEvents(const std::filesystem::path& table, const LocaleNames& names);
// One event; empty when it is gone.
std::optional<SearchEvent> ReadSearchEvent(const std::filesystem::path& table, std::int64_t id,
                                           const LocaleNames& names);

}  // namespace orbelle

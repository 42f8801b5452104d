#pragma once
// Import and export of whole files against the event table: what the Tools
// menu items and the command-line forms run.
#include <filesystem>
#include <string>
#include <vector>

#include "base/datefmt.h"
#include "base/datetime.h"
#include "exchange/ical_reader.h"
#include "exchange/time_zone.h"

namespace orbelle {

// What the exchange needs from the machine: the local zone's rules, the
// locale's names, and the present moment.
struct ExchangeContext {
    ZoneRules local_zone;
    LocaleNames names;
    DateTime now_local;
};

enum class ImportOutcome {
    Imported,          // exit code 0
    Refused,           // 1: the file is no good; nothing was stored
    TableUnavailable,  // 2: the event table could not be opened or written
};

struct ImportReport {
    ImportOutcome outcome = ImportOutcome::Imported;
    std::string message;  // why it was refused or failed
    std::size_t added = 0;
    std::size_t updated = 0;
    std::vector<ical::ImportNote> notes;

    // The summary shown to the user: counts, then each skipped or
    // simplified event with its reason; or the reason for a refusal.
    std::string Summary() const;
};

ImportReport ImportICalendarFile(const std::filesystem::path& table, const std::filesystem::path& file,
                                 const ExchangeContext& context, const ical::ReadLimits& limits = {});

// Both write the whole file, or leave any earlier one as it was; Error on
// failure (the table cannot be opened, the file cannot be written).
void ExportICalendarFile(const std::filesystem::path& table, const std::filesystem::path& file,
                         const ExchangeContext& context);
void ExportCsvFile(const std::filesystem::path& table, const std::filesystem::path& file,
                   const ExchangeContext& context);

}  // namespace orbelle

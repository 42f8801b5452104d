#include "exchange/exchange_files.h"

#include "base/error.h"
#include "base/stdio_file.h"
#include "base/text.h"
#include "exchange/csv_writer.h"
#include "exchange/ical_time.h"
#include "exchange/ical_writer.h"
#include "store/exchange_store.h"

namespace orbelle {
namespace {

std::string Plural(std::size_t count, const char* word) {
    return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

// Written beside the target and renamed over it, so a failure leaves no half file.
void WriteWholeFile(const std::filesystem::path& file, const std::string& content) {
    std::filesystem::path temporary = file;
    temporary += ".part";
    {
        StdioFile out(temporary, "wb");
        if (!out) throw Error("Cannot write " + PathToUtf8(file));
        bool written = out.Write(content);
        if (!out.Close() || !written) {
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            throw Error("Cannot write " + PathToUtf8(file));
        }
    }
    std::error_code ec;
    std::filesystem::rename(temporary, file, ec);
    if (ec) {
        std::filesystem::remove(temporary, ec);
        throw Error("Cannot write " + PathToUtf8(file));
    }
}

}  // namespace

std::string ImportReport::Summary() const {
    if (outcome != ImportOutcome::Imported) return message;
    std::string text = Plural(added, "event") + " added, " + std::to_string(updated) + " already there (updated).";
    for (const ical::ImportNote& note : notes) {
        text += "\n" + std::string(note.skipped ? "Skipped" : "Simplified") + " (line " + std::to_string(note.line) +
                (note.subject.empty() ? "" : ", \"" + note.subject + "\"") + "): " + note.reason;
    }
    return text;
}

ImportReport ImportICalendarFile(const std::filesystem::path& table, const std::filesystem::path& file,
                                 const ExchangeContext& context, const ical::ReadLimits& limits) {
    ImportReport report;
    auto refuse = [&](std::string message) {
        report.outcome = ImportOutcome::Refused;
        report.message = "The file " + PathToUtf8(file) + " was not imported: " + message;
        return report;
    };
    std::error_code ec;
    auto size = std::filesystem::file_size(file, ec);
    if (ec) return refuse("it cannot be read");
    if (size > limits.max_file_bytes)
        return refuse("it is larger than " + std::to_string(limits.max_file_bytes >> 20) + " MB");
    std::string text;
    {
        StdioFile in(file, "rb");
        if (!in) return refuse("it cannot be read");
        text.resize(static_cast<std::size_t>(size));
        if (!in.Read(text.data(), text.size())) return refuse("it cannot be read");
    }
    ical::CalendarReading reading =
        ical::ReadICalendar(text, context.local_zone, context.now_local, context.names, limits);
    if (reading.failure) {
        std::string where = reading.failure->line ? "line " + std::to_string(reading.failure->line) + ": " : "";
        return refuse(where + reading.failure->message);
    }
    std::vector<IncomingEvent> incoming;
    incoming.reserve(reading.events.size());
    for (ical::ImportedEvent& event : reading.events) incoming.push_back({event.uid, std::move(event.record)});
    try {
        ExchangeStore store(table);
        StoreCounts counts = store.Store(incoming);
        report.added = counts.added;
        report.updated = counts.updated;
    } catch (const Error& error) {
        report.outcome = ImportOutcome::TableUnavailable;
        report.message = error.what();
        return report;
    }
    report.notes = std::move(reading.notes);
    return report;
}

void ExportICalendarFile(const std::filesystem::path& table, const std::filesystem::path& file,
                         const ExchangeContext& context) {
    ExchangeStore store(table);
    std::vector<StoredEvent> stored_events = store.LoadAll();
    std::vector<ical::ExportedEvent> events;
    events.reserve(stored_events.size());
    for (StoredEvent& stored : stored_events) events.push_back({std::move(stored.uid), std::move(stored.record)});
    DateTime now_utc = context.local_zone.ToUtc(context.now_local);
    WriteWholeFile(file, ical::WriteICalendar(events, context.local_zone, now_utc, context.names));
}

void ExportCsvFile(const std::filesystem::path& table, const std::filesystem::path& file,
                   const ExchangeContext& context) {
    ExchangeStore store(table);
    std::vector<StoredEvent> stored_events = store.LoadAll();
    std::vector<CsvEvent> events;
    events.reserve(stored_events.size());
    for (StoredEvent& stored : stored_events) events.push_back({stored.id, std::move(stored.record)});
    WriteWholeFile(file, WriteEventsCsv(events, context.names));
}

}  // namespace orbelle

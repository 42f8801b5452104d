#include "exchange/exchange_files.h"

#include <algorithm>

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

// Written beside the target in pieces and renamed over it at the end, so a
// failure leaves no half file; at most a piece of text is held at a time.
class FileInPieces {
public:
    explicit FileInPieces(const std::filesystem::path& file)
        : file_(file), temporary_(std::filesystem::path(file) += ".part"), out_(temporary_, "wb") {
        if (!out_) throw Error("Cannot write " + PathToUtf8(file_));
        text_.reserve(kPiece + kPiece / 4);
    }
    FileInPieces(const FileInPieces&) = delete;
    FileInPieces& operator=(const FileInPieces&) = delete;
    ~FileInPieces() {
        if (finished_) return;
        out_.Close();
        std::error_code ignored;
        std::filesystem::remove(temporary_, ignored);
    }

    // The text to append to; call Written after each addition.
    std::string& Text() { return text_; }
    void Written() {
        if (text_.size() >= kPiece) Flush();
    }

    void Finish() {
        Flush();
        if (!out_.Close()) throw Error("Cannot write " + PathToUtf8(file_));
        std::error_code ec;
        std::filesystem::rename(temporary_, file_, ec);
        if (ec) throw Error("Cannot write " + PathToUtf8(file_));
        finished_ = true;
    }

private:
    static constexpr std::size_t kPiece = 1 << 20;

    void Flush() {
        if (!out_.Write(text_)) throw Error("Cannot write " + PathToUtf8(file_));
        text_.clear();
    }

    std::filesystem::path file_;
    std::filesystem::path temporary_;
    StdioFile out_;
    std::string text_;
    bool finished_ = false;
};

// Thrown out of the import's transaction to roll it back: the file is refused.
struct NotImported {};

// The file's first `size` bytes through the reader, a piece at a time;
// false when they cannot be read.
bool ReadInPieces(const std::filesystem::path& file, std::uintmax_t size, ical::PieceReader& reader) {
    constexpr std::size_t kPiece = 1 << 20;
    StdioFile in(file, "rb");
    if (!in) return false;
    std::string piece(static_cast<std::size_t>(std::min<std::uintmax_t>(size, kPiece)), '\0');
    for (std::uintmax_t left = size; left > 0;) {
        std::size_t length = static_cast<std::size_t>(std::min<std::uintmax_t>(left, kPiece));
        if (!in.Read(piece.data(), length)) return false;
        left -= length;
        if (!reader.Feed(std::string_view(piece.data(), length))) return true;
    }
    reader.Finish();
    return true;
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
    // True when the whole file reads well; `refusal` says why not.
    std::string refusal;
    auto read_file = [&](const ical::PieceReader::EventTaker& take) {
        ical::PieceReader reader(context.local_zone, context.now_local, context.names, take, limits);
        if (!ReadInPieces(file, size, reader)) {
            refusal = "it cannot be read";
        } else if (const auto& failure = reader.Failure()) {
            refusal = (failure->line ? "line " + std::to_string(failure->line) + ": " : "") + failure->message;
        } else {
            report.notes = reader.TakeNotes();
            return true;
        }
        return false;
    };
    // Each event is stored as it is read, so that the file's records are
    // never held all at once; a file refused on its last line rolls back
    // what went before it.
    try {
        ExchangeStore store(table);
        store.InTransaction([&](sql::Database& db) {
            EventStorer storer(db);
            if (!read_file([&](ical::ImportedEvent& event) { storer.Store(event); })) throw NotImported{};
            report.added = storer.Counts().added;
            report.updated = storer.Counts().updated;
        });
    } catch (const NotImported&) {
        return refuse(refusal);
    } catch (const Error& error) {
        // A file that is no good is refused whatever became of the table, as
        // when the file was read before the table was opened: it is read
        // again, to its end.
        ImportReport unavailable{.outcome = ImportOutcome::TableUnavailable, .message = error.what()};
        report = {};
        if (!read_file([](ical::ImportedEvent&) {})) return refuse(refusal);
        return unavailable;
    }
    return report;
}

void ExportICalendarFile(const std::filesystem::path& table, const std::filesystem::path& file,
                         const ExchangeContext& context) {
    ExchangeStore store(table);
    const ical::ICalendarPieces pieces(context.local_zone, context.local_zone.ToUtc(context.now_local), context.names);
    FileInPieces out(file);
    pieces.Head(out.Text());
    ical::ExportedEvent event;
    store.VisitAll([&](StoredEvent& stored) {
        event.uid = std::move(stored.uid);
        event.record = std::move(stored.record);
        pieces.Event(event, out.Text());
        out.Written();
        // Back for the next row, so that their strings are reused.
        stored.uid = std::move(event.uid);
        stored.record = std::move(event.record);
    });
    ical::ICalendarPieces::Tail(out.Text());
    out.Finish();
}

void ExportCsvFile(const std::filesystem::path& table, const std::filesystem::path& file,
                   const ExchangeContext& context) {
    ExchangeStore store(table);
    FileInPieces out(file);
    AppendCsvHead(out.Text());
    CsvEvent event;
    store.VisitAll([&](StoredEvent& stored) {
        event.id = stored.id;
        event.record = std::move(stored.record);
        AppendCsvRow(event, context.names, out.Text());
        out.Written();
        stored.record = std::move(event.record);
    });
    out.Finish();
}

}  // namespace orbelle

#pragma once
// Reads an iCalendar file into the records the program would store for its
// events: all or nothing, so a file that breaks the grammar gives no event
// and says where it broke.
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/datefmt.h"
#include "base/datetime.h"
#include "exchange/time_zone.h"
#include "store/event_record.h"
#include "store/exchange_store.h"

namespace orbelle::ical {

struct ReadLimits {
    std::size_t max_file_bytes = 50u << 20;
    std::size_t max_line_bytes = 1u << 20;  // after unfolding
    std::size_t max_events = 100'000;
};

// What the table stores (uid empty when the file gives none), and where.
struct ImportedEvent : IncomingEvent {
    std::size_t line = 0;  // of its BEGIN:VEVENT
};

// An event skipped, or imported simplified, and why.
struct ImportNote {
    std::size_t line = 0;
    std::string subject;
    std::string reason;
    bool skipped = false;
};

struct ReadFailure {
    std::size_t line = 0;  // 0: the file as a whole
    std::string message;
};

struct CalendarReading {
    std::vector<ImportedEvent> events;
    std::vector<ImportNote> notes;
    std::optional<ReadFailure> failure;  // set: nothing may be stored
};

// `local` is the zone the program's times are in; `now_local` the moment of
// the import in it.
CalendarReading ReadICalendar(std::string_view text, const ZoneRules& local, DateTime now_local,
                              const LocaleNames& names, const ReadLimits& limits = {});

// The same reading for a file handed over in pieces, so that neither its text
// nor its records are held whole: each event goes to `take` as soon as it is
// read, in the file's order. An event naming a zone that the file describes
// only further on waits for the end of the file, and so does every event
// after it, so that the order holds. A file refused late has had events
// taken already: the caller forgets them (the import rolls them back).
class PieceReader {
public:
    // `take` may move from the event it is given.
    using EventTaker = std::function<void(ImportedEvent&)>;
    PieceReader(const ZoneRules& local, DateTime now_local, const LocaleNames& names, EventTaker take,
                const ReadLimits& limits = {});
    ~PieceReader();
    PieceReader(const PieceReader&) = delete;
    PieceReader& operator=(const PieceReader&) = delete;

    // The next piece of the text; a piece may end anywhere, even inside a
    // character. False once the file is refused: nothing more is read.
    bool Feed(std::string_view piece);
    // After the last piece: the events that waited are taken. False when
    // the file is refused.
    bool Finish();

    // Set once the file is refused.
    const std::optional<ReadFailure>& Failure() const;
    // What was skipped or simplified, in the file's order once Finish has run.
    std::vector<ImportNote> TakeNotes();

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace orbelle::ical

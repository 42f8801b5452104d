#pragma once
// The search over every event: words matched in any order as parts of words,
// without regard to case or accents, in the subject, memo, type, priority and
// the sound's name; filters of a date range (an event matches when one of its
// occurrences falls in it), the type and done events. The index keeps the
// folded texts in one block and each event in a few dozen bytes, so that a
// keystroke's search over 100,000 events is one pass through memory.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/datetime.h"
#include "base/recurrence.h"

namespace orbelle {

// One event as the search reads it.
struct SearchEvent {
    std::int64_t id = 0;
    std::string subject;
    std::string memo;
    std::string type;
    std::string priority;
    std::string sound;  // a bare name or a full path; only its file name is searched
    DateTime start;
    RecurrenceRule rule;  // the kind None for an event that does not recur
    bool done = false;    // accepted
};

struct SearchQuery {
    std::string text;  // UTF-8, as typed
    // Whole days, both included; empty is no limit on that side.
    std::optional<year_month_day> from;
    std::optional<year_month_day> to;
    std::optional<std::string> type;  // none: every type
    bool include_done = false;

    // Neither words nor a date range nor a type: nothing to search for.
    bool Empty() const;
    bool HasDateRange() const { return from || to; }
};

enum class SearchColumn { Next, Subject, Type, Priority, Recurrence };

struct SearchHit {
    std::uint32_t slot = 0;  // the event's place in the index, until the index changes
    // The first occurrence in the date range; without one the next occurrence
    // from today on, or the start when there is none or the event is done.
    DateTime shown;
    std::uint32_t occurrences = 0;  // in the date range
};

struct SearchResult {
    std::vector<SearchHit> hits;
    std::uint64_t occurrences = 0;  // in the date range, over every hit
    std::vector<std::string> terms;
};

class SearchIndex {
public:
    // Every event afresh; today is where "next occurrence" counts from.
    void Reset(std::vector<SearchEvent> events, DateTime today);
    // A saved event, new or changed; a removed one.
    void Put(const SearchEvent& event);
    void Remove(std::int64_t id);
    // Today moved on: every next occurrence again.
    void SetToday(DateTime today);

    std::size_t Size() const { return entries_.size(); }
    // The bytes the index holds, its spare capacity included.
    std::size_t MemoryBytes() const;

    SearchResult Find(const SearchQuery& query) const;
    // The same into a result whose memory is used again, as a window
    // searching at every key does.
    void Find(const SearchQuery& query, SearchResult& into) const;
    void Sort(SearchResult& result, SearchColumn column, bool ascending) const;

    // What a hit shows; slot as in its hit.
    std::int64_t Id(std::uint32_t slot) const { return entries_[slot].id; }
    std::string_view Subject(std::uint32_t slot) const;
    const std::string& Type(std::uint32_t slot) const { return names_[entries_[slot].type].text; }
    const std::string& Priority(std::uint32_t slot) const { return names_[entries_[slot].priority].text; }
    RecurrenceRule Rule(std::uint32_t slot) const;
    bool Done(std::uint32_t slot) const { return entries_[slot].done; }
    std::optional<std::uint32_t> SlotOf(std::int64_t id) const;

private:
    struct Entry {
        std::int64_t id = 0;
        DateTime start;
        DateTime next;  // from today on; the start when none
        PackedRule rule;
        // The folded subject, memo and sound's file name, a newline between each.
        std::uint32_t folded_at = 0;
        std::uint32_t folded_length = 0;
        std::uint32_t subject_at = 0;  // the subject as stored
        std::uint16_t subject_length = 0;
        std::uint16_t folded_subject_length = 0;
        // Indexes into the few distinct types and priorities.
        std::uint16_t type = 0;
        std::uint16_t priority = 0;
        bool done = false;
    };
    struct Name {
        std::string text;
        std::string folded;
    };

    Entry MakeEntry(const SearchEvent& event);
    std::uint16_t NameIndex(std::string_view text);
    DateTime NextFromToday(const Entry& entry) const;
    // Terms of at most 64 words: `named` has bit t set for each term t that
    // the entry's type or priority holds.
    bool Matches(const Entry& entry, const std::vector<std::string>& terms, std::uint64_t named) const;
    // Drops the texts no entry refers to any more, once they are half the block.
    void CompactIfWasteful();

    std::vector<Entry> entries_;  // in Id order
    std::string text_;            // folded texts and subjects, entry after entry
    std::size_t wasted_ = 0;      // bytes of text_ no entry refers to
    std::vector<Name> names_;
    DateTime today_;
};

}  // namespace orbelle

#include "search/event_search.h"

#include <algorithm>
#include <limits>
#include <tuple>

#include "base/error.h"
#include "base/occurrences.h"
#include "search/text_fold.h"

namespace orbelle {
namespace {

std::string_view FileName(std::string_view path) {
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// The editor's priorities from the highest; any other text after them.
int PriorityRank(std::string_view priority) {
    constexpr std::string_view kOrder[] = {"highest", "high", "normal", "low", "lowest"};
    const std::string folded = Folded(priority);
    for (int i = 0; i < 5; ++i)
        if (folded == kOrder[i]) return i;
    return 5;
}

constexpr std::size_t kMaxNames = std::numeric_limits<std::uint16_t>::max();

}  // namespace

bool SearchQuery::Empty() const { return SearchTerms(text).empty() && !HasDateRange() && !type; }

std::uint16_t SearchIndex::NameIndex(std::string_view text) {
    for (std::size_t i = 0; i < names_.size(); ++i)
        if (names_[i].text == text) return static_cast<std::uint16_t>(i);
    // A table with more distinct types and priorities than this is no one's:
    // the rest share the last name.
    if (names_.size() >= kMaxNames) return static_cast<std::uint16_t>(kMaxNames - 1);
    names_.push_back({std::string(text), Folded(text)});
    return static_cast<std::uint16_t>(names_.size() - 1);
}

SearchIndex::Entry SearchIndex::MakeEntry(const SearchEvent& event) {
    Entry entry;
    entry.id = event.id;
    entry.start = event.start;
    entry.rule = PackedRule::Of(event.rule);
    entry.done = event.done;
    entry.type = NameIndex(event.type);
    entry.priority = NameIndex(event.priority);
    // Subjects are at most 50 characters; a longer one from another program is cut.
    const std::string_view subject = std::string_view(event.subject).substr(0, 4000);
    entry.subject_at = static_cast<std::uint32_t>(text_.size());
    entry.subject_length = static_cast<std::uint16_t>(subject.size());
    text_ += subject;
    entry.folded_at = static_cast<std::uint32_t>(text_.size());
    AppendFolded(subject, text_);
    entry.folded_subject_length = static_cast<std::uint16_t>(std::min<std::size_t>(text_.size() - entry.folded_at, 0xFFFF));
    text_ += '\n';
    AppendFolded(event.memo, text_);
    text_ += '\n';
    AppendFolded(FileName(event.sound), text_);
    entry.folded_length = static_cast<std::uint32_t>(text_.size() - entry.folded_at);
    if (text_.size() > std::numeric_limits<std::uint32_t>::max()) throw Error("too many events to search");
    entry.next = NextFromToday(entry);
    return entry;
}

DateTime SearchIndex::NextFromToday(const Entry& entry) const {
    if (entry.done) return entry.start;
    return FirstOccurrenceAtOrAfter(entry.rule.Rule(), entry.start, today_).value_or(entry.start);
}

void SearchIndex::Reset(std::vector<SearchEvent> events, DateTime today) {
    entries_.clear();
    text_.clear();
    names_.clear();
    wasted_ = 0;
    today_ = today.DateOnly();
    std::sort(events.begin(), events.end(), [](const SearchEvent& a, const SearchEvent& b) { return a.id < b.id; });
    entries_.reserve(events.size());
    for (const SearchEvent& event : events) entries_.push_back(MakeEntry(event));
    entries_.shrink_to_fit();
    text_.shrink_to_fit();
}

void SearchIndex::SetToday(DateTime today) {
    today_ = today.DateOnly();
    for (Entry& entry : entries_) entry.next = NextFromToday(entry);
}

std::optional<std::uint32_t> SearchIndex::SlotOf(std::int64_t id) const {
    auto found = std::lower_bound(entries_.begin(), entries_.end(), id,
                                  [](const Entry& entry, std::int64_t wanted) { return entry.id < wanted; });
    if (found == entries_.end() || found->id != id) return std::nullopt;
    return static_cast<std::uint32_t>(found - entries_.begin());
}

void SearchIndex::Put(const SearchEvent& event) {
    Entry entry = MakeEntry(event);
    if (auto slot = SlotOf(event.id)) {
        Entry& old = entries_[*slot];
        wasted_ += old.subject_length + old.folded_length;
        old = entry;
    } else {
        auto at = std::lower_bound(entries_.begin(), entries_.end(), event.id,
                                   [](const Entry& e, std::int64_t wanted) { return e.id < wanted; });
        entries_.insert(at, entry);
    }
    CompactIfWasteful();
}

void SearchIndex::Remove(std::int64_t id) {
    auto slot = SlotOf(id);
    if (!slot) return;
    wasted_ += entries_[*slot].subject_length + entries_[*slot].folded_length;
    entries_.erase(entries_.begin() + *slot);
    CompactIfWasteful();
}

void SearchIndex::CompactIfWasteful() {
    if (wasted_ * 2 < text_.size()) return;
    std::string kept;
    kept.reserve(text_.size() - wasted_);
    for (Entry& entry : entries_) {
        const std::uint32_t subject_at = static_cast<std::uint32_t>(kept.size());
        kept.append(text_, entry.subject_at, entry.subject_length);
        const std::uint32_t folded_at = static_cast<std::uint32_t>(kept.size());
        kept.append(text_, entry.folded_at, entry.folded_length);
        entry.subject_at = subject_at;
        entry.folded_at = folded_at;
    }
    text_ = std::move(kept);
    wasted_ = 0;
}

std::size_t SearchIndex::MemoryBytes() const {
    std::size_t bytes = entries_.capacity() * sizeof(Entry) + text_.capacity() + names_.capacity() * sizeof(Name);
    for (const Name& name : names_) bytes += name.text.capacity() + name.folded.capacity();
    return bytes;
}

std::string_view SearchIndex::Subject(std::uint32_t slot) const {
    const Entry& entry = entries_[slot];
    return std::string_view(text_).substr(entry.subject_at, entry.subject_length);
}

RecurrenceRule SearchIndex::Rule(std::uint32_t slot) const { return entries_[slot].rule.Rule(); }

bool SearchIndex::Matches(const Entry& entry, const std::vector<std::string>& terms, std::uint64_t named) const {
    const std::string_view folded = std::string_view(text_).substr(entry.folded_at, entry.folded_length);
    for (std::size_t t = 0; t < terms.size(); ++t)
        if (!(named >> t & 1) && folded.find(terms[t]) == std::string_view::npos) return false;
    return true;
}

SearchResult SearchIndex::Find(const SearchQuery& query) const {
    SearchResult result;
    Find(query, result);
    return result;
}

void SearchIndex::Find(const SearchQuery& query, SearchResult& result) const {
    result.hits.clear();
    result.occurrences = 0;
    result.terms.clear();
    if (query.Empty()) return;
    result.terms = SearchTerms(query.text);
    // More words than anyone types: the rest are left out.
    if (result.terms.size() > 64) result.terms.resize(64);
    // Which terms each type or priority holds, worked out once per search.
    std::vector<std::uint64_t> name_terms(names_.size());
    for (std::size_t n = 0; n < names_.size(); ++n)
        for (std::size_t t = 0; t < result.terms.size(); ++t)
            if (names_[n].folded.find(result.terms[t]) != std::string::npos) name_terms[n] |= std::uint64_t{1} << t;
    // The type as the editor's list names it, without regard to case.
    std::optional<std::uint16_t> type;
    if (query.type) {
        const std::string wanted = Folded(*query.type);
        for (std::size_t i = 0; i < names_.size() && !type; ++i)
            if (names_[i].folded == wanted) type = static_cast<std::uint16_t>(i);
        if (!type) return;
    }
    const DateTime from = query.from ? DateTime::FromDate(*query.from) : DateTime(DateTime::kFirstDay);
    // Through the last millisecond of the last day.
    const DateTime to = query.to ? DateTime(DateTime::FromDate(*query.to).Days() + (86400000.0 - 0.5) / 86400000.0)
                                 : DateTime(DateTime::kLastDay + 0.9999);
    const bool ranged = query.HasDateRange();
    for (std::uint32_t slot = 0; slot < entries_.size(); ++slot) {
        const Entry& entry = entries_[slot];
        if (entry.done && !query.include_done) continue;
        if (type && entry.type != *type) continue;
        if (!Matches(entry, result.terms, name_terms[entry.type] | name_terms[entry.priority])) continue;
        SearchHit hit{.slot = slot, .shown = entry.next};
        if (ranged) {
            const OccurrencesInRange inside = OccurrencesBetween(entry.rule.Rule(), entry.start, from, to);
            if (inside.count == 0) continue;
            hit.shown = *inside.first;
            hit.occurrences = static_cast<std::uint32_t>(std::min<std::size_t>(inside.count, 0xFFFFFFFF));
            result.occurrences += inside.count;
        }
        result.hits.push_back(hit);
    }
}

void SearchIndex::Sort(SearchResult& result, SearchColumn column, bool ascending) const {
    // Equal keys keep the table's order (the slot's), in place: no memory
    // is taken at each key.
    auto by = [&](auto key) {
        std::sort(result.hits.begin(), result.hits.end(), [&](const SearchHit& a, const SearchHit& b) {
            const auto ka = key(a), kb = key(b);
            if (ka < kb) return ascending;
            if (kb < ka) return !ascending;
            return a.slot < b.slot;
        });
    };
    auto folded_subject = [&](const SearchHit& hit) {
        const Entry& entry = entries_[hit.slot];
        return std::string_view(text_).substr(entry.folded_at, entry.folded_subject_length);
    };
    switch (column) {
        case SearchColumn::Next: by([](const SearchHit& hit) { return hit.shown; }); break;
        case SearchColumn::Subject: by(folded_subject); break;
        case SearchColumn::Type:
            by([&](const SearchHit& hit) -> std::string_view { return names_[entries_[hit.slot].type].folded; });
            break;
        case SearchColumn::Priority: {
            std::vector<int> ranks(names_.size());
            for (std::size_t i = 0; i < names_.size(); ++i) ranks[i] = PriorityRank(names_[i].text);
            by([&](const SearchHit& hit) { return ranks[entries_[hit.slot].priority]; });
            break;
        }
        case SearchColumn::Recurrence:
            // Kinds in the editor's order, then the rule's own numbers.
            by([&](const SearchHit& hit) {
                const PackedRule& r = entries_[hit.slot].rule;
                return std::tuple(r.kind, r.variant, r.every, r.month, r.day, r.ordinal, r.weekday, r.on);
            });
            break;
    }
}

}  // namespace orbelle

#pragma once
// The recurrence rule as an event record stores it: the kind in Dwmy, the
// counts as numbers, the ordinals as the editor's words and the weekdays and
// months as the locale's names in force when the record was saved.
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/datefmt.h"
#include "base/recurrence.h"

namespace orbelle {

// The stored text of a field, by name ("" for an empty one).
using FieldTextReader = std::function<std::string(std::string_view field)>;

// The ordinal words the record stores, index for index with the rules.
inline constexpr std::string_view kMonthlyOrdinalWords[] = {"First", "Second", "Third", "Forth", "Last"};
inline constexpr std::string_view kYearlyOrdinalWords[] = {"First", "Second", "Third", "Last"};

// Names longer than this many characters are cut when stored.
inline constexpr std::size_t kStoredNameLength = 10;

// True when the record's Recurrence box is ticked (Repleat "Y"): only then do
// its rule fields describe repeats.
bool EventRecurs(const FieldTextReader& field);

// Every rule field of the record. Names match the given ones without regard to
// case, whole or cut to the stored length. Unreadable values become values no
// occurrence comes from (a count of 0, an index of -1), never a guess: see
// RuleCanOccur. An unknown Dwmy gives the kind None.
RecurrenceRule RuleFromFields(const FieldTextReader& field, const LocaleNames& names);

// The rule of an event for its occurrences: RuleFromFields when it recurs, the
// kind None (its start alone) when it does not.
RecurrenceRule EventRule(const FieldTextReader& field, const LocaleNames& names);

// The field texts the editor stores for this rule, every rule field from Dwmy
// to Year_week3 in table order; names cut to the stored length.
std::vector<std::pair<std::string_view, std::string>> FieldsFromRule(const RecurrenceRule& rule,
                                                                     const LocaleNames& names);

}  // namespace orbelle

#pragma once
// An event record as plain values, away from any cursor or window: what the
// exchange formats read and write. Values keep the table's own types, so a
// record read, written out and read back compares equal.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "base/datetime.h"
#include "store/event_fields.h"

namespace orbelle {

using FieldValue = std::variant<std::monostate, std::string, std::int64_t, double>;

struct EventRecord {
    std::array<FieldValue, kEventFields.size()> values{};

    // As the cursor reads them: an empty field reads "" and 0, numbers as text.
    std::string Text(std::size_t index) const;
    std::string Text(std::string_view name) const;
    DateTime DateTimeOf(std::string_view name) const;

    // As the cursor writes them: text cut to the field's width, empty text an
    // empty field; a small integer field takes a whole number or is left empty.
    void SetText(std::string_view name, std::string_view text);
    void SetDateTime(std::string_view name, DateTime value);

    friend bool operator==(const EventRecord&, const EventRecord&) = default;
};

// The field's position; throws Error for a name the table lacks.
std::size_t EventFieldIndex(std::string_view name);

// The shortest decimal text that reads back as the same number.
std::string ExactNumberText(double value);

}  // namespace orbelle

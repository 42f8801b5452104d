#include "store/event_record.h"

#include <cstdio>
#include <cstdlib>
#include <unordered_map>

#include "base/convert.h"
#include "base/error.h"
#include "base/text.h"

namespace orbelle {

std::size_t EventFieldIndex(std::string_view name) {
    // The names as the table spells them first: this runs for every field of
    // every record of an export or import. A scan of a few dozen short names,
    // compared by length first, costs less than hashing the name.
    for (std::size_t i = 0; i < kEventFields.size(); ++i)
        if (kEventFields[i].name == name) return i;
    auto index = FindEventField(name);
    if (!index) throw Error("Field '" + std::string(name) + "' not found");
    return *index;
}

std::string ExactNumberText(double value) {
    char text[40];
    for (int digits = 15; digits <= 17; ++digits) {  // the shortest that reads back the same
        std::snprintf(text, sizeof text, "%.*g", digits, value);
        if (std::strtod(text, nullptr) == value) break;
    }
    return text;
}

std::string EventRecord::Text(std::size_t index) const {
    const FieldValue& value = values.at(index);
    if (auto text = std::get_if<std::string>(&value)) return *text;
    if (auto number = std::get_if<std::int64_t>(&value)) return std::to_string(*number);
    if (auto days = std::get_if<double>(&value)) {
        char text[32];
        std::snprintf(text, sizeof text, "%g", *days);
        return text;
    }
    return {};
}

std::string EventRecord::Text(std::string_view name) const { return Text(EventFieldIndex(name)); }

DateTime EventRecord::DateTimeOf(std::string_view name) const {
    const FieldValue& value = values[EventFieldIndex(name)];
    if (auto days = std::get_if<double>(&value)) return DateTime(*days);
    if (auto number = std::get_if<std::int64_t>(&value)) return DateTime(static_cast<double>(*number));
    return DateTime();
}

void EventRecord::SetText(std::string_view name, std::string_view text) {
    std::size_t index = EventFieldIndex(name);
    const FieldDef& field = kEventFields[index];
    FieldValue& slot = values[index];
    if (text.empty()) {
        slot = std::monostate{};
        return;
    }
    switch (field.type) {
        case FieldType::Text: slot = std::string(CutUtf8(text, static_cast<std::size_t>(field.width))); return;
        case FieldType::Memo: slot = std::string(text); return;
        case FieldType::SmallInt: {
            auto number = ParseInt(text);
            if (number && *number >= -32768 && *number <= 32767) slot = std::int64_t{*number};
            else slot = std::monostate{};
            return;
        }
        case FieldType::AutoInc:
        case FieldType::DateTime:
            throw Error("Field '" + std::string(field.name) + "' takes no text");
    }
}

void EventRecord::SetDateTime(std::string_view name, DateTime value) {
    values[EventFieldIndex(name)] = value.Days();
}

}  // namespace orbelle

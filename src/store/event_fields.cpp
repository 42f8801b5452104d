#include "store/event_fields.h"

#include <algorithm>

namespace orbelle {

std::optional<std::size_t> FindEventField(std::string_view name) {
    auto same = [name](const FieldDef& field) {
        // Field names are ASCII: folding the 0x20 bit of letters is enough.
        return field.name.size() == name.size() && std::ranges::equal(field.name, name, [](char a, char b) {
            return a == b || ((a | 0x20) == (b | 0x20) && (a | 0x20) >= 'a' && (a | 0x20) <= 'z');
        });
    };
    auto it = std::ranges::find_if(kEventFields, same);
    if (it == kEventFields.end()) return std::nullopt;
    return static_cast<std::size_t>(it - kEventFields.begin());
}

}  // namespace orbelle

#include "store/event_fields.h"

#include <algorithm>
#include <cctype>

namespace orbelle {

std::optional<std::size_t> FindEventField(std::string_view name) {
    auto same = [name](const FieldDef& field) {
        return std::ranges::equal(field.name, name, [](char a, char b) {
            return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
        });
    };
    auto it = std::ranges::find_if(kEventFields, same);
    if (it == kEventFields.end()) return std::nullopt;
    return static_cast<std::size_t>(it - kEventFields.begin());
}

}  // namespace orbelle

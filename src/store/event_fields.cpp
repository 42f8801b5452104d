#include "store/event_fields.h"

namespace orbelle {

std::optional<std::size_t> FindEventField(std::string_view name) {
    for (std::size_t i = 0; i < kEventFields.size(); ++i)
        if (SameFieldName(kEventFields[i].name, name)) return i;
    return std::nullopt;
}

}  // namespace orbelle

#include "base/amount_text.h"

#include <algorithm>
#include <array>

#include "base/text.h"

namespace orbelle {
namespace {

constexpr std::array<std::string_view, 8> kUnits = {"hour", "hours", "minute", "minutes",
                                                    "week", "weeks", "day",    "days"};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Bytes of the UTF-8 character that starts with `lead` (1 for a stray byte).
std::size_t CharLength(char lead) {
    auto byte = static_cast<unsigned char>(lead);
    if (byte >= 0xF0) return 4;
    if (byte >= 0xE0) return 3;
    if (byte >= 0xC0) return 2;
    return 1;
}

}  // namespace

AmountTextFix NormaliseAmountText(std::string_view box_text) {
    const AmountTextFix reset{AmountTextFix::Action::SelectFirstItem, {}};
    std::string_view text = Trim(box_text);
    auto separator = std::find_if_not(text.begin(), text.end(), IsDigit);
    if (separator == text.end()) return reset;  // empty, or a count alone

    std::size_t at = static_cast<std::size_t>(separator - text.begin());
    std::string count = at == 0 ? "0" : std::string(text.substr(0, at));
    // The separator is a whole character, so a non-ASCII blank separates too.
    std::size_t unit_from = std::min(text.size(), at + CharLength(text[at]));
    std::string unit(Trim(text.substr(unit_from)));
    // A whole word of the list: a unit with a comma is no unit.
    if (std::find(kUnits.begin(), kUnits.end(), unit) == kUnits.end()) return reset;

    bool plural = unit.back() == 's';
    if (count == "1" && plural) unit.pop_back();
    if (count != "1" && !plural) unit.push_back('s');

    std::string normal = count + " " + unit;
    auto action = normal == box_text ? AmountTextFix::Action::Keep : AmountTextFix::Action::Rewrite;
    return {action, std::move(normal)};
}

}  // namespace orbelle

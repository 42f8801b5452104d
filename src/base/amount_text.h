#pragma once
// Amount texts of the editor's Duration and Remind boxes: a count, one blank
// and a unit, as in "30 minutes" or "1 hour".
#include <string>
#include <string_view>

namespace orbelle {

// What a box does after its text changed.
struct AmountTextFix {
    enum class Action {
        Keep,             // already normal: leave the text, and so the caret, alone
        Rewrite,          // set the box's text to `text`
        SelectFirstItem,  // no amount: select the box's item 0
    };
    Action action = Action::Keep;
    std::string text;  // the normal form, for Keep and Rewrite
};

// The normal form of a box's text: blanks trimmed, the first non-digit
// character taken as the separator (a text that starts with no digit has the
// count "0"), the rest trimmed as the unit, which must be one of "minute",
// "hour", "day", "week" or their plurals, case respected; then the singular
// with the count "1" exactly, the plural with any other.
AmountTextFix NormaliseAmountText(std::string_view box_text);

}  // namespace orbelle

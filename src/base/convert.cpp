#include "base/convert.h"

#include <charconv>
#include <cstdint>

#include "base/error.h"

namespace orbelle {
namespace {
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
}  // namespace

std::optional<int> ParseInt(std::string_view text) {
    // One sign at most: from_chars reads a minus itself, so after a plus
    // only a digit may follow ("+-5" is no number).
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (text.empty() || !IsDigit(text.front())) return std::nullopt;
    }
    int value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return value;
}

int StrToInt(std::string_view text) {
    if (auto value = ParseInt(text)) return *value;
    throw Error("'" + std::string(text) + "' is not a valid integer value");
}

int StrToIntDef(std::string_view text, int fallback) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        std::uint32_t value = 0;
        auto digits = text.substr(2);
        auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
        if (ec != std::errc{} || end != digits.data() + digits.size()) return fallback;
        return static_cast<int>(value);
    }
    return ParseInt(text).value_or(fallback);
}

std::string FormatMessage(std::string_view pattern, std::initializer_list<std::string> args) {
    std::string out;
    auto next = args.begin();
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() &&
            (pattern[i + 1] == 's' || pattern[i + 1] == 'd' || pattern[i + 1] == 'g') &&
            next != args.end()) {
            out += *next++;
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

}  // namespace orbelle

#pragma once
// Text to number conversions with the messages the user sees on failure.
#include <optional>
#include <string>
#include <string_view>

namespace orbelle {

// An optional sign and decimal digits, nothing else, within 32 bits.
std::optional<int> ParseInt(std::string_view text);

// As ParseInt; throws Error("'<text>' is not a valid integer value").
int StrToInt(std::string_view text);

// Decimal text, or hexadecimal text beginning with "0x"; anything else gives
// the fallback. Used for column widths, where a bad value is not worth a message.
int StrToIntDef(std::string_view text, int fallback);

// printf-style "%s", "%d" and "%g" substitution for the message templates.
std::string FormatMessage(std::string_view pattern, std::initializer_list<std::string> args);

}  // namespace orbelle

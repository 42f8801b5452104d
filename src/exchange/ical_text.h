#pragma once
// The text layer of iCalendar files: escaped values, folded lines and the
// content line "NAME;PARAM=VALUE:value".
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orbelle::ical {

// TEXT values: backslash, semicolon and comma escaped, every line break
// (CRLF, LF or CR) written as "\n".
std::string EscapeText(std::string_view text);
// The reverse; "\n" and "\N" become `line_break`. Unknown escapes keep the
// escaped character, as most readers do.
std::string UnescapeText(std::string_view text, std::string_view line_break = "\n");
// A TEXT list split at unescaped commas, each item unescaped.
std::vector<std::string> SplitTextList(std::string_view text, std::string_view line_break = "\n");

// Appends one content line folded at 75 octets, never inside a UTF-8
// character, each physical line ended with CRLF.
void AppendFolded(std::string& out, std::string_view line);

// A parameter value, quoted when it holds a character a bare one may not.
std::string ParamValue(std::string_view value);

struct Param {
    std::string name;  // upper case
    std::vector<std::string> values;
    std::vector<bool> quoted;  // for each value: written in double quotes
};

struct ContentLine {
    std::string name;  // upper case
    std::vector<Param> params;
    std::string value;  // as written, still escaped

    // The first value of the parameter, or nothing.
    std::optional<std::string> ParamOf(std::string_view name) const;
    // True when the parameter's first value is `wanted`: without regard to
    // case unless it was quoted, as RFC 5545 (3.2) reads parameter values.
    bool ParamIs(std::string_view name, std::string_view wanted) const;
};

// One unfolded content line, or the reason it breaks the grammar.
struct ParsedLine {
    std::optional<ContentLine> line;
    std::string expected;  // what the grammar expected where it broke
};
ParsedLine ParseContentLine(std::string_view text);
// The same into `line`, whose strings are reused: nothing when the line is
// read, else what the grammar expected where it broke.
const char* ParseContentLine(std::string_view text, ContentLine& line);

// True when the text is well-formed UTF-8.
bool IsValidUtf8(std::string_view text);

}  // namespace orbelle::ical

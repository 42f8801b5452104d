#include "exchange/ical_text.h"

#include "base/text.h"

namespace orbelle::ical {
namespace {

constexpr std::size_t kFoldOctets = 75;

bool IsNameChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
}

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsContinuationByte(unsigned char c) { return (c & 0xC0) == 0x80; }

// Control characters other than the tab are not allowed in a content line.
bool IsControl(unsigned char c) { return (c < 0x20 && c != '\t') || c == 0x7F; }

}  // namespace

std::string EscapeText(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        switch (c) {
            case '\\': out += "\\\\"; break;
            case ';': out += "\\;"; break;
            case ',': out += "\\,"; break;
            case '\r':
                if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
                out += "\\n";
                break;
            case '\n': out += "\\n"; break;
            default: out += c;
        }
    }
    return out;
}

std::string UnescapeText(std::string_view text, std::string_view line_break) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c != '\\' || i + 1 == text.size()) {
            out += c;
            continue;
        }
        char next = text[++i];
        if (next == 'n' || next == 'N') out += line_break;
        else out += next;
    }
    return out;
}

std::vector<std::string> SplitTextList(std::string_view text, std::string_view line_break) {
    std::vector<std::string> items;
    std::size_t begin = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] == '\\') {
            ++i;
            continue;
        }
        if (i == text.size() || text[i] == ',') {
            items.push_back(UnescapeText(text.substr(begin, i - begin), line_break));
            begin = i + 1;
        }
    }
    return items;
}

void AppendFolded(std::string& out, std::string_view line) {
    std::size_t limit = kFoldOctets;
    while (line.size() > limit) {
        std::size_t cut = limit;
        while (cut > 0 && IsContinuationByte(static_cast<unsigned char>(line[cut]))) --cut;
        if (cut == 0) cut = limit;  // no character start at all: not UTF-8, cut anywhere
        out.append(line.substr(0, cut));
        out += "\r\n ";
        line.remove_prefix(cut);
        limit = kFoldOctets - 1;  // the leading blank counts
    }
    out.append(line);
    out += "\r\n";
}

std::string ParamValue(std::string_view value) {
    bool quote = value.find_first_of(";:,") != std::string_view::npos;
    std::string out;
    for (char c : value)
        if (c != '"' && !IsControl(static_cast<unsigned char>(c))) out += c;
    return quote ? "\"" + out + "\"" : out;
}

std::optional<std::string> ContentLine::ParamOf(std::string_view wanted) const {
    for (const Param& param : params)
        if (param.name == wanted && !param.values.empty()) return param.values.front();
    return std::nullopt;
}

bool ContentLine::ParamIs(std::string_view wanted_name, std::string_view wanted) const {
    for (const Param& param : params) {
        if (param.name != wanted_name || param.values.empty()) continue;
        bool quoted = !param.quoted.empty() && param.quoted.front();
        return quoted ? param.values.front() == wanted : SameIgnoringAsciiCase(param.values.front(), wanted);
    }
    return false;
}

ParsedLine ParseContentLine(std::string_view text) {
    ContentLine line;
    if (const char* expected = ParseContentLine(text, line)) return {std::nullopt, expected};
    return {std::move(line), {}};
}

const char* ParseContentLine(std::string_view text, ContentLine& line) {
    for (char c : text)
        if (IsControl(static_cast<unsigned char>(c))) return "no control characters";
    line.name.clear();
    line.params.clear();
    std::size_t i = 0;
    auto read_name = [&](std::string& name) {
        std::size_t begin = i;
        while (i < text.size() && IsNameChar(text[i])) name += Upper(text[i++]);
        return i > begin;
    };
    if (!read_name(line.name)) return "a property name";
    while (i < text.size() && text[i] == ';') {
        ++i;
        Param param;
        if (!read_name(param.name)) return "a parameter name after ';'";
        if (i == text.size() || text[i] != '=') return "'=' after the parameter name";
        ++i;
        while (true) {
            std::string value;
            bool quoted = i < text.size() && text[i] == '"';
            if (quoted) {
                std::size_t close = text.find('"', i + 1);
                if (close == std::string_view::npos) return "a closing '\"'";
                value.assign(text.substr(i + 1, close - i - 1));
                i = close + 1;
            } else {
                while (i < text.size() && text[i] != ',' && text[i] != ';' && text[i] != ':' && text[i] != '"')
                    value += text[i++];
            }
            param.values.push_back(std::move(value));
            param.quoted.push_back(quoted);
            if (i < text.size() && text[i] == ',') {
                ++i;
                continue;
            }
            break;
        }
        line.params.push_back(std::move(param));
    }
    if (i == text.size() || text[i] != ':') return "':' before the value";
    line.value.assign(text.substr(i + 1));
    return nullptr;
}

bool IsValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        auto c = static_cast<unsigned char>(text[i]);
        std::size_t extra;
        unsigned code;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1;
            code = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            code = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            code = c & 0x07;
        } else {
            return false;
        }
        if (i + extra >= text.size()) return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            auto next = static_cast<unsigned char>(text[i + k]);
            if (!IsContinuationByte(next)) return false;
            code = (code << 6) | (next & 0x3F);
        }
        constexpr unsigned kLeast[] = {0, 0x80, 0x800, 0x10000};
        if (code < kLeast[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        i += extra + 1;
    }
    return true;
}

}  // namespace orbelle::ical

#include "search/text_fold.h"

#include <algorithm>

namespace orbelle {
namespace {

// The base letters of U+0100 to U+017F (Latin Extended-A), one per character.
constexpr std::string_view kLatinExtendedA =
    "aaaaaaccccccccddddeeeeeeeeeegggggggghhhhiiiiiiiiiiiijjkkkllllllllllnnnnnnnnnoooooooorrrrrrssssssss"
    "ttttttuuuuuuuuuuuuwwyyyzzzzzzs";
// U+00C0 to U+00FF; '?' marks the two signs that are no letters, '*' the
// letters written with two.
constexpr std::string_view kLatin1 = "aaaaaa*ceeeeiiiidnooooo?ouuuuy**aaaaaa*ceeeeiiiidnooooo?ouuuuy*y";

struct Decoded {
    char32_t code;
    std::size_t length;  // bytes
};

Decoded DecodeUtf8(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (at + length > text.size()) length = 1;
    if (length == 1) return {lead < 0x80 ? lead : U'\uFFFD', 1};
    char32_t code = lead & (0xFF >> (length + 1));
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) return {U'\uFFFD', 1};
        code = (code << 6) | (byte(at + i) & 0x3F);
    }
    return {code, length};
}

void AppendUtf8(char32_t code, std::string& out) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

bool IsSeparator(char32_t c) {
    if (c < 0x80) return !((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'));
    return (c >= 0x80 && c <= 0xBF) || c == 0xD7 || c == 0xF7 || (c >= 0x2000 && c <= 0x206F) ||
           (c >= 0x3000 && c <= 0x303F) || (c >= 0xFF01 && c <= 0xFF0F) || (c >= 0xFF1A && c <= 0xFF20) ||
           c == 0xFEFF || c == 0xFFFD;
}

// The folded form of one character that is not a separator; empty for a
// combining accent, which only marks the letter before it.
std::string_view FoldLetter(char32_t c, char32_t& single) {
    if (c >= 0x300 && c <= 0x36F) return {};
    if (c >= 'A' && c <= 'Z') {
        single = c + 32;
    } else if (c >= 0xC0 && c <= 0xFF) {
        const char base = kLatin1[c - 0xC0];
        if (base != '*') {
            single = static_cast<unsigned char>(base);
        } else {
            switch (c) {
                case 0xC6: case 0xE6: return "ae";
                case 0xDE: case 0xFE: return "th";
                default: return "ss";  // U+00DF
            }
        }
    } else if (c >= 0x100 && c <= 0x17F) {
        if (c == 0x152 || c == 0x153) return "oe";
        if (c == 0x132 || c == 0x133) return "ij";
        single = static_cast<unsigned char>(kLatinExtendedA[c - 0x100]);
    } else if (c >= 0x391 && c <= 0x3A9) {
        single = c + 32;  // Greek capitals
    } else if (c >= 0x410 && c <= 0x42F) {
        single = c + 32;  // Cyrillic capitals
    } else if (c >= 0x400 && c <= 0x40F) {
        single = c + 80;
    } else {
        single = c;
    }
    return {};
}

}  // namespace

void AppendFolded(std::string_view text, std::string& out, std::vector<std::size_t>* origins) {
    std::size_t utf16 = 0;
    bool blank_pending = false;
    for (std::size_t at = 0; at < text.size();) {
        const Decoded d = DecodeUtf8(text, at);
        const std::size_t here = utf16;
        utf16 += d.code >= 0x10000 ? 2 : 1;
        at += d.length;
        if (IsSeparator(d.code)) {
            blank_pending = true;
            continue;
        }
        char32_t single = 0;
        const std::string_view several = FoldLetter(d.code, single);
        if (several.empty() && single == 0) continue;
        if (blank_pending && !out.empty() && out.back() != ' ') {
            out += ' ';
            if (origins) origins->push_back(here);
        }
        blank_pending = false;
        const std::size_t letter_at = out.size();
        if (!several.empty()) out += several;
        else AppendUtf8(single, out);
        if (origins) origins->insert(origins->end(), out.size() - letter_at, here);
    }
}

std::string Folded(std::string_view text) {
    std::string out;
    AppendFolded(text, out);
    return out;
}

std::vector<std::string> SearchTerms(std::string_view text) {
    std::vector<std::string> terms;
    const std::string folded = Folded(text);
    std::size_t at = 0;
    while (at < folded.size()) {
        std::size_t end = folded.find(' ', at);
        if (end == std::string::npos) end = folded.size();
        std::string term = folded.substr(at, end - at);
        if (!term.empty() && std::find(terms.begin(), terms.end(), term) == terms.end())
            terms.push_back(std::move(term));
        at = end + 1;
    }
    return terms;
}

std::vector<TextSpan> MatchedSpans(std::string_view text, const std::vector<std::string>& terms) {
    std::string folded;
    std::vector<std::size_t> origins;
    AppendFolded(text, folded, &origins);
    // The end of the character a folded byte came from, in UTF-16 units.
    std::vector<std::size_t> end_at;
    for (std::size_t at = 0; at < text.size();) {
        const Decoded d = DecodeUtf8(text, at);
        at += d.length;
        const std::size_t units = d.code >= 0x10000 ? 2 : 1;
        const std::size_t end = end_at.size() + units;
        end_at.insert(end_at.end(), units, end);
    }
    auto end_of = [&](std::size_t byte) { return end_at[origins[byte]]; };
    std::vector<TextSpan> spans;
    for (const std::string& term : terms) {
        if (term.empty()) continue;
        for (std::size_t at = folded.find(term); at != std::string::npos; at = folded.find(term, at + 1))
            spans.push_back({origins[at], end_of(at + term.size() - 1)});
    }
    std::sort(spans.begin(), spans.end(), [](const TextSpan& a, const TextSpan& b) { return a.begin < b.begin; });
    std::vector<TextSpan> merged;
    for (const TextSpan& span : spans) {
        if (!merged.empty() && span.begin <= merged.back().end) merged.back().end = std::max(merged.back().end, span.end);
        else merged.push_back(span);
    }
    return merged;
}

}  // namespace orbelle

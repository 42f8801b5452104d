#pragma once
// Text as the search compares it: lower case, accents dropped ("Café" reads
// "cafe"), every run of characters that are neither letters nor digits one
// blank. Letters outside the Latin, Greek and Cyrillic alphabets are kept as
// they are.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace orbelle {

// Appends the folded form of UTF-8 text. With origins, each byte appended
// gets the UTF-16 position in `text` of the character it came from, so that
// a match in the folded text can be shown in the original.
void AppendFolded(std::string_view text, std::string& out, std::vector<std::size_t>* origins = nullptr);
std::string Folded(std::string_view text);

// The words of the folded text, each once, in their first order.
std::vector<std::string> SearchTerms(std::string_view text);

// Where the terms occur in the text, as parts of words: [begin, end) in
// UTF-16 units of the original text, in order, overlaps merged.
struct TextSpan {
    std::size_t begin = 0;
    std::size_t end = 0;
    friend bool operator==(const TextSpan&, const TextSpan&) = default;
};
std::vector<TextSpan> MatchedSpans(std::string_view text, const std::vector<std::string>& terms);

}  // namespace orbelle

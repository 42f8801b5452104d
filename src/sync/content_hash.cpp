#include "sync/content_hash.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "base/text.h"
#include "exchange/ical_text.h"
#include "exchange/ical_time.h"
#include "sync/item_tree.h"

namespace orbelle::sync {
namespace {

// Stamped anew by whoever writes the item: they say when, not what. A
// server may also mark what it stores with a name of its own.
constexpr std::string_view kIgnored[] = {"PRODID",   "DTSTAMP", "LAST-MODIFIED", "CREATED",
                                         "SEQUENCE", "X-RADICALE-NAME"};
// Escaped differently by different writers ("\N" or "\n", "\:" or ":").
constexpr std::string_view kTextValued[] = {"SUMMARY", "DESCRIPTION", "LOCATION", "COMMENT", "CONTACT"};

bool Ignored(const TreeLine& line) {
    for (std::string_view name : kIgnored)
        if (line.name == name) return true;
    if (line.name == "CALSCALE") {
        std::size_t colon = line.text.find(':');
        return colon != std::string::npos && SameIgnoringAsciiCase(line.text.substr(colon + 1), "GREGORIAN");
    }
    return false;
}

std::string NormalLine(const TreeLine& line) {
    ical::ParsedLine parsed = ical::ParseContentLine(line.text);
    if (!parsed.line) return line.text;
    ical::ContentLine& content = *parsed.line;
    std::sort(content.params.begin(), content.params.end(),
              [](const ical::Param& a, const ical::Param& b) { return a.name < b.name; });
    std::string out = content.name;
    for (const ical::Param& param : content.params) {
        out += ";" + param.name + "=";
        for (std::size_t i = 0; i < param.values.size(); ++i) out += (i ? "," : "") + param.values[i];
    }
    bool text_valued = false;
    for (std::string_view name : kTextValued) text_valued = text_valued || content.name == name;
    out += ":";
    // A week is also seven days, an hour sixty minutes.
    bool duration_valued = content.name == "DURATION" || (content.name == "TRIGGER" && !content.ParamOf("VALUE"));
    auto duration = duration_valued ? ical::ParseDuration(content.value) : std::nullopt;
    if (text_valued) out += ical::EscapeText(ical::UnescapeText(content.value));
    else if (duration) out += ical::FormatDuration(*duration);
    else out += content.value;
    return out;
}

std::string NormalTree(const Tree& tree) {
    std::vector<std::string> lines;
    for (const TreeLine& line : tree.properties)
        if (!Ignored(line)) lines.push_back(NormalLine(line));
    std::sort(lines.begin(), lines.end());
    std::vector<std::string> children;
    for (const Tree& child : tree.children) children.push_back(NormalTree(child));
    std::sort(children.begin(), children.end());
    std::string out = tree.name.empty() ? "" : "BEGIN:" + tree.name + "\n";
    for (const std::string& line : lines) out += line + "\n";
    for (const std::string& child : children) out += child;
    if (!tree.name.empty()) out += "END:" + tree.name + "\n";
    return out;
}

constexpr std::array<std::uint32_t, 64> kRound{
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

constexpr std::uint32_t Rotate(std::uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

void Compress(std::array<std::uint32_t, 8>& state, const unsigned char* block) {
    std::uint32_t w[64];
    for (int i = 0; i < 16; ++i)
        w[i] = std::uint32_t{block[4 * i]} << 24 | std::uint32_t{block[4 * i + 1]} << 16 |
               std::uint32_t{block[4 * i + 2]} << 8 | std::uint32_t{block[4 * i + 3]};
    for (int i = 16; i < 64; ++i) {
        std::uint32_t s0 = Rotate(w[i - 15], 7) ^ Rotate(w[i - 15], 18) ^ (w[i - 15] >> 3);
        std::uint32_t s1 = Rotate(w[i - 2], 17) ^ Rotate(w[i - 2], 19) ^ (w[i - 2] >> 10);
        w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    std::uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
    for (int i = 0; i < 64; ++i) {
        std::uint32_t t1 = h + (Rotate(e, 6) ^ Rotate(e, 11) ^ Rotate(e, 25)) + ((e & f) ^ (~e & g)) + kRound[i] + w[i];
        std::uint32_t t2 = (Rotate(a, 2) ^ Rotate(a, 13) ^ Rotate(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
        h = g;
        g = f;
        f = e;
        e = d + t1;
        d = c;
        c = b;
        b = a;
        a = t1 + t2;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
    state[5] += f;
    state[6] += g;
    state[7] += h;
}

}  // namespace

std::string Sha256Hex(std::string_view bytes) {
    std::array<std::uint32_t, 8> state{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                       0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t whole = bytes.size() / 64 * 64;
    for (std::size_t at = 0; at < whole; at += 64) Compress(state, data + at);
    unsigned char tail[128] = {};
    std::size_t rest = bytes.size() - whole;
    std::copy(data + whole, data + bytes.size(), tail);
    tail[rest] = 0x80;
    std::size_t tail_size = rest < 56 ? 64 : 128;
    std::uint64_t bits = static_cast<std::uint64_t>(bytes.size()) * 8;
    for (int i = 0; i < 8; ++i) tail[tail_size - 1 - i] = static_cast<unsigned char>(bits >> (8 * i));
    for (std::size_t at = 0; at < tail_size; at += 64) Compress(state, tail + at);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    for (std::uint32_t word : state)
        for (int shift = 28; shift >= 0; shift -= 4) out += kHex[(word >> shift) & 0xf];
    return out;
}

std::string NormalisedItem(std::string_view ical_text) { return NormalTree(ParseTree(ical_text)); }

std::string ContentHash(std::string_view ical_text) { return Sha256Hex(NormalisedItem(ical_text)); }

}  // namespace orbelle::sync

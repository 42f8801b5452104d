#include "store/table_seal.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <system_error>

namespace orbelle {
namespace {

constexpr const char* kSealHeading = "Orbelle clean close 1";

struct FileState {
    std::uintmax_t size = 0;
    std::int64_t modified = 0;  // the file clock's ticks
    std::uint32_t change_counter = 0;
    std::uint32_t page_count = 0;
    std::uint32_t schema_cookie = 0;
    friend bool operator==(const FileState&, const FileState&) = default;
};

std::uint32_t BigEndian(const std::array<unsigned char, 100>& header, std::size_t at) {
    return static_cast<std::uint32_t>(header[at]) << 24 | static_cast<std::uint32_t>(header[at + 1]) << 16 |
           static_cast<std::uint32_t>(header[at + 2]) << 8 | header[at + 3];
}

bool HasContent(std::filesystem::path file, const char* ending) {
    file += ending;
    std::error_code ec;
    auto size = std::filesystem::file_size(file, ec);
    return !ec && size > 0;
}

std::optional<FileState> ReadState(const std::filesystem::path& table) {
    std::error_code ec;
    FileState state;
    state.size = std::filesystem::file_size(table, ec);
    if (ec) return std::nullopt;
    auto modified = std::filesystem::last_write_time(table, ec);
    if (ec) return std::nullopt;
    state.modified = static_cast<std::int64_t>(modified.time_since_epoch().count());
    std::ifstream in(table, std::ios::binary);
    std::array<unsigned char, 100> header{};
    if (!in.read(reinterpret_cast<char*>(header.data()), header.size())) return std::nullopt;
    static constexpr char kMagic[] = "SQLite format 3";
    if (!std::equal(std::begin(kMagic), std::end(kMagic), header.begin())) return std::nullopt;
    state.change_counter = BigEndian(header, 24);
    state.page_count = BigEndian(header, 28);
    state.schema_cookie = BigEndian(header, 40);
    // The page count in the header is only valid where the counter it was
    // written with is the file's change counter.
    if (BigEndian(header, 92) != state.change_counter) return std::nullopt;
    return state;
}

std::string Describe(const FileState& state) {
    std::ostringstream text;
    text << kSealHeading << '\n'
         << state.size << ' ' << state.modified << ' ' << state.change_counter << ' ' << state.page_count << ' '
         << state.schema_cookie << '\n';
    return text.str();
}

}  // namespace

std::filesystem::path SealFile(const std::filesystem::path& table) {
    std::filesystem::path seal = table;
    seal += "-clean";
    return seal;
}

void SealTable(const std::filesystem::path& table) {
    std::optional<FileState> state = ReadState(table);
    if (!state || HasContent(table, "-journal") || HasContent(table, "-wal")) {
        BreakSeal(table);
        return;
    }
    // Written aside and renamed over, so that a torn write leaves no mark
    // that could pass.
    std::filesystem::path partial = SealFile(table);
    partial += ".tmp";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        out << Describe(*state);
        if (!out.flush()) {
            out.close();
            std::error_code ec;
            std::filesystem::remove(partial, ec);
            return;
        }
    }
    std::error_code ec;
    std::filesystem::rename(partial, SealFile(table), ec);
    if (ec) std::filesystem::remove(partial, ec);
}

bool SealHolds(const std::filesystem::path& table) {
    try {
        std::ifstream in(SealFile(table), std::ios::binary);
        if (!in) return false;
        std::stringstream text;
        text << in.rdbuf();
        if (HasContent(table, "-journal") || HasContent(table, "-wal")) return false;
        std::optional<FileState> state = ReadState(table);
        return state && text.str() == Describe(*state);
    } catch (const std::exception&) {
        return false;
    }
}

void BreakSeal(const std::filesystem::path& table) {
    std::error_code ec;
    std::filesystem::remove(SealFile(table), ec);
}

}  // namespace orbelle

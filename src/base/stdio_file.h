#pragma once
// A file opened through the C library, closed when it goes: plain bytes in
// and out, without the C++ file streams' buffers, locales and their code.
#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <string_view>

namespace orbelle {

class StdioFile {
public:
    StdioFile() = default;
    // mode as for fopen ("rb", "wb"); the file is not open if that failed.
    StdioFile(const std::filesystem::path& path, const char* mode);
    StdioFile(StdioFile&& other) noexcept;
    StdioFile& operator=(StdioFile&& other) noexcept;
    StdioFile(const StdioFile&) = delete;
    StdioFile& operator=(const StdioFile&) = delete;
    ~StdioFile();

    explicit operator bool() const { return file_ != nullptr; }

    // Exactly size bytes, or false (an error, or the end came first).
    bool Read(char* data, std::size_t size);
    bool Write(std::string_view data);
    // Closes the file; false when it was not open or what was written did
    // not all reach it (closing flushes the last buffer).
    bool Close();

private:
    std::FILE* file_ = nullptr;
};

}  // namespace orbelle

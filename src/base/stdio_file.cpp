#include "base/stdio_file.h"

#include <string>
#include <utility>

namespace orbelle {

StdioFile::StdioFile(const std::filesystem::path& path, const char* mode) {
#ifdef _WIN32
    // The wide form opens any name, whatever the ANSI code page holds.
    std::wstring wide_mode(mode, mode + std::char_traits<char>::length(mode));
    file_ = _wfopen(path.c_str(), wide_mode.c_str());
#else
    file_ = std::fopen(path.c_str(), mode);
#endif
}

StdioFile::StdioFile(StdioFile&& other) noexcept : file_(std::exchange(other.file_, nullptr)) {}

StdioFile& StdioFile::operator=(StdioFile&& other) noexcept {
    if (this != &other) {
        if (file_) std::fclose(file_);
        file_ = std::exchange(other.file_, nullptr);
    }
    return *this;
}

StdioFile::~StdioFile() {
    if (file_) std::fclose(file_);
}

bool StdioFile::Read(char* data, std::size_t size) {
    return file_ && std::fread(data, 1, size, file_) == size;
}

bool StdioFile::Write(std::string_view data) {
    return file_ && std::fwrite(data.data(), 1, data.size(), file_) == data.size();
}

bool StdioFile::Close() {
    if (!file_) return false;
    bool written = !std::ferror(file_);
    written = std::fclose(std::exchange(file_, nullptr)) == 0 && written;
    return written;
}

}  // namespace orbelle

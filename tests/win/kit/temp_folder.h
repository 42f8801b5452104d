#pragma once
// A fresh folder under the system's temporary folder, removed with what it
// holds when the test ends.
#include <filesystem>
#include <string>

namespace orbelle::testing {

class TempFolder {
public:
    explicit TempFolder(const std::string& prefix = "orbelle-test-");
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace orbelle::testing

#include "kit/temp_folder.h"

#include <random>

namespace orbelle::testing {

TempFolder::TempFolder(const std::string& prefix) {
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() / (prefix + std::to_string(random()));
    std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

}  // namespace orbelle::testing

#pragma once
// A fresh, empty folder below the system's temporary folder, for one test. The caller removes it.

#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

namespace vorrindel::testing {

inline std::filesystem::path makeTempFolder(std::string_view prefix) {
    static std::mt19937_64 random{std::random_device{}()};
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = std::string(prefix) + "-" + std::to_string(random() % 1000000000);
        const std::filesystem::path candidate = base / name;
        std::error_code ec;
        if (std::filesystem::create_directory(candidate, ec)) return candidate;
    }
    throw std::runtime_error("cannot make a temporary folder below " + base.string());
}

}  // namespace vorrindel::testing

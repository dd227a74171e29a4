#pragma once
// Reading a whole (small) file: settings, /proc entries, registration files.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

namespace vorrindel {

// The file's bytes, or nothing when it cannot be opened or read to its end.
inline std::optional<std::string> readWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return text;
}

// The same, with an unreadable file read as empty, for files whose absence means "nothing there".
inline std::string readWholeFileOrEmpty(const std::filesystem::path& path) {
    return readWholeFile(path).value_or(std::string());
}

}  // namespace vorrindel

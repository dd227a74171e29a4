#include "opening/Module1.h"

#include <filesystem>

namespace vorrindel::opening {

std::string SelectedFilePath(std::string_view dirPath, std::string_view fileName) {
    constexpr char separator = static_cast<char>(std::filesystem::path::preferred_separator);
    std::string path(dirPath);
    if (path.empty() || path.back() != separator) path += separator;
    path += fileName;
    return path;
}

}  // namespace vorrindel::opening

#include "opening/Module1.h"

namespace vorrindel::opening {

std::string SelectedFilePath(std::string_view dirPath, std::string_view fileName) {
    std::string path(dirPath);
    if (path.empty() || path.back() != '/') path += '/';
    path += fileName;
    return path;
}

}  // namespace vorrindel::opening
